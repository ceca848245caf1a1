// Straight lines placed with the mouse in the main window, as a pupil places
// them: Tangent on a selected curve, a horizontal line through a point and a
// line from the y axis to a curve. While the button is held the line follows
// the pointer over the picture; the release fills in the line and enters it.
#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "geometry/intersection.h"
#include "geometry/straightline.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "mouse/mouselines.h"
#include "settings/configuration.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

class PlaceLines : public GraphFormTest {};

} // namespace

TEST_F(PlaceLines, TheCurveCommandsNeedACurveWithTangents)
{
    for (const char* name : {"ActionHorizontalLine", "ActionVerticalLine", "ActionLineThroOrigin"})
        EXPECT_TRUE(Enabled(name)) << name;
    for (const char* name :
         {"ActionTangent", "ActionNormal", "ActionYAxisToCurve", "ActionXAxisToCurve", "ActionOriginToCurve"})
        EXPECT_FALSE(Enabled(name)) << name << " without a curve selected";
    TypeLine("y=x^2");
    ASSERT_TRUE(equations->SelectLine(0));
    form->UpdateCommands();
    for (const char* name :
         {"ActionTangent", "ActionNormal", "ActionYAxisToCurve", "ActionXAxisToCurve", "ActionOriginToCurve"})
        EXPECT_TRUE(Enabled(name)) << name << " with y = x² selected";
}

TEST_F(PlaceLines, ATangentFollowsThePointerAndIsEnteredWhereTheButtonComesUp)
{
    TypeLine("y=x^2");
    ASSERT_TRUE(equations->SelectLine(0));
    ASSERT_TRUE(form->Commands().Trigger("ActionTangent"));
    ASSERT_NE(equations->Line(), nullptr) << "the command starts a line to fill in";
    auto* parabola = dynamic_cast<TCurvePLotter*>(equations->Line()->GetParent());
    ASSERT_NE(parabola, nullptr) << "the tangent is under the curve";
    EXPECT_EQ(graph->MouseMode(), 401);

    // The tangent at x = 2 is y = 4x − 4: it passes through (0.5, −2), far from the curve and the axes.
    const QPoint onTangent = Pixel(0.5L, -2);
    EXPECT_EQ(DarkPixelsNear(graph->grab().toImage(), onTangent), 0);
    QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, Pixel(1, 1));
    QTest::mouseMove(graph, Pixel(2, 4));
    EXPECT_GT(DarkPixelsNear(graph->grab().toImage(), onTangent), 0) << "the tangent follows the pointer";
    const QString gradient = form->MessageLabel()->text();
    ASSERT_TRUE(gradient.startsWith("Gradient = ")) << gradient.toStdString();
    EXPECT_NEAR(gradient.mid(11).toDouble(), 4.0, 0.2) << "the pointer stands within a pixel of x = 2";
    if (qEnvironmentVariableIsSet("LINES_SHOTS"))
        graph->grab().save("/tmp/lines_moving.png");
    QTest::mouseRelease(graph, Qt::LeftButton, Qt::NoModifier, Pixel(2, 4));

    EXPECT_EQ(equations->Line(), nullptr) << "the release enters the line";
    EXPECT_EQ(graph->ActiveTool(), nullptr);
    EXPECT_EQ(graph->MouseMode(), 0) << "the next press selects again";
    auto* tangent = dynamic_cast<TTangent*>(Last());
    ASSERT_NE(tangent, nullptr);
    EXPECT_TRUE(tangent->IsTangent);
    EXPECT_EQ(tangent->PrimaryCurve, parabola);
    EXPECT_NEAR(double(FormulaValue(tangent->Parameter.get())), 2.0, 0.05);
    WaitFor([this] { return graph->RepaintFrom() == std::numeric_limits<int>::max(); });
    if (qEnvironmentVariableIsSet("LINES_SHOTS"))
        form->grab().save("/tmp/lines_entered.png");
    EXPECT_TRUE(WaitFor([&] { return DarkPixelsNear(graph->grab().toImage(), onTangent) > 0; }))
        << "the entered tangent is drawn";
}

