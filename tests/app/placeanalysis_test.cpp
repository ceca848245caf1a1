// The Analysis menu's curve functions in the main window, as a pupil uses
// them: Gradient and Compass points add their line at once, Area starts a
// line whose start value the mouse places, and a selected differential
// equation lets a click place a solution curve through the clicked point.
#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/derivedcurves.h"
#include "geometry/diffeq.h"
#include "geometry/straightline.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"
#include "testpictures.h"

#include <QAction>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

class PlaceAnalysis : public GraphFormTest {
protected:
    // Enters a line given as markup (a typed "/" would make a fraction).
    void EnterLine(const std::string& markup)
    {
        ASSERT_TRUE(equations->AddLineWith(ElementsFromText(markup), 0, false, 0));
        ASSERT_TRUE(equations->FinishEdit());
        WaitForPicture();
    }
    // Selects a line as a click on it does, without editing it.
    void Select(int index)
    {
        equations->SetSelected(index);
        graph->SelectLine(index);
        form->UpdateCommands();
        ASSERT_EQ(equations->SelectedIndex(), index);
    }
    void SetScales(Extended xmin, Extended xmax, Extended ymin, Extended ymax)
    {
        ASSERT_TRUE(
            graph->Params().SetScales(std::make_unique<TRescaleDataTransfer>(xmin, xmax, ymin, ymax), graph));
    }
    void Save(const QString& name)
    {
        form->resize(1000, 700);
        WaitForPicture();
        KeepForInspection(form->grab().toImage(), name);
    }
};

} // namespace

TEST_F(PlaceAnalysis, CommandsHaveTheirCaptionsAndAreEnabledByTheSelectedLine)
{
    struct Case {
        const char* name;
        const char* caption;
        const char* hint;
    };
    const Case cases[] = {
        {"ActionGradient", "&Gradient", "Draw the gradient function for the curve"},
        {"ActionCompassPoints", "&Compass points", "Draw a direction field for the differential equation"},
        {"ActionArea", "&Area", "Draw the area function for the curve"},
    };
    for (const Case& c : cases) {
        QAction* action = form->Commands().Action(c.name);
        ASSERT_NE(action, nullptr) << c.name;
        EXPECT_EQ(action->text().toStdString(), c.caption);
        EXPECT_EQ(action->statusTip().toStdString(), c.hint);
        EXPECT_FALSE(action->isEnabled()) << c.name << " with nothing selected";
    }
    EnterLine("y=x{^{2}");
    EnterLine("dy/dx=-x/y");
    Select(0);
    EXPECT_TRUE(Enabled("ActionGradient"));
    EXPECT_TRUE(Enabled("ActionArea"));
    EXPECT_FALSE(Enabled("ActionCompassPoints")) << "a parabola has no direction field";
    Select(1);
    EXPECT_FALSE(Enabled("ActionGradient")) << "a differential equation has no gradient function";
    EXPECT_FALSE(Enabled("ActionArea"));
    EXPECT_TRUE(Enabled("ActionCompassPoints"));
}

TEST_F(PlaceAnalysis, GradientAndCompassPointsAddTheirLineUnderTheSelectedLine)
{
    EnterLine("y=x{^{2}");
    EnterLine("dy/dx=-x/y");
    auto* parabola = dynamic_cast<TCurvePLotter*>(equations->ItemAt(0));
    auto* equation = dynamic_cast<TCurvePLotter*>(equations->ItemAt(1));
    ASSERT_NE(parabola, nullptr);
    ASSERT_NE(dynamic_cast<TDifferentialEquation*>(equation), nullptr);

    Select(0);
    ASSERT_TRUE(form->Commands().Trigger("ActionGradient"));
    EXPECT_EQ(equations->Line(), nullptr) << "the line is entered at once";
    TGradient* gradient = nullptr;
    TDiffeqCompassPoints* field = nullptr;
    for (int i = 0; i < equations->Count(); ++i) {
        if (auto* g = dynamic_cast<TGradient*>(equations->ItemAt(i)))
            gradient = g;
        if (auto* f = dynamic_cast<TDiffeqCompassPoints*>(equations->ItemAt(i)))
            field = f;
    }
    ASSERT_NE(gradient, nullptr);
    EXPECT_EQ(gradient->PrimaryCurve, parabola);
    EXPECT_EQ(field, nullptr);
    // The gradient of y = x² is 2x: at x = 3 it is 6 within a chord's error.
    EXPECT_NEAR(double(gradient->PointAtParameter(gradient->ParameterAt(0, 3), &graph->Params()).y), 6.0,
                0.1);

    Select(equations->List().IndexOf(equation));
    ASSERT_TRUE(form->Commands().Trigger("ActionCompassPoints"));
    EXPECT_EQ(equations->Line(), nullptr);
    for (int i = 0; i < equations->Count(); ++i)
        if (auto* f = dynamic_cast<TDiffeqCompassPoints*>(equations->ItemAt(i)))
            field = f;
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->PrimaryCurve, equation);
    EXPECT_TRUE(form->Modified());
    Save("analysis_gradient_field.png");

    // The selected field's halo surrounds each segment alone: halfway between
    // the first two segments of the top row the picture is as it is with the
    // field not selected (a halo joining the segments crossed it there).
    const auto picture = [this](int selected) {
        Select(selected);
        graph->update();
        WaitForPicture();
        return graph->grab().toImage();
    };
    const QImage haloed = picture(equations->List().IndexOf(field));
    const QImage plain = picture(0);
    const TAxes& axes = *graph->Params().Axes;
    const int width = axes.XAxis->ValueToPixel(axes.XAxis->Max);
    const int height = axes.YAxis->ValueToPixel(axes.YAxis->Min);
    const int columns =
        static_cast<int>(std::lround(std::sqrt(double(TGraphParams::SamplePoints())) / 1.5 + 10));
    const QPoint between(width / columns, static_cast<int>(0.5 * height * 1.5 / columns));
    const QPoint at = (QPointF(between) * haloed.devicePixelRatio()).toPoint();
    EXPECT_EQ(haloed.pixel(at), plain.pixel(at));
}

