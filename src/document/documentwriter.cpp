// Writing a document: every section in order, each record written by the
// object it belongs to. Line numbers in records are answered by a plot host
// over the list being written, so they always match the written order.
#include "document/document.h"

#include "expr/realreader.h"
#include "plot/curveplotter.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <algorithm>

namespace {

// Answers line numbers from the list being written and passes every other
// request to the host that was in force.
class TWritingHost : public TPlotHost {
public:
    explicit TWritingHost(const std::vector<TEquationObject*>& lines) : lines_(lines), previous_(PlotHost)
    {
        PlotHost = this;
    }
    ~TWritingHost() override { PlotHost = previous_; }
    TWritingHost(const TWritingHost&) = delete;
    TWritingHost& operator=(const TWritingHost&) = delete;

    [[nodiscard]] int LineIndexOf(const TEquationObject* object) const override
    {
        const auto found = std::find(lines_.begin(), lines_.end(), object);
        return found == lines_.end() || !object ? -1 : static_cast<int>(found - lines_.begin());
    }
    [[nodiscard]] std::vector<TEquationObject*> Lines() const override { return lines_; }
    [[nodiscard]] Canvas* GraphCanvas() override { return previous_ ? previous_->GraphCanvas() : nullptr; }
    [[nodiscard]] TGraphParams* GraphParams() override
    {
        return previous_ ? previous_->GraphParams() : nullptr;
    }

private:
    const std::vector<TEquationObject*>& lines_;
    TPlotHost* previous_;
};

std::string Flag(bool on)
{
    return on ? "1" : "0";
}

void WriteKey(TMathsWriter& writer, std::string_view keyword, std::string_view value, int indent = 0)
{
    writer.WriteLine(std::string(keyword) + std::string(value), indent);
}

void WriteKey(TMathsWriter& writer, std::string_view keyword, long long value, int indent = 0)
{
    WriteKey(writer, keyword, std::to_string(value), indent);
}

void WriteSettings(const TDocument& doc, TMathsWriter& writer)
{
    const TConfiguration& s = doc.settings;
    WriteKey(writer, "Angle measure = ", s.Radians() ? "radians" : "degrees");
    WriteKey(writer, "Mouse figures: ", s.MouseFigures);
    WriteKey(writer, "Demonstration draw: ", Flag(s.DemonstrationDraw));
    WriteKey(writer, "Pause: ", Flag(s.Pause));
    WriteKey(writer, "COnstruction lines: ", Flag(s.ConstructionLines));
    WriteKey(writer, "Repeats delay = ", s.RepeatsDelay);
    WriteKey(writer, "Thick lines = ", s.ThickLines);
    WriteKey(writer, "Zoom factor = ", s.ZoomFactor);
    WriteKey(writer, "Draw axes: ", Flag(s.DrawAxes));
    WriteKey(writer, "Polar grid ", s.PolarGrid);
    WriteKey(writer, "Label axes: ", Flag(s.LabelAxes));
    WriteKey(writer, "grid ", Flag(s.Grid));
    WriteKey(writer, "Shade shapes: ", Flag(s.ShadeShapes));
    WriteKey(writer, "Label coordinates: ", Flag(s.LabelCoordinates));
    WriteKey(writer, "Define Constants: ", Flag(s.DefineConstants));
    WriteKey(writer, "Allow docking: ", Flag(s.AllowDocking));
    WriteKey(writer, "AutoAccuracy: ", Flag(s.AutoAccuracy));
    WriteKey(writer, "Show hints: ", Flag(s.ShowHints));
    WriteKey(writer, "Show graph names: ", Flag(s.ShowGraphNames));
    WriteKey(writer, "Drag curves: ", Flag(s.DragCurves));
    WriteKey(writer, "Password: ", s.Password);
    WriteKey(writer, "Transform dialogs: ", Flag(s.TransformDialogs));
}

void WriteNumberLine(TMathsWriter& writer, std::string_view keyword, const TRealReader* number)
{
    if (!number)
        return;
    writer.WriteLine(keyword, 0, false);
    number->WriteValue(writer, false);
    writer.WriteLine({}, 0, true);
}

void WriteCommentary(const TCommentaryRecord& c, TMathsWriter& writer)
{
    WriteKey(writer, "Commentary: ", static_cast<long long>(c.text.size()));
    writer.WriteText(c.text);
    writer.WriteText("\r\n");
    if (c.hasFont) {
        WriteKey(writer, "Font name = ", c.fontName, 1);
        WriteKey(writer, "Font size = ", c.fontSize, 1);
        WriteKey(writer, "Font colour =", static_cast<long long>(c.fontColour), 1);
        if (c.bold || c.italic || c.underline)
            WriteKey(writer, "Font style = ",
                     std::string(c.bold ? "Bold," : "") + (c.italic ? "italic," : "") +
                         (c.underline ? "underline," : ""),
                     1);
    }
    WriteKey(writer, "Align = ", c.align, 1);
    const std::pair<std::string_view, const std::optional<Extended>*> parts[] = {
        {"Left: ", &c.left}, {"Top: ", &c.top}, {"Wide: ", &c.wide}, {"High: ", &c.high}};
    for (const auto& [keyword, value] : parts)
        if (*value)
            WriteKey(writer, keyword, FormatFixed(**value), 1);
}

void WriteWindow(const TWindowRecord& w, TMathsWriter& writer)
{
    WriteKey(writer, "Window: ", w.caption);
    writer.WriteLine("Main Window: ");
    WriteKey(writer, "Left: ", FormatFixed(w.left), 1);
    WriteKey(writer, "Wide: ", FormatFixed(w.wide), 1);
    WriteKey(writer, "Top: ", FormatFixed(w.top), 1);
    WriteKey(writer, "High: ", FormatFixed(w.high), 1);
    WriteKey(writer, "State: ", w.state, 1);
}

void WriteToolbar(const TToolbarPlace& t, TMathsWriter& writer)
{
    WriteKey(writer, "Toolbar: ", t.name);
    writer.WriteLine(t.side, 1);
    writer.WriteLine(Flag(t.visible), 1);
    for (int value : t.bounds)
        writer.WriteInteger(value, 1);
    writer.WriteLine(Flag(t.alone), 1);
}

void WriteAnnotation(const TAnnotationRecord& a, TMathsWriter& writer)
{
    writer.WriteLine("Annotation");
    writer.WriteLine("Position: ", 1);
    writer.WriteLine(FormatFixed(a.x), 2);
    writer.WriteLine(FormatFixed(a.y), 2);
    writer.WriteLine("Line: ", 1);
    writer.WriteInteger(a.dx, 2);
    writer.WriteInteger(a.dy, 2);
    WriteKey(writer, "colour = ", static_cast<long long>(a.colour), 1);
    writer.WriteLine(a.markup);
}

} // namespace

