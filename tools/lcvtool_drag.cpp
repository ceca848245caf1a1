// lcvtool drag: dragging a line of a document as the graph window would,
// without a window. The document is read as the program opens it, its lines
// are drawn once on a graph of the given size, the line is selected (its
// handles shown), and each step presses, moves or releases the mouse at a
// graph point, or puts up transform handles. After each step the status
// line and any change of the line's text are printed; at the end its drag
// description and handles.
#include "lcvtool.h"
#include "lcvtool_arguments.h"
#include "lcvtool_document.h"

#include "document/document.h"
#include "geometry/coordrows.h"
#include "geometry/dragdescriptions.h"
#include "graph/axes.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "graph/linesource.h"
#include "graph/scalehost.h"
#include "mouse/mousedrag.h"
#include "platform/canvas.h"
#include "platform/mainwindowbase.h"
#include "plot/curveplotter.h"
#include "plot/graphrenderer.h"
#include "settings/configuration.h"

#include <QFont>
#include <QImage>

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

enum class TStepKind { Press, Move, Release, Mode, New };

struct TStep {
    TStepKind kind = TStepKind::Press;
    TRealPoint point;
    Qt::KeyboardModifiers modifiers;
    int mode = 0;
    TClickedCurve curve = TClickedCurve::Line; // what "new" places
};

bool ParseCoordinate(std::string_view text, Extended& value)
{
    long double parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

// "X,Y[,shift][,ctrl]".
bool ParsePoint(const std::string& text, TStep& step)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() < 2 || parts.size() > 4 || !ParseCoordinate(parts[0], step.point.x) ||
        !ParseCoordinate(parts[1], step.point.y))
        return false;
    for (std::size_t i = 2; i < parts.size(); ++i) {
        if (parts[i] == "shift")
            step.modifiers |= Qt::ShiftModifier;
        else if (parts[i] == "ctrl")
            step.modifiers |= Qt::ControlModifier;
        else
            return false;
    }
    return true;
}

// The steps, or the message that refuses them.
std::optional<std::string> ParseSteps(const std::vector<std::string>& words, std::vector<TStep>& steps)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        TStep step;
        if (word == "press" || word == "move" || word == "release") {
            step.kind = word == "press"  ? TStepKind::Press
                        : word == "move" ? TStepKind::Move
                                         : TStepKind::Release;
            if (i + 1 >= words.size() || !ParsePoint(words[i + 1], step))
                return word + " needs X,Y[,shift][,ctrl]";
            ++i;
        } else if (word == "new") {
            step.kind = TStepKind::New;
            const std::string what = i + 1 < words.size() ? words[i + 1] : std::string();
            if (what == "line")
                step.curve = TClickedCurve::Line;
            else if (what == "quad")
                step.curve = TClickedCurve::Quadratic;
            else if (what == "circle")
                step.curve = TClickedCurve::Circle;
            else
                return "new needs line, quad or circle";
            ++i;
        } else if (word == "mode") {
            step.kind = TStepKind::Mode;
            if (i + 1 >= words.size() || !ParseWhole(words[i + 1], 6, 14, step.mode) ||
                (step.mode > 9 && step.mode < 12))
                return "mode needs 6, 7, 8, 9, 12, 13 or 14";
            ++i;
        } else {
            return "unknown step " + word;
        }
        steps.push_back(step);
    }
    if (steps.empty())
        return "STEP is missing";
    return std::nullopt;
}

// The graph window as the drag tools see it: no pixels, only the graph's
// geometry, the tool that runs and the cursor it asks for.
class TToolSurface : public TGraphSurface {
public:
    TToolSurface(TGraphParams& params, TScaleHost& host) : params_(params), host_(host) {}
    [[nodiscard]] TGraphParams& Params() override { return params_; }
    [[nodiscard]] TScaleHost* ScaleHost() override { return &host_; }
    [[nodiscard]] QSize ClientSize() const override { return {params_.Width, params_.Height}; }
    void UpdateArea(const QRect&) override {}
    [[nodiscard]] QImage GrabPicture() override { return {}; }
    [[nodiscard]] TMouseControl* ActiveTool() const override { return tool_.get(); }
    void SetActiveTool(std::unique_ptr<TMouseControl> tool) override { tool_ = std::move(tool); }
    [[nodiscard]] std::unique_ptr<TMouseControl> ObjectTool(TGraphObject&) override { return nullptr; }
    void SetMouseModeCode(int) override {}

