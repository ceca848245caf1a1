// The Transform menu and the Simple transformations toolbar in the main
// window, as a pupil uses them: a curve typed and selected, a toolbar button
// that draws its image at once, a menu command that starts a line to fill in,
// and Repeats added to that line.
#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/transformation.h"
#include "graph/axes.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "settings/configuration.h"
#include "testpictures.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

class TransformCommands : public GraphFormTest {};

} // namespace

TEST_F(TransformCommands, ToolbarButtonsDrawTheImageAtOnce)
{
    EXPECT_FALSE(Enabled("ActReflectyx")) << "nothing selected";
    TypeLine("y=x^2");
    ASSERT_TRUE(equations->SelectLine(0));
    form->UpdateCommands();
    for (const char* name : {"ActRotate90", "ActRotate180", "ActRotate270", "ActReflecty", "Actreflectx",
                             "ActReflectyx", "ActReflectynx", "ActionTranslate", "ActionMatrix"})
        EXPECT_TRUE(Enabled(name)) << name;
    const struct {
        const char* command;
        TRealPoint from, to;
    } cases[] = {
        {"ActRotate270", {1, 0}, {0, -1}}, // a quarter turn clockwise
        {"ActRotate90", {1, 0}, {0, 1}},
        {"ActReflectyx", {1, 2}, {2, 1}},
        {"Actreflectx", {1, 2}, {1, -2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        equations->SelectLine(0);
        ASSERT_EQ(equations->SelectedIndex(), 0);
        ASSERT_TRUE(form->Commands().Trigger(c.command));
        WaitForPicture();
        EXPECT_EQ(equations->Line(), nullptr) << "the line is entered at once";
        auto* image = dynamic_cast<TTransformation*>(Last());
        ASSERT_NE(image, nullptr) << form->MessageLabel()->text().toStdString();
        TTransform map;
        ASSERT_TRUE(image->Composite(map));
        EXPECT_NEAR(double(map.Apply(c.from).x), double(c.to.x), 1e-12);
        EXPECT_NEAR(double(map.Apply(c.from).y), double(c.to.y), 1e-12);
    }
    // The quarter turn clockwise of y = x² passes through (4, −2).
    EXPECT_TRUE(WaitFor([&] { return DarkPixelsNear(graph->grab().toImage(), Pixel(4, -2)) > 0; }));
    if (qEnvironmentVariableIsSet("TRANSFORM_SHOTS"))
        form->grab().save("/tmp/transform_toolbar.png");
}

TEST_F(TransformCommands, MenuCommandsStartALineAndRepeatsJoinsIt)
{
    Configuration.DragCurves = false; // with dragging on, the image is made to be dragged
    TypeLine("y=x^2");
    ASSERT_TRUE(equations->SelectLine(0));
    form->UpdateCommands();
    ASSERT_TRUE(form->Commands().Trigger("ActionTranslate"));
    ASSERT_NE(equations->Line(), nullptr) << "a line to fill in";
    EXPECT_NE(equations->Line()->GetParent(), nullptr);
    form->UpdateCommands();
    EXPECT_TRUE(Enabled("ActionRepeats"));
    // The vector's cells, then repeats 3.
    QTest::keyClicks(equations, "2");
    QTest::keyClick(equations, Qt::Key_Tab);
    QTest::keyClicks(equations, "0");
    ASSERT_TRUE(form->Commands().Trigger("ActionRepeats"));
    QTest::keyClicks(equations, "3");
    if (qEnvironmentVariableIsSet("TRANSFORM_SHOTS"))
        form->grab().save("/tmp/transform_typing.png");
    QTest::keyClick(equations, Qt::Key_Return);
    WaitForPicture();
    auto* image = dynamic_cast<TTransformation*>(Last());
    ASSERT_NE(image, nullptr) << form->MessageLabel()->text().toStdString();
    EXPECT_EQ(image->Repeats, 3);
    EXPECT_TRUE(WaitFor([&] { return DarkPixelsNear(graph->grab().toImage(), Pixel(6, 0)) > 0; }))
        << "the third image has its vertex at (6, 0)";
    KeepForInspection(form->grab().toImage(), "transform_repeats.png");
}

TEST_F(TransformCommands, SwitchesShowConstruction)
{
    EXPECT_FALSE(form->Commands().Action("ActionConstructionLines")->isChecked());
    ASSERT_TRUE(form->Commands().Trigger("ActionConstructionLines"));
    EXPECT_TRUE(Configuration.ConstructionLines);
    EXPECT_TRUE(form->Commands().Action("ActionConstructionLines")->isChecked());
    ASSERT_TRUE(form->Commands().Trigger("ActionInvariants"));
    EXPECT_TRUE(Configuration.DrawInvariants);
}

TEST_F(TransformCommands, ALineOfOnlyRepeatsWarnsAndStaysToBeMended)
{
    TypeLine("y=x^2");
    ASSERT_TRUE(equations->SelectLine(0));
    ASSERT_TRUE(equations->AddLineWith(ElementsFromText("{fix \x02\x01{repeats}{3}"), 0, true, 24));
    QTest::keyClick(equations, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([this] { return form->LastMessage() == "Nothing to repeat!"; }))
        << form->LastMessage().toStdString();
    EXPECT_NE(equations->Line(), nullptr) << "the line stays in editing, nothing lost";
    EXPECT_EQ(dynamic_cast<TTransformation*>(Last()), nullptr) << "no image is made";
    QMessageBox box(QMessageBox::Warning, form->windowTitle(), form->LastMessage(), QMessageBox::Ok,
                    form.get());
    box.show();
    QTest::qWait(50);
    KeepForInspection(box.grab().toImage(), "transform_warning.png");
}

// The same line in a document being opened raises no box: it is kept as it was written.
TEST_F(TransformCommands, ADocumentLineOfOnlyRepeatsIsKeptWithoutABox)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("repeats.lcv");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "Lumacurve for windows version 3.101\r\nCurve\r\ny=x{^{2}\r\nCurve\r\n{fix \x02\x01{repeats}{4}\r\n"
        "\tprimary equation number = 0\r\n");
    file.close();
    ASSERT_TRUE(form->OpenFile(path));
    QTest::qWait(50);
    EXPECT_NE(form->LastMessage(), "Nothing to repeat!");
    EXPECT_EQ(equations->Count(), 2);
}