TEST_F(PlaceLines, LinesThroughAPointAndToACurveTakeThePointOrTheParameterOfTheRelease)
{
    // Nothing selected: a horizontal line through the point; it is not under a curve.
    ASSERT_TRUE(form->Commands().Trigger("ActionHorizontalLine"));
    ASSERT_NE(equations->Line(), nullptr);
    EXPECT_EQ(equations->Line()->GetParent(), nullptr);
    QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, Pixel(-3, 1));
    QTest::mouseMove(graph, Pixel(3, 2));
    EXPECT_GT(DarkPixelsNear(graph->grab().toImage(), Pixel(-5, 2)), 0)
        << "the line crosses the window at y = 2";
    QTest::mouseRelease(graph, Qt::LeftButton, Qt::NoModifier, Pixel(3, 2));
    auto* through = dynamic_cast<TLineThroughPoint*>(Last());
    ASSERT_NE(through, nullptr) << form->MessageLabel()->text().toStdString();
    EXPECT_EQ(through->Kind, 406);
    ASSERT_NE(through->Point, nullptr);
    EXPECT_NEAR(double(through->Point->Point().x), 3.0, 0.05);
    EXPECT_NEAR(double(through->Point->Point().y), 2.0, 0.05);

    // The y axis to y = x² at x = 2: the segment from (0, 4) to (2, 4).
    TypeLine("y=x^2");
    const int parabolaIndex = equations->Count() - 1;
    ASSERT_TRUE(equations->SelectLine(parabolaIndex));
    ASSERT_TRUE(form->Commands().Trigger("ActionYAxisToCurve"));
    ASSERT_NE(equations->Line(), nullptr);
    auto* parabola = dynamic_cast<TCurvePLotter*>(equations->Line()->GetParent());
    ASSERT_NE(parabola, nullptr);
    EXPECT_EQ(graph->MouseMode(), 411);
    QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, Pixel(1, 1));
    QTest::mouseMove(graph, Pixel(2, 4));
    auto* tool = dynamic_cast<const TMouseline*>(graph->ActiveTool());
    ASSERT_NE(tool, nullptr) << "a line under a curve is placed on the curve";
    EXPECT_NEAR(double(tool->OnCurve.x), 2.0, 0.05);
    EXPECT_NEAR(double(tool->OnCurve.y), double(tool->OnCurve.x * tool->OnCurve.x), 1e-9);
    EXPECT_EQ(tool->Other.x, 0);
    EXPECT_EQ(tool->Other.y, tool->OnCurve.y) << "the segment is horizontal, from the y axis";
    EXPECT_GT(DarkPixelsNear(graph->grab().toImage(), Pixel(tool->OnCurve.x / 2, tool->OnCurve.y)), 0)
        << "the segment is drawn over the picture";
    QTest::mouseRelease(graph, Qt::LeftButton, Qt::NoModifier, Pixel(2, 4));
    auto* toCurve = dynamic_cast<TLineToCurve*>(Last());
    ASSERT_NE(toCurve, nullptr);
    EXPECT_EQ(toCurve->Kind, 406);
    EXPECT_EQ(toCurve->PrimaryCurve, parabola);
    EXPECT_NEAR(double(FormulaValue(toCurve->Parameter.get())), 2.0, 0.05);
}

TEST_F(PlaceLines, ChangingTheModeWhileTheButtonIsHeldStillPlacesTheLine)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionVerticalLine"));
    QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, Pixel(-2, 1));
    graph->SetMouseMode(301);
    auto* through = dynamic_cast<TLineThroughPoint*>(Last());
    ASSERT_NE(through, nullptr) << "the line is placed where the pointer was";
    EXPECT_EQ(through->Kind, 407);
    EXPECT_NEAR(double(through->Point->Point().x), -2.0, 0.05);
}