    std::unique_ptr<TMouseControl> tool_;

private:
    TGraphParams& params_;
    TScaleHost& host_;
};

// The status line, and the commits, as the main window would take them.
class TToolWindow : public TMainWindowBase {
public:
    TToolWindow() : previous_(MainWindow) { MainWindow = this; }
    ~TToolWindow() override { MainWindow = previous_; }
    TToolWindow(const TToolWindow&) = delete;
    TToolWindow& operator=(const TToolWindow&) = delete;
    void ShowStatus(std::string_view text, bool, bool) override { status = std::string(text); }
    void LineDragged() override { ++commits; }

    std::string status;
    int commits = 0;

private:
    TMainWindowBase* previous_;
};

std::string LineText(const TEquationObject& line)
{
    return ClassName(line) + ": " + PlainLineText(line.Elements());
}

} // namespace

int RunDrag(const std::vector<std::string>& arguments)
{
    TToolArguments command("drag");
    command.Option({"size"}, "WxH", "the graph's size in pixels, each from 16 to 10000 (800x600)");
    command.Option({"figures"}, "F", "the \"Mouse figures\" setting, 2 to 5 (the document's)");
    command.Option({"o"}, "OUT.lcv", "write the document, as the drag left it, to OUT.lcv");
    command.Arguments("DOC.lcv", "the document to read");
    command.Arguments("N", "the line to drag, as lcvtool lines numbers it");
    command.Arguments("STEP...",
                      "press X,Y[,shift][,ctrl] | move X,Y... | release X,Y... | mode K |\n"
                      "new line|quad|circle (graph units; K 6 turn, 7 stretch, 8 enlarge, 9 move:\n"
                      "transform handles; 12, 13, 14 a quadratic's form; new: a curve placed by\n"
                      "clicks, last in the list, which the later steps drag)");
    command.FirstArgumentEndsOptions();
    if (const auto status = command.Parse(arguments))
        return *status;
    int width = 800, height = 600;
    for (const std::string& size : command.Values("size"))
        if (!ParseSize(size, width, height))
            return command.Refuse("--size needs WxH with whole numbers from 16 to 10000, not " + size);
    std::optional<int> figures;
    for (const std::string& text : command.Values("figures")) {
        int value = 0;
        if (!ParseWhole(text, 2, 5, value))
            return command.Refuse("--figures needs a whole number from 2 to 5, not " + text);
        figures = value;
    }
    const std::string output = command.Value("o");
    const std::vector<std::string> words = command.Positional();
    if (words.size() < 2)
        return command.Refuse(words.empty() ? "DOC.lcv, N and STEP are missing" : "N and STEP are missing");
    int number = 0;
    if (!ParseWhole(words[1], 1, 0x7FFFFFFF, number))
        return command.Refuse("N needs a line number from 1, not " + words[1]);
    std::vector<TStep> steps;
    if (const auto wrong = ParseSteps(std::vector<std::string>(words.begin() + 2, words.end()), steps))
        return command.Refuse(*wrong);
    const TFontApplication fonts;

    TDocument document;
    if (!OpenToolDocument(words[0], document))
        return 1;
    std::string error;
    if (figures)
        Configuration.MouseFigures = static_cast<std::uint8_t>(*figures);
    PublishSettings();

    TFixedScaleHost host(width, height, QFont(QString::fromStdString(document.fontName), 10));
    TGraphParams params(&host);
    document.ApplyScales(params, &host);
    TToolPlotHost plotHost(document.lines, params);
    const auto draw = [&] {
        QImage picture(width, height, QImage::Format_RGB32);
        Canvas canvas(&picture);
        TGraphRenderer().Render(canvas, params, &document.lines, {});
    };
    for (const auto& line : document.lines.lines)
        line->Recalculate();
    draw();

    const auto curveAt = [&] { return dynamic_cast<TCurvePLotter*>(document.lines.LineAt(number - 1)); };
    if (!document.lines.LineAt(number - 1)) {
        std::fprintf(stderr, "error: there is no line %d\n", number);
        return 1;
    }
    TCurvePLotter* curve = curveAt();
    if (!curve || !DraggableCurvesInUse(false) || !curve->DraggingAllowed()) {
        std::fprintf(stderr, "error: dragging is not allowed\n");
        return 1;
    }
    TToolWindow window;
    TToolSurface surface(params, host);
    curve->ShowDragHandles(true);
    std::string lastText = LineText(*curve);
    const TAxes& axes = *params.Axes;
    for (const TStep& step : steps) {
        curve = curveAt();
        if (!curve)
            break;
        const QPoint pixel = axes.ValueToPixel(step.point.x, step.point.y);
        switch (step.kind) {
        case TStepKind::Press: {
            if (surface.tool_)
                break; // one drag at a time, as with one mouse
            bool taken = false;
            const bool onLine = curve->IsNearPoint(pixel, params);
            std::unique_ptr<TMouseDragCurve> tool =
                PressDrag(surface, curve, pixel, step.modifiers, onLine, taken);
            surface.tool_ = std::move(tool);
            break;
        }
        case TStepKind::Move:
            if (surface.tool_)
                surface.tool_->MouseMove(pixel, step.modifiers);
            break;
        case TStepKind::Release:
            if (surface.tool_) {
                if (!surface.tool_->MouseRelease(pixel, step.modifiers)) {
                    surface.tool_->Finish();
                    surface.tool_.reset();
                    draw(); // the window draws everything again
                }
            }
            break;
        case TStepKind::Mode:
            curve->StartTransformDrag(step.mode);
            break;
        case TStepKind::New:
            if (surface.tool_) {
                surface.tool_->Finish(); // the drag under way ends first
                surface.tool_.reset();
            }
            curve->ShowDragHandles(false);
            // A curve still waiting for its clicks gives way to the new one, as in the window.
            if (auto* last =
                    dynamic_cast<TCurvePLotter*>(document.lines.LineAt(document.lines.LineCount() - 1));
                last && last->WaitsForClicks())
                document.lines.lines.pop_back();
            document.lines.lines.push_back(NewClickedCurve(step.curve));
            number = document.lines.LineCount();
            curve = curveAt();
            curve->ShowDragHandles(true);
            lastText = LineText(*curve);
            break;
        }
        std::printf("status: %s\n", window.status.c_str());
        if (TCurvePLotter* now = curveAt()) {
            const std::string text = LineText(*now);
            if (text != lastText)
                std::printf("line %d: %s\n", number, text.c_str());
            lastText = text;
        }
    }
    if (surface.tool_) {
        surface.tool_->Finish(); // a drag left pressed commits as a release would
        surface.tool_.reset();
    }
    curve = curveAt();
    const std::string description = curve ? curve->DragDescriptionName() : std::string();
    std::printf("description: %s\n", description.empty() ? "none" : description.c_str());
    std::string handles;
    if (const TDragPointList* list = curve ? curve->DragPointList() : nullptr)
        for (int i = 0; i < list->Count(); ++i) {
            const TDragCustom& handle = *(*list)[i];
            handles += (handles.empty() ? "" : " ") + std::string(handle.KindName()) + "(" +
                       DisplayText(handle.AnchorX) + "," + DisplayText(handle.AnchorY) + ")";
        }
    std::printf("handles: %s\n", handles.c_str());
    if (!output.empty()) {
        if (curve)
            curve->ShowDragHandles(false);
        if (!SaveDocument(document, QString::fromStdString(output), error)) {
            std::fprintf(stderr, "error: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
