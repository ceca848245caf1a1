// lcvtool formula: lays out one formula line from its markup at a given
// formula height and writes it as the equations window paints a line (with
// its left margin, on white) to a PNG, SVG or PDF picture; prints the line
// measure so that worksheet authors can place the picture.
#include "lcvtool.h"
#include "lcvtool_arguments.h"

#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "platform/canvas.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"

#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#ifdef LUMACURVE_HAVE_SVG
#include <QSvgGenerator>
#endif

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool ParseReal(std::string_view text, double& value)
{
    if (text.empty())
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value);
}

// The lower-case extension of a file name, without its dot.
std::string Extension(const std::string& name)
{
    const auto dot = name.find_last_of('.');
    const auto slash = name.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

void DrawLine(QPaintDevice* device, TEditor& line, int width, int height)
{
    Canvas canvas(device);
    canvas.SetBrushColour(clWhite);
    canvas.SetBrushStyle(TBrushStyle::Solid);
    canvas.FillRect(QRect(0, 0, width, height));
    canvas.MoveTo(0, 0);
    PaintLine(canvas, line);
}

} // namespace

int RunFormula(const std::vector<std::string>& arguments)
{
    TToolArguments command("formula");
    command.Option({"height"}, "PX",
                   "the formula height in pixels, 4 to 400 (the equations window's default)");
    command.Option({"ratio"}, "R", "the device pixel ratio of a PNG, 1 to 4 (1)");
    command.Option({"o"}, "OUT", "the picture to write: a name ending in .png, .svg or .pdf");
    command.Arguments("MARKUP", "one formula line in markup");
    if (const auto status = command.Parse(arguments))
        return *status;
    // The equations window's default font height.
    int height = std::abs(EquationsFontHeight);
    double ratio = 1;
    for (const std::string& text : command.Values("height")) {
        double value = 0;
        if (!ParseReal(text, value) || value != std::floor(value) || value < 4 || value > 400)
            return command.Refuse("--height needs a whole number from 4 to 400, not " + text);
        height = static_cast<int>(value);
    }
    for (const std::string& text : command.Values("ratio"))
        if (!ParseReal(text, ratio) || ratio < 1 || ratio > 4)
            return command.Refuse("--ratio needs a number from 1 to 4, not " + text);
    for (const std::string& text : command.Values("o"))
        if (text.empty())
            return command.Refuse("-o needs OUT");
    const std::string out = command.Value("o");
    const std::vector<std::string> markups = command.Positional();
    if (!command.Has("o"))
        return command.Refuse("-o OUT is missing");
    const std::string extension = Extension(out);
    if (extension != "png" && extension != "svg" && extension != "pdf")
        return command.Refuse("OUT must end in .png, .svg or .pdf: " + out);
    if (markups.empty())
        return command.Refuse("MARKUP is missing");
    if (markups.size() > 1)
        return command.Refuse("unexpected argument " + markups[1] + " after the markup");
    const std::string& markup = markups[0];
    const TFontApplication fonts;
#ifndef LUMACURVE_HAVE_SVG
    if (extension == "svg") {
        std::fprintf(stderr, "lcvtool: SVG output is not available in this build\n");
        return 2;
    }
#endif

    TEditor line;
    try {
        line.SetElements(ElementsFromText(markup));
    } catch (const eReaderror& error) {
        std::printf("error: %s\n", error.what());
        return 1;
    }
    const int previousHeight = SetFormulaHeight(height);
    MeasureLine(line);
    std::printf("size: %d %d %d\n", line.width, line.height, line.raise);

    const int pictureWidth = line.leftMargin + line.width;
    const int pictureHeight = std::max(1, line.height);
    bool written = false;
    if (extension == "png") {
        QImage image(std::max(1, static_cast<int>(std::lround(pictureWidth * ratio))),
                     std::max(1, static_cast<int>(std::lround(pictureHeight * ratio))), QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        DrawLine(&image, line, pictureWidth, pictureHeight);
        written = image.save(QString::fromLocal8Bit(out.c_str()), "PNG");
    } else if (extension == "pdf") {
        QPdfWriter writer(QString::fromLocal8Bit(out.c_str()));
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(std::max(1, pictureWidth), pictureHeight), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        DrawLine(&writer, line, pictureWidth, pictureHeight);
        written = true;
    }
#ifdef LUMACURVE_HAVE_SVG
    else {
        QSvgGenerator generator;
        generator.setFileName(QString::fromLocal8Bit(out.c_str()));
        generator.setSize(QSize(pictureWidth, pictureHeight));
        generator.setViewBox(QRect(0, 0, pictureWidth, pictureHeight));
        generator.setTitle("Lumacurve formula");
        DrawLine(&generator, line, pictureWidth, pictureHeight);
        written = true;
    }
#endif
    SetFormulaHeight(previousHeight);
    if (!written) {
        std::fprintf(stderr, "lcvtool: cannot write %s\n", out.c_str());
        return 2;
    }
    return 0;
}
