// Test doubles for the plotter tests: a small curve y = f(x) (or x = f(y))
// that records where it was evaluated, a main window that records the
// status line, a keyboard poller that presses keys on cue, and a fixture
// drawing onto a fixed-size image through a graph window's parameters.
#pragma once

#include "expr/declarations.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/mainwindowbase.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"
#include "testfonts.h"

#include <QFont>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// y = f(x) sampled across the x range of the context's axes; f may leave a
// status. With swapped set it is x = f(y) across the y range.
class TTestCurve : public TCurvePLotter {
public:
    using TFunction = std::function<Extended(Extended)>;

    explicit TTestCurve(TFunction f, bool swapped = false) : f_(std::move(f)), swapped_(swapped) {}

    void InitContext(TXY& context) override
    {
        context.ShadeKind = shadeKind;
        context.DrawLine = drawLine;
        context.JoinPoints = joinPoints;
        context.PartCount = parts;
        context.LabelSkip = labelSkip;
    }
    void SelectPart(TXY&, int part) override { currentPart = part; }
    void CalculatePoint(TXY& context) override
    {
        const TAxis& axis = swapped_ ? *context.Axes->YAxis : *context.Axes->XAxis;
        const Extended u = context.Parameter;
        const Extended t = context.ExactParameter ? u : axis.Min + u * (axis.Max - axis.Min);
        ++evaluations;
        parameters.push_back(u);
        const Extended value = f_(t) + (currentPart - 1) * partOffset;
        if (swapped_) {
            context.X = value;
            context.Y = t;
        } else {
            context.X = t;
            context.Y = value;
        }
        statuses.push_back(EvaluationStatus);
    }
    Extended SignedDistance(const TRealPoint& point, int) override
    {
        return swapped_ ? f_(point.y) - point.x : f_(point.x) - point.y;
    }
    [[nodiscard]] char VariableLetter(int index) const override
    {
        if (swapped_)
            return index == 0 ? 'x' : 'y';
        return index == 0 ? 'y' : 'x';
    }
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return properties; }
    [[nodiscard]] bool HasPointLabels() const override { return pointLabels; }

    std::uint8_t shadeKind = 0;
    bool drawLine = true;
    bool joinPoints = true;
    int parts = 1;
    Extended partOffset = 0;
    std::uint8_t labelSkip = 0;
    std::uint32_t properties = 0;
    bool pointLabels = false;

    int currentPart = 1;
    int evaluations = 0;
    std::vector<Extended> parameters;
    std::vector<std::uint8_t> statuses;

    void ForgetSamples()
    {
        evaluations = 0;
        parameters.clear();
        statuses.clear();
    }

private:
    TFunction f_;
    bool swapped_;
};

// The same curve under another class, for comparisons between kinds.
class TOtherTestCurve : public TTestCurve {
public:
    using TTestCurve::TTestCurve;
};

class TRecordingMainWindow : public TMainWindowBase {
public:
    void ShowStatus(std::string_view text, bool beep, bool timeout) override
    {
        messages.emplace_back(text);
        beeps.push_back(beep);
        (void)timeout;
    }
    std::vector<std::string> messages;
    std::vector<bool> beeps;
};

// Presses Escape at a given poll, and holds Ctrl for a range of polls.
class TFakeInterrupt : public TDrawingInterrupt {
public:
    TInterruptRequest Poll() override
    {
        ++polls;
        TInterruptRequest request;
        request.abandon = escapeAtPoll > 0 && polls >= escapeAtPoll;
        request.pause = polls >= ctrlFrom && polls < ctrlUntil;
        return request;
    }
    void Pause() override { ++pauses; }

    int polls = 0;
    int escapeAtPoll = 0;
    int ctrlFrom = 0, ctrlUntil = 0;
    int pauses = 0;
};

// A 1280 x 800 graph with default scales (x from -8 to 8), drawn on a white image.
class PlotFixture : public ::testing::Test {
protected:
    static constexpr int Width = 1280;
    static constexpr int Height = 800;

    void SetUp() override
    {
        Configuration = DefaultConfiguration;
        DrawMode = 0;
        DrawingCompleted = true;
        FamilyEnd();
        OffScreenMessageShown = false;
        MainWindow = &window;
        host = std::make_unique<TFixedScaleHost>(Width, Height, CheckedFont(QFont("DejaVu Sans", 10)));
        params = std::make_unique<TGraphParams>(host.get());
        NewImage();
    }
    void TearDown() override
    {
        canvas.reset();
        MainWindow = nullptr;
        InstallDrawingInterrupt(nullptr);
        DrawMode = 0;
        DrawingCompleted = true;
        FamilyEnd();
        Configuration = DefaultConfiguration;
        Tracking = false;
        Variables = {};
        ResetStatus();
    }

    void NewImage()
    {
        canvas.reset();
        image = QImage(Width, Height, QImage::Format_RGB32);
        image.fill(Qt::white);
        canvas = std::make_unique<Canvas>(&image);
    }
    // Ends painting so that the pixels can be read.
    const QImage& Finished()
    {
        canvas.reset();
        return image;
    }
    void Draw(TCurvePLotter& curve) { curve.DrawOnGraph(*canvas, *params); }
    [[nodiscard]] QPoint Pixel(Extended x, Extended y) const { return params->Axes->ValueToPixel(x, y); }
    [[nodiscard]] const TAxis& XAxis() const { return *params->Axes->XAxis; }
    [[nodiscard]] const TAxis& YAxis() const { return *params->Axes->YAxis; }

    // The stored line pieces of a curve.
    static std::vector<const TLineStore*> Lines(const TCurvePLotter& curve)
    {
        std::vector<const TLineStore*> lines;
        if (curve.LineStore())
            for (const TStoredPiece* piece : *curve.LineStore())
                if (auto* line = dynamic_cast<const TLineStore*>(piece))
                    lines.push_back(line);
        return lines;
    }

    TRecordingMainWindow window;
    std::unique_ptr<TFixedScaleHost> host;
    std::unique_ptr<TGraphParams> params;
    QImage image;
    std::unique_ptr<Canvas> canvas;
};

// A function evaluating a real evaluation tree in x (shared by copies of the function).
inline TTestCurve::TFunction TreeFunction(TEvaluatorPtr tree)
{
    std::shared_ptr<TEvaluator> shared(std::move(tree));
    return [shared](Extended x) {
        Variables.x = x;
        return SafeEvaluate(shared.get());
    };
}

inline Extended SquareRoot(Extended x)
{
    if (x < 0) {
        SetStatus(esInvalid);
        return 0;
    }
    return std::sqrt(x);
}
