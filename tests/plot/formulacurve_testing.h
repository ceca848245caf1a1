// Shared by the tests of the formula and implicit curves: formulas parsed
// from markup, a 1280 x 800 white image with a graph window's default scales
// to draw on, a main window that records the status line, and questions
// about where the ink went.
#pragma once

#include "declaredlines.h"
#include "expr/declarations.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/mainwindowbase.h"
#include "plot/formulacurve.h"
#include "settings/configuration.h"
#include "testfonts.h"

#include <QFont>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace curvetesting {

inline constexpr std::uint32_t AllVariables = avX | avY | avT | avR | avN | avTheta;

class TStatusRecorder : public TMainWindowBase {
public:
    void ShowStatus(std::string_view text, bool, bool) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

// Presses Escape from a given poll on.
class TEscapeAt : public TDrawingInterrupt {
public:
    explicit TEscapeAt(int poll) : escapeAt(poll) {}
    TInterruptRequest Poll() override
    {
        TInterruptRequest request;
        request.abandon = ++polls >= escapeAt;
        return request;
    }
    int polls = 0;
    int escapeAt;
};

class CurveImageTest : public ::testing::Test {
protected:
    static constexpr int Width = 1280;
    static constexpr int Height = 800;

    void SetUp() override
    {
        Configuration = DefaultConfiguration;
        AngleFactor = DegreesFactor;
        Tracking = false;
        DrawMode = 0;
        DrawingCompleted = true;
        FamilyEnd();
        MainWindow = &status;
        host = std::make_unique<TFixedScaleHost>(Width, Height, CheckedFont(QFont("DejaVu Sans", 10)));
        params = std::make_unique<TGraphParams>(host.get());
        NewImage();
    }
    void TearDown() override
    {
        canvas.reset();
        InstallDrawingInterrupt(nullptr);
        MainWindow = nullptr;
        FamilyEnd();
        Configuration = DefaultConfiguration;
        AngleFactor = DegreesFactor;
        Tracking = false;
        Variables = {};
        ResetStatus();
    }

    // A formula in markup, parsed with every variable allowed; fails the test on a parse error.
    TEvaluatorPtr Formula(const std::string& markup)
    {
        TElementList elements = ElementsFromText(markup);
        Tidy(elements, tmFinish);
        TParseParams parse;
        parse.declaredNames = &declared;
        StartParse(parse, elements.get(), AllVariables, nullptr, false, EndOrTabTerminators());
        TEvaluatorPtr tree = ParseExpression(parse);
        EXPECT_FALSE(HasError(parse)) << markup << ": " << parse.error.message;
        return tree;
    }
    static TEvaluatorPtr Number(Extended v) { return std::make_unique<TConstantEvaluator>(v); }

    void NewImage()
    {
        canvas.reset();
        image = QImage(Width, Height, QImage::Format_RGB32);
        image.fill(Qt::white);
        canvas = std::make_unique<Canvas>(&image);
    }
    // Draws curve in black (or its own colour) onto the image.
    void Draw(TCurvePLotter& curve) { curve.DrawOnGraph(*canvas, *params); }
    // Ends painting so that the pixels can be read.
    const QImage& Finished()
    {
        canvas.reset();
        return image;
    }

    [[nodiscard]] QPoint Pixel(Extended x, Extended y) const { return params->Axes->ValueToPixel(x, y); }
    [[nodiscard]] const TAxis& XAxis() const { return *params->Axes->XAxis; }
    [[nodiscard]] const TAxis& YAxis() const { return *params->Axes->YAxis; }

    [[nodiscard]] static bool Dark(const QImage& image, QPoint p)
    {
        return image.rect().contains(p) && qGray(image.pixel(p)) < 128;
    }
    // A dark pixel within radius pixels (square) of p.
    [[nodiscard]] static bool DarkNear(const QImage& image, QPoint p, int radius = 1)
    {
        for (int dx = -radius; dx <= radius; ++dx)
            for (int dy = -radius; dy <= radius; ++dy)
                if (Dark(image, p + QPoint(dx, dy)))
                    return true;
        return false;
    }
    // Tinted by shading: not white, but far lighter than a line.
    [[nodiscard]] static bool Tinted(const QImage& image, QPoint p)
    {
        const int grey = qGray(image.pixel(p));
        return grey < 255 && grey >= 128;
    }
    [[nodiscard]] static int DarkCount(const QImage& image)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qGray(image.pixel(x, y)) < 128;
        return count;
    }

    TStatusRecorder status;
    std::vector<TEquationObject*> declared;
    std::unique_ptr<TFixedScaleHost> host;
    std::unique_ptr<TGraphParams> params;
    QImage image;
    std::unique_ptr<Canvas> canvas;
};

} // namespace curvetesting
