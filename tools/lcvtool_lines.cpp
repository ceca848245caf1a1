// lcvtool lines: reads a document as the program opens it, enters and
// recalculates every line on a graph of the given size at the document's
// scales and settings, and prints each line of the equations window as plain
// text with its class; or, with --list, the lines the coordinate list window
// shows for one of them.
#include "lcvtool.h"
#include "lcvtool_arguments.h"
#include "lcvtool_document.h"

#include "document/document.h"
#include "geometry/coordlisting.h"
#include "geometry/coordrows.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "plot/curveplotter.h"
#include "plot/graphrenderer.h"
#include "settings/configuration.h"

#include <QFont>
#include <QImage>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

bool ParseWhole(std::string_view text, int low, int high, int& value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && value >= low &&
           value <= high;
}

bool ParseSize(const std::string& text, int& width, int& height)
{
    const auto x = text.find('x');
    return x != std::string::npos && ParseWhole(std::string_view(text).substr(0, x), 16, 10000, width) &&
           ParseWhole(std::string_view(text).substr(x + 1), 16, 10000, height);
}

// The equations list and graph of the tool, for the lines that ask for them
// while they recalculate (an intersection list searches on the graph).
class TToolPlotHost : public TPlotHost {
public:
    TToolPlotHost(TOwnedLines& lines, TGraphParams& params)
        : lines_(lines), params_(params), previous_(PlotHost)
    {
        PlotHost = this;
    }
    ~TToolPlotHost() override { PlotHost = previous_; }
    TToolPlotHost(const TToolPlotHost&) = delete;
    TToolPlotHost& operator=(const TToolPlotHost&) = delete;

    [[nodiscard]] int LineIndexOf(const TEquationObject* object) const override
    {
        for (int i = 0; i < lines_.LineCount(); ++i)
            if (lines_.LineAt(i) == object)
                return i;
        return -1;
    }
    [[nodiscard]] std::vector<TEquationObject*> Lines() const override
    {
        std::vector<TEquationObject*> lines;
        for (const auto& line : lines_.lines)
            lines.push_back(line.get());
        return lines;
    }
    [[nodiscard]] TGraphParams* GraphParams() override { return &params_; }

private:
    TOwnedLines& lines_;
    TGraphParams& params_;
    TPlotHost* previous_;
};

} // namespace

int RunLines(const std::vector<std::string>& arguments)
{
    TToolArguments command("lines");
    command.Option({"size"}, "WxH", "the graph's size in pixels, each from 16 to 10000 (800x600)");
    command.Option({"list"}, "N", "print what the coordinate list shows for line N (from 1)");
    command.Option({"primary"}, {}, "with --list: the primary listing");
    command.Arguments("DOC.lcv", "the document to read");
    if (const auto status = command.Parse(arguments))
        return *status;
    int width = 800, height = 600;
    int listed = 0;
    for (const std::string& size : command.Values("size"))
        if (!ParseSize(size, width, height))
            return command.Refuse("--size needs WxH with whole numbers from 16 to 10000, not " + size);
    for (const std::string& text : command.Values("list"))
        if (!ParseWhole(text, 1, 0x7FFFFFFF, listed))
            return command.Refuse("--list needs a line number from 1, not " + text);
    const bool primary = command.Has("primary");
    if (primary && listed == 0)
        return command.Refuse("--primary needs --list N");
    const std::vector<std::string> names = command.Positional();
    if (names.empty())
        return command.Refuse("DOC.lcv is missing");
    if (names.size() > 1)
        return command.Refuse("unexpected argument " + names[1]);
    const std::string& path = names[0];
    const TFontApplication fonts;

    TDocument document;
    std::string error;
    if (!LoadDocument(QString::fromStdString(path), document, error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    PrintDocumentWarnings(document);
    document.ApplySettings();
    PublishSettings();

    TFixedScaleHost host(width, height, QFont(QString::fromStdString(document.fontName), 10));
    TGraphParams params(&host);
    document.ApplyScales(params, &host);

    // Every line recalculates and draws once, as on opening.
    TToolPlotHost plotHost(document.lines, params);
    for (const auto& line : document.lines.lines)
        line->Recalculate();
    QImage picture(width, height, QImage::Format_RGB32);
    {
        Canvas canvas(&picture);
        TGraphRenderer().Render(canvas, params, &document.lines, {});
    }

    if (listed > 0) {
        TEquationObject* line = document.lines.LineAt(listed - 1);
        if (!line) {
            std::fprintf(stderr, "error: there is no line %d\n", listed);
            return 1;
        }
        for (const std::string& text : CoordinateListing(line, params, primary))
            std::printf("%s\n", text.c_str());
        return 0;
    }
    for (int i = 0; i < document.lines.LineCount(); ++i) {
        const TEquationObject& line = *document.lines.LineAt(i);
        std::printf("line %d: %s: %s\n", i + 1, ClassName(line).c_str(),
                    PlainLineText(line.Elements()).c_str());
    }
    return 0;
}