// The start value is the curve's parameter under the pointer, written as the
// x axis's readout writes it: on x from 1000 to 1010 three figures would put
// every click on 1000 or 1010.
TEST_F(PlaceAnalysis, AreaStartIsPlacedWithTheAxisRounding)
{
    SetScales(1000, 1010, 1000, 1010);
    EnterLine("y=x");
    auto* line = dynamic_cast<TCurvePLotter*>(equations->ItemAt(0));
    Select(0);
    ASSERT_TRUE(form->Commands().Trigger("ActionArea"));
    ASSERT_NE(equations->Line(), nullptr) << "Area starts a line to fill in";
    EXPECT_EQ(equations->Line()->GetParent(), line);
    EXPECT_EQ(graph->MouseMode(), 403);

    QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, Pixel(1002, 1002));
    QTest::mouseMove(graph, Pixel(1003.7L, 1003.7L));
    ASSERT_NE(equations->Line(), nullptr) << "the line waits for the release";
    const std::string shown = ElementsToText(equations->Line()->Elements());
    EXPECT_NE(shown.find("1003.7"), std::string::npos) << "the line follows the pointer: " << shown;
    QTest::mouseRelease(graph, Qt::LeftButton, Qt::NoModifier, Pixel(1003.7L, 1003.7L));

    EXPECT_EQ(equations->Line(), nullptr) << "the release enters the line";
    EXPECT_EQ(graph->MouseMode(), 0);
    auto* area = dynamic_cast<TArea*>(Last());
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->PrimaryCurve, line);
    EXPECT_NEAR(double(FormulaValue(area->StartValue.get())), 1003.7, 0.05);
}

// Selecting a differential equation lets a click place a solution curve; the
// point is written as the readouts write it.
TEST_F(PlaceAnalysis, ClickingWithAnEquationSelectedPlacesASolution)
{
    struct Case {
        Extended xmin, xmax, ymin, ymax, x, y;
    };
    const Case cases[] = {
        {-10, 10, -10, 10, 1, 2},
        {1000, 1010, 1000, 1010, 1003.7L, 1006.2L},
    };
    for (const Case& c : cases) {
        equations->ClearAll();
        SetScales(c.xmin, c.xmax, c.ymin, c.ymax);
        EnterLine("dy/dx=-x/y");
        auto* equation = dynamic_cast<TDifferentialEquation*>(equations->ItemAt(0));
        ASSERT_NE(equation, nullptr);
        Select(0);
        EXPECT_EQ(graph->MouseMode(), 212) << "the selected equation turns clicks into solutions";
        EXPECT_EQ(form->MessageLabel()->text().toStdString(), "Click on the screen for solution curve");

        QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, Pixel(c.x, c.y));
        ASSERT_NE(equations->Line(), nullptr) << "the press begins a coordinate line";
        EXPECT_EQ(equations->Line()->GetParent(), equation);
        QTest::mouseRelease(graph, Qt::LeftButton, Qt::NoModifier, Pixel(c.x, c.y));
        EXPECT_EQ(equations->Line(), nullptr);

        auto* solution = dynamic_cast<TDiffeqSolution*>(Last());
        ASSERT_NE(solution, nullptr);
        EXPECT_EQ(solution->PrimaryCurve, equation);
        ASSERT_NE(solution->ThroughPoint, nullptr);
        EXPECT_NEAR(double(solution->ThroughPoint->Point().x), double(c.x), 0.05);
        EXPECT_NEAR(double(solution->ThroughPoint->Point().y), double(c.y), 0.05);
        if (c.xmin < 0)
            Save("analysis_solution.png");
    }
}

TEST_F(PlaceAnalysis, LeavingTheEquationEndsOnlyItsOwnMode)
{
    EnterLine("dy/dx=x");
    EnterLine("y=x");
    Select(0);
    EXPECT_EQ(graph->MouseMode(), 212);
    graph->SelectLine(1);
    EXPECT_EQ(graph->MouseMode(), 0) << "another line selected: clicks select again";
    EXPECT_EQ(form->MessageLabel()->text().toStdString(), "");

    graph->SetMouseMode(301);
    graph->SelectLine(0);
    EXPECT_EQ(graph->MouseMode(), 301) << "a zoom mode chosen by the user stays";
    graph->SelectLine(1);
    EXPECT_EQ(graph->MouseMode(), 301);
}
