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
    if (!OpenToolDocument(path, document))
        return 1;

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
