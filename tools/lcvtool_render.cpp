// lcvtool render: enters formula lines as if typed into new lines of the
// equations window and draws the graph as the graph window does (background,
// grid and axes by the default settings, then each line in order) on a
// picture of the given size, written as PNG, SVG or PDF. The drawing goes
// through the graph window's renderer, so it matches the screen.
#include "lcvtool.h"
#include "lcvtool_arguments.h"
#include "lcvtool_document.h"

#include "document/document.h"

#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "formula/markup.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graph/linesource.h"
#include "graph/rescaledatatransfer.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "platform/fontfamilies.h"
#include "plot/curveplotter.h"
#include "plot/formulacurve.h"
#include "plot/graphrenderer.h"
#include "plot/plotworkers.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"

#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#ifdef LUMACURVE_HAVE_SVG
#include <QSvgGenerator>
#endif

#include <charconv>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

bool ParseNumber(std::string_view text, long double& value)
{
    if (text.empty())
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// A number of the mapping line with ten significant figures (as printf's
// "%.10Lg" writes it in the C locale): programs read this line, so it never
// takes the decimal comma of the user's locale.
std::string MappingText(long double value)
{
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    return written.ec == std::errc() ? std::string(buffer, written.ptr) : std::string("0");
}

bool ParseScales(const std::string& text, long double (&values)[4])
{
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const auto comma = text.find(',', start);
        const bool last = i == 3;
        if (last != (comma == std::string::npos))
            return false;
        const std::string_view part =
            std::string_view(text).substr(start, last ? std::string::npos : comma - start);
        if (!ParseNumber(part, values[i]))
            return false;
        start = comma + 1;
    }
    return true;
}

// The class made from a line, as the tool reports it.
std::string KindOf(const TEquationObject& object)
{
    if (dynamic_cast<const TNeedsDefinitions*>(&object))
        return "TNeedsDefinitions";
    if (dynamic_cast<const TDynamicConstantEquation*>(&object))
        return "TDynamicConstantEquation";
    if (dynamic_cast<const TDeclaredFunctionEquation*>(&object))
        return "TDeclaredFunctionEquation";
    const char* kind = KindName(object);
    return *kind ? std::string(kind) : ClassName(object);
}

// Draws the graph on the device through the graph window's own rendering
// path, so the picture is the one the window shows.
void DrawGraph(QPaintDevice* device, TGraphParams& params, const TOwnedLines& lines, int width, int height)
{
    Canvas canvas(device);
    const std::uint8_t mode = DrawMode;
    DrawMode |= dmNoCache; // a picture is being made
    TGraphRenderer().Render(canvas, params, &lines, {}, QRect(0, 0, width, height));
    DrawMode = mode;
}

bool EndsWith(const std::string& text, const char* ending)
{
    const std::string end = ending;
    if (text.size() < end.size())
        return false;
    std::string tail = text.substr(text.size() - end.size());
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == end;
}

// The most worker threads --threads asks for.
constexpr int MaximumThreads = 64;

} // namespace

