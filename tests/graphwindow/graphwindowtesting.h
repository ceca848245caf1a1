// Shared by the graph window and mouse tool tests: lines made by equation
// entry as if typed, a shown graph window of fixed size with exact scales,
// and a main window that records the status line.
#pragma once

#include "entry/entry.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "graph/graphtesting.h"
#include "graph/linesource.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/mainwindowbase.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace graphwindowtesting {

// Lines entered from markup, coloured as new lines are.
inline std::unique_ptr<TOwnedLines> EnterLines(const std::vector<std::string>& texts)
{
    auto lines = std::make_unique<TOwnedLines>();
    std::vector<TEquationObject*> declared;
    for (std::size_t n = 0; n < texts.size(); ++n) {
        TEditor line;
        line.colour = CurveColour(static_cast<int>(n));
        line.SetElements(ElementsFromText(texts[n]));
        TParseParams parse;
        parse.declaredNames = &declared;
        std::unique_ptr<TEquationObject> object = ClassifyLine(line, parse);
        EXPECT_TRUE(object) << texts[n];
        if (!object)
            continue;
        object->SetDrawFlag(true); // no first-drawing messages
        declared.push_back(object.get());
        lines->lines.push_back(std::move(object));
    }
    return lines;
}

// The main window's side for the curves: the list, the graph's parameters
// and a canvas, and a line put in another's place.
class TListHost : public TPlotHost {
public:
    TListHost(TGraphWindow& window, TOwnedLines& lines) : window_(window), lines_(lines), canvas_(&image_) {}
    [[nodiscard]] int LineIndexOf(const TEquationObject* object) const override
    {
        for (std::size_t i = 0; i < lines_.lines.size(); ++i)
            if (lines_.lines[i].get() == object)
                return static_cast<int>(i);
        return -1;
    }
    [[nodiscard]] std::vector<TEquationObject*> Lines() const override
    {
        std::vector<TEquationObject*> all;
        for (const auto& line : lines_.lines)
            all.push_back(line.get());
        return all;
    }
    std::unique_ptr<TEquationObject> ReplaceLine(TEquationObject& old,
                                                 std::unique_ptr<TEquationObject> replacement) override
    {
        const int index = LineIndexOf(&old);
        if (index < 0)
            return replacement;
        std::swap(lines_.lines[static_cast<std::size_t>(index)], replacement);
        ++replaced;
        return replacement;
    }
    Canvas* GraphCanvas() override { return &canvas_; }
    TGraphParams* GraphParams() override { return &window_.Params(); }
    int replaced = 0;

private:
    TGraphWindow& window_;
    TOwnedLines& lines_;
    QImage image_{16, 16, QImage::Format_ARGB32};
    Canvas canvas_;
};

class GraphWindowTest : public ::testing::Test {
protected:
    static constexpr int Width = 400;
    static constexpr int Height = 400;

    void SetUp() override
    {
        ResetSettings();
        Configuration.AutoAccuracy = false;
        SetDeviceMetrics(96, 96);
        BackgroundColour = clWhite;
        AngleFactor = RadiansFactor;
        Configuration.AngleFactor = RadiansFactor;
        PublishSettings();
        MainWindow = &status;
        window = std::make_unique<TGraphWindow>();
        window->resize(Width, Height);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->SetMouseMode(mmNone);
        SetScales(-10, 10, -10, 10);
    }
    void TearDown() override
    {
        window.reset();
        lines.reset();
        MainWindow = nullptr;
        ResetSettings();
        PublishSettings();
    }
    void SetScales(long double xmin, long double xmax, long double ymin, long double ymax)
    {
        ASSERT_TRUE(window->Params().SetScales(std::make_unique<TRescaleDataTransfer>(xmin, xmax, ymin, ymax),
                                               window.get()));
    }
    void ShowLines(const std::vector<std::string>& texts)
    {
        lines = EnterLines(texts);
        window->SetLineSource(lines.get());
        window->repaint();
    }
    [[nodiscard]] QPoint Pixel(long double x, long double y) const
    {
        return window->Params().Axes->ValueToPixel(x, y);
    }
    [[nodiscard]] TAxisRanges Ranges() const { return window->Params().Axes->GetRanges(); }
    // A full left click, as a user makes it.
    void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(window.get(), Qt::LeftButton, modifiers, at);
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
              Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(window.get(), button, modifiers, from);
        QTest::mouseMove(window.get(), (from + to) / 2);
        QTest::mouseMove(window.get(), to);
        QTest::mouseRelease(window.get(), button, modifiers, to);
    }

    TRecordingMainWindow status;
    std::unique_ptr<TOwnedLines> lines;
    std::unique_ptr<TGraphWindow> window;
};

} // namespace graphwindowtesting