TEST_F(PlaceLines, ThePopupsIntersectListsTheCrossingsUnderThePrimaryCurve)
{
    TypeLine("y=x^2");
    TypeLine("y=x+2");
    TypeLine("y=5");
    ASSERT_EQ(equations->Count(), 3);
    auto* parabola = dynamic_cast<TCurvePLotter*>(equations->ItemAt(0));
    auto* line = dynamic_cast<TCurvePLotter*>(equations->ItemAt(1));
    ASSERT_TRUE(parabola && line);
    QAction* intersect = nullptr;
    for (QAction* action : form->GraphPopup()->findChildren<QAction*>())
        if (action->text() == "Intersect")
            intersect = action;
    ASSERT_NE(intersect, nullptr);
    auto openPopup = [this](QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, graph->mapToGlobal(at));
        QCoreApplication::sendEvent(graph, &event);
        form->GraphPopup()->hide();
    };

    openPopup(Pixel(-4, -4));
    EXPECT_FALSE(intersect->isEnabled()) << "no curve under the click";
    openPopup(Pixel(0, 0));
    EXPECT_FALSE(intersect->isEnabled()) << "one curve under the click";
    openPopup(Pixel(-1, 1));
    ASSERT_TRUE(intersect->isEnabled()) << "two curves meet under the click";
    intersect->trigger();

    ASSERT_EQ(equations->Count(), 4);
    auto* crossings = dynamic_cast<TIntersectCurve*>(equations->ItemAt(2));
    ASSERT_NE(crossings, nullptr) << "the list stands under its primary curve y = x + 2, before y = 5";
    EXPECT_EQ(crossings->OtherCurve, parabola) << "the first curve under the click measures the distance";
    EXPECT_EQ(crossings->PrimaryCurve, line);
    ASSERT_EQ(crossings->Crossings().size(), 2u);
    EXPECT_NEAR(double(crossings->Crossings()[0].x), -1, 1e-6);
    EXPECT_NEAR(double(crossings->Crossings()[0].y), 1, 1e-6);
    EXPECT_NEAR(double(crossings->Crossings()[1].x), 2, 1e-6);
    EXPECT_NEAR(double(crossings->Crossings()[1].y), 4, 1e-6);
    EXPECT_TRUE(form->Modified());
    if (qEnvironmentVariableIsSet("LINES_SHOTS"))
        form->grab().save("/tmp/lines_intersect.png");
}

TEST_F(PlaceLines, SelectingALineShowsItsGradientAndLeavingItClearsIt)
{
    TypeLine("y=x^2");
    ASSERT_TRUE(form->Commands().Trigger("ActionVerticalLine"));
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(3, 1));
    ASSERT_NE(dynamic_cast<TLineThroughPoint*>(Last()), nullptr);
    equations->SelectLine(0);
    ASSERT_TRUE(form->Commands().Trigger("ActionNormal"));
    QTest::mouseClick(graph, Qt::LeftButton, Qt::NoModifier, Pixel(1, 1));
    ASSERT_EQ(equations->Count(), 3);
    ASSERT_NE(dynamic_cast<TTangent*>(equations->ItemAt(1)), nullptr) << "the normal stands under its curve";

    // The normal of y = x² at x = 1 has gradient −0.5.
    equations->SelectLine(0);
    equations->SelectLine(1);
    QString text = form->MessageLabel()->text();
    ASSERT_TRUE(text.startsWith("Gradient = ")) << text.toStdString();
    EXPECT_NEAR(text.mid(11).toDouble(), -0.5, 0.02);
    equations->SelectLine(2);
    EXPECT_EQ(form->MessageLabel()->text(), "Gradient = infinite");
    equations->SelectLine(0);
    EXPECT_FALSE(form->MessageLabel()->text().startsWith("Gradient"))
        << "leaving the line clears its gradient";
}