int RunRender(const std::vector<std::string>& arguments)
{
    TToolArguments command("render");
    command.Option({"size"}, "WxH", "the picture's size in pixels, each from 16 to 10000 (800x600)");
    command.Option({"scales"}, "XMIN,XMAX,YMIN,YMAX", "the ranges of the axes (the default scales)");
    command.Option({"accuracy"}, "N", "the plotting accuracy, a whole number from 1 to 1000");
    command.Option({"threads"}, "N",
                   "compute curves on N worker threads, a whole number from 1 to 64 (one per core, at most "
                   "LUMACURVE_THREADS); the picture is the same for every N");
    command.Option({"degrees"}, {}, "angles in degrees (the default)");
    command.Option({"radians"}, {}, "angles in radians");
    command.Option({"o"}, "OUT", "the picture to write: a name ending in .png, .svg or .pdf");
    command.Arguments("LINE...", "formula lines in markup, entered in order as if typed");
    command.Arguments("DOC.lcv", "a document, drawn with its own lines, settings and scales");
    if (const auto status = command.Parse(arguments))
        return *status;
    int width = 800, height = 600;
    long double scales[4] = {0, 0, 0, 0};
    TRenderOverrides overrides;
    Configuration = DefaultConfiguration;
    AngleFactor = DegreesFactor;
    for (const std::string& size : command.Values("size"))
        if (!ParseSize(size, width, height))
            return command.Refuse("--size needs WxH with whole numbers from 16 to 10000, not " + size);
    for (const std::string& text : command.Values("scales"))
        if (!ParseScales(text, scales))
            return command.Refuse("--scales needs four numbers XMIN,XMAX,YMIN,YMAX, not " + text);
    const bool haveScales = command.Has("scales");
    for (const std::string& text : command.Values("accuracy")) {
        long double accuracy = 0;
        // The range first: a number past int's would not survive the conversion.
        if (!ParseNumber(text, accuracy) || accuracy < 1 || accuracy > 1000 ||
            accuracy != static_cast<int>(accuracy))
            return command.Refuse("--accuracy needs a whole number from 1 to 1000, not " + text);
        Configuration.Accuracy = static_cast<std::int16_t>(accuracy);
        overrides.accuracy = static_cast<int>(accuracy);
    }
    for (const std::string& text : command.Values("threads")) {
        int threads = 0;
        if (!ParseWhole(text, 1, MaximumThreads, threads))
            return command.Refuse("--threads needs a whole number from 1 to 64, not " + text);
        SetPlotWorkerCount(threads);
    }
    for (const std::string& name : command.OptionOrder()) {
        if (name == "degrees" || name == "radians") {
            AngleFactor = name == "degrees" ? DegreesFactor : RadiansFactor;
            overrides.angleFactor = AngleFactor;
        }
    }
    const std::string out = command.Value("o");
    std::vector<std::string> lineTexts = command.Positional();
    if (!command.Has("o"))
        return command.Refuse("-o OUT is missing");
    const bool png = EndsWith(out, ".png"), svg = EndsWith(out, ".svg"), pdf = EndsWith(out, ".pdf");
    if (!(png || svg || pdf))
        return command.Refuse("OUT must end in .png, .svg or .pdf: " + out);
    if (lineTexts.empty())
        return command.Refuse("no formula line or document to draw");
    const TFontApplication fonts;
#ifndef LUMACURVE_HAVE_SVG
    if (svg) {
        std::fprintf(stderr, "lcvtool: this build cannot write SVG\n");
        return 2;
    }
#endif

    TDocument document;
    const bool fromDocument = IsDocumentArgument(lineTexts);
    if (fromDocument && !LoadRenderDocument(lineTexts[0], document, overrides))
        return 1;

    QImage measuring(width, height, QImage::Format_RGB32);
    // Every output has the picture's resolution, so that a millimetre and a
    // point are the same share of the picture in PNG, SVG and PDF.
    const int dpi = measuring.physicalDpiX();
    SetDeviceMetrics(measuring.physicalDpiX(), measuring.physicalDpiY());
    TFixedScaleHost host(width, height, FamilyFont(EquationsFontName, 10), &measuring);
    TGraphParams params(&host);
    if (fromDocument && !haveScales)
        ApplyRenderDocumentScales(document, params, &host);
    if (haveScales &&
        !params.SetScales(std::make_unique<TRescaleDataTransfer>(scales[0], scales[1], scales[2], scales[3]),
                          &host)) {
        std::fprintf(stderr, "lcvtool: these scales cannot be shown\n");
        return 2;
    }
    std::printf("mapping: %s %s %s %s\n", MappingText(params.Axes->XAxis->Scale).c_str(),
                MappingText(params.Axes->XAxis->Origin).c_str(),
                MappingText(params.Axes->YAxis->Scale).c_str(),
                MappingText(params.Axes->YAxis->Origin).c_str());

    TOwnedLines lines;
    std::vector<TEquationObject*> declared;
    bool anyFailed = false;
    if (fromDocument) {
        for (std::size_t n = 0; n < document.lines.lines.size(); ++n)
            std::printf("line %zu: %s\n", n + 1, KindOf(*document.lines.lines[n]).c_str());
        lines.lines = std::move(document.lines.lines);
        lineTexts.clear();
    }
    for (std::size_t n = 0; n < lineTexts.size(); ++n) {
        TEditor line;
        line.colour = CurveColour(static_cast<int>(n));
        TParseParams parse;
        parse.declaredNames = &declared;
        parse.defineLater = Configuration.DefineConstants;
        std::unique_ptr<TEquationObject> object;
        try {
            line.SetElements(ElementsFromText(lineTexts[n]));
            object = ClassifyLine(line, parse);
        } catch (const eReaderror&) {
            ForceErrorAt(parse, "Read error", nullptr, 0);
        }
        if (!object) {
            anyFailed = true;
            std::printf("line %zu: error: %s at %d\n", n + 1,
                        parse.error.message ? parse.error.message : ParseMessage::NotUnderstood,
                        parse.error.position);
            continue;
        }
        std::printf("line %zu: %s\n", n + 1, KindOf(*object).c_str());
        declared.push_back(object.get());
        lines.lines.push_back(std::move(object));
    }

    bool written = false;
    if (png) {
        QImage image(width, height, QImage::Format_RGB32);
        DrawGraph(&image, params, lines, width, height);
        written = image.save(QString::fromStdString(out), "PNG");
    } else if (pdf) {
        QPdfWriter writer(QString::fromStdString(out));
        writer.setResolution(dpi);
        writer.setPageSize(QPageSize(QSizeF(width, height) * 72.0 / dpi, QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        DrawGraph(&writer, params, lines, width, height);
        written = true;
    }
#ifdef LUMACURVE_HAVE_SVG
    else if (svg) {
        QSvgGenerator generator;
        generator.setFileName(QString::fromStdString(out));
        generator.setSize(QSize(width, height));
        generator.setResolution(dpi);
        generator.setViewBox(QRect(0, 0, width, height));
        generator.setTitle("Lumacurve graph");
        DrawGraph(&generator, params, lines, width, height);
        written = true;
    }
#endif
    if (!written) {
        std::fprintf(stderr, "lcvtool: cannot write %s\n", out.c_str());
        return 1;
    }
    return anyFailed ? 1 : 0;
}
