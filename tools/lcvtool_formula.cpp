// lcvtool formula: lays out one formula line from its markup at a given
// formula height and writes it as the equations window paints a line (with
// its left margin, on white) to a PNG, SVG or PDF picture; prints the line
// measure so that worksheet authors can place the picture.
#include "lcvtool.h"

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

int Usage()
{
    std::fprintf(stderr, "usage: lcvtool formula [--height PX] [--ratio R] -o OUT [--] MARKUP\n");
    return 2;
}

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
    // The equations window's default font height.
    int height = std::abs(EquationsFontHeight);
    double ratio = 1;
    std::string out;
    std::string markup;
    bool haveMarkup = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--") {
            if (i + 2 != arguments.size() || haveMarkup)
                return Usage();
            markup = arguments[i + 1];
            haveMarkup = true;
            break;
        }
        if (argument == "--height") {
            double value = 0;
            if (!hasValue || !ParseReal(arguments[++i], value) || value != std::floor(value) || value < 4 ||
                value > 400)
                return Usage();
            height = static_cast<int>(value);
        } else if (argument == "--ratio") {
            if (!hasValue || !ParseReal(arguments[++i], ratio) || ratio < 1 || ratio > 4)
                return Usage();
        } else if (argument == "-o") {
            if (!hasValue || arguments[i + 1].empty())
                return Usage();
            out = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            return Usage();
        } else {
            if (haveMarkup)
                return Usage();
            markup = argument;
            haveMarkup = true;
        }
    }
    const std::string extension = Extension(out);
    if (out.empty() || !haveMarkup || (extension != "png" && extension != "svg" && extension != "pdf"))
        return Usage();
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