void WriteDocument(const TDocument& doc, TMathsWriter& writer, const std::vector<TEquationObject*>* lines)
{
    writer.WriteLine("Lumacurve for windows version " + std::string(CurrentFileVersion));
    WriteSettings(doc, writer);
    WriteKey(writer, "Drag Layout: ", Flag(doc.dragLayout));
    WriteStatsOptions(doc.statsOptions, writer);
    WriteKey(writer, "Font name = ", doc.fontName);
    WriteKey(writer, "Font size = ", doc.fontHeight);
    WriteKey(writer, "Shade sie = ", Flag(doc.settings.ShadeSide));
    WriteKey(writer, "Back ground colour = ", static_cast<long long>(doc.backgroundColour));
    WriteKey(writer, "Print colour option", doc.printColourOption);
    WriteKey(writer, "Graph paper colour: ", doc.graphPaperColour);
    WriteKey(writer, "Accuracy = ", doc.settings.Accuracy);
    WriteNumberLine(writer, "x scaling: ", doc.xScaling.get());
    WriteNumberLine(writer, "y scaling: ", doc.yScaling.get());
    for (const auto& scaling : doc.scalings)
        scaling->WriteScaling(writer);
    if (doc.commentary && !doc.commentary->text.empty())
        WriteCommentary(*doc.commentary, writer);
    if (doc.window)
        WriteWindow(*doc.window, writer);
    if (doc.screenLayout) {
        writer.WriteLine("Screen layout");
        for (const std::string& line : *doc.screenLayout)
            writer.WriteLine(line);
        writer.WriteLine("Screen layout", 1);
    }
    for (const TToolbarPlace& toolbar : doc.toolbars)
        WriteToolbar(toolbar, writer);
    writer.WriteLine("Whiteboard" + Flag(doc.whiteboard));
    for (const TAnnotationRecord& annotation : doc.annotations)
        WriteAnnotation(annotation, writer);
    if (lines) {
        WriteEquationList(*lines, doc.selectedLine, writer);
        return;
    }
    std::vector<TEquationObject*> owned;
    for (const auto& line : doc.lines.lines)
        owned.push_back(line.get());
    WriteEquationList(owned, doc.selectedLine, writer);
}

std::string DocumentText(const TDocument& document, const std::vector<TEquationObject*>* lines)
{
    TMathsWriter writer;
    WriteDocument(document, writer, lines);
    return writer.TakeText();
}

void WriteEquationList(const std::vector<TEquationObject*>& lines, int selectedLine, TMathsWriter& writer)
{
    // A curve still waiting for its points to be clicked is not work yet:
    // it is neither saved nor kept in undo steps.
    std::vector<TEquationObject*> kept;
    int selected = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto* curve = dynamic_cast<const TCurvePLotter*>(lines[i]);
        if (!lines[i] || (curve && curve->WaitsForClicks()))
            continue;
        if (static_cast<int>(i) == selectedLine)
            selected = static_cast<int>(kept.size());
        kept.push_back(lines[i]);
    }
    if (selectedLine >= static_cast<int>(lines.size()))
        selected = selectedLine; // kept as it was asked for
    TWritingHost host(kept);
    for (const TEquationObject* line : kept)
        line->WriteTo(writer);
    WriteKey(writer, "Selected curve no: ", selected);
}

std::string EquationListText(const std::vector<TEquationObject*>& lines, int selectedLine)
{
    TMathsWriter writer;
    WriteEquationList(lines, selectedLine, writer);
    return writer.TakeText();
}
