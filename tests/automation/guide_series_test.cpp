// The exercise series' toolbar: shown while a guide's series is worked
// through, its buttons moving in the series and enabled only where a
// document exists, and every way a series ends hiding it.
#include "app/commands.h"
#include "app/guidelink.h"
#include "app/mainwindow_testing.h"
#include "app/seriestoolbar.h"
#include "testpictures.h"

#include <QDir>
#include <QToolButton>

#include <functional>

namespace {

class GuideSeries : public GraphFormTest {
protected:
    void SetUp() override
    {
        GraphFormTest::SetUp();
        ASSERT_NE(form->GuideLink(), nullptr);
        before = QDir::currentPath();
        TypeLine("y=x");
        QDir folder(dir.path());
        for (const char* name : {"ex 1.lcv", "ex 2.lcv", "ex 3.lcv", "single.lcv"})
            ASSERT_TRUE(form->SaveDocument(folder.filePath(name)));
        // Exercise documents are looked for beside the guide's help, here the working folder.
        QDir::setCurrent(dir.path());
    }
    void TearDown() override
    {
        QDir::setCurrent(before);
        GraphFormTest::TearDown();
    }
    void Open(const char* name)
    {
        TGuideCommand command;
        command.code = 0;
        command.fields[0].bytes = name;
        command.fields[0].text = QString::fromLatin1(name);
        form->GuideLink()->RunGuideCommand(command);
        QApplication::processEvents();
    }
    [[nodiscard]] TLumatutorseriesDlg* Bar() const { return form->GuideLink()->SeriesToolbar(); }
    [[nodiscard]] QToolButton* Button(const char* name) const
    {
        return Bar() ? Bar()->findChild<QToolButton*>(name) : nullptr;
    }
    [[nodiscard]] bool Shown() const { return Bar() != nullptr && Bar()->isVisible(); }
    [[nodiscard]] QString Series() const { return form->GuideLink()->SeriesName(); }
    void Click(const char* name)
    {
        QToolButton* button = Button(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
        QApplication::processEvents();
    }

    QTemporaryDir dir;
    QString before;
};

} // namespace

TEST_F(GuideSeries, TheToolbarMovesInTheSeriesWithButtonsOnlyWhereADocumentExists)
{
    Open("single");
    EXPECT_FALSE(Shown()) << "a document outside a series shows no toolbar";
    Open("ex 1");
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Bar()->windowTitle(), "Series");
    EXPECT_TRUE(Bar()->isWindow());
    EXPECT_TRUE(Bar()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Button("Lastfile")->toolTip(), "Last file");
    EXPECT_EQ(Button("Finfishseries")->toolTip(), "Quit series");
    EXPECT_EQ(Button("Nextfile")->toolTip(), "Next file");
    KeepForInspection(Bar()->grab().toImage(), "series-toolbar.png");

    struct TStep {
        const char* button;
        const char* series;
        bool last, next;
    };
    const TStep steps[] = {
        {nullptr, "ex 1", false, true},    {"Nextfile", "ex 2", true, true},
        {"Nextfile", "ex 3", true, false}, {"Lastfile", "ex 2", true, true},
        {"Lastfile", "ex 1", false, true},
    };
    for (const TStep& step : steps) {
        if (step.button)
            Click(step.button);
        EXPECT_EQ(Series(), step.series) << step.button;
        EXPECT_TRUE(form->DocumentPath().endsWith(QString(step.series) + ".lcv")) << step.series;
        EXPECT_EQ(Button("Lastfile")->isEnabled(), step.last) << step.series;
        EXPECT_EQ(Button("Nextfile")->isEnabled(), step.next) << step.series;
        EXPECT_TRUE(Shown()) << step.series;
    }
}

TEST_F(GuideSeries, EveryWayASeriesEndsHidesTheToolbar)
{
    struct TEnding {
        const char* how;
        std::function<void()> end;
    };
    const TEnding endings[] = {
        {"Quit series", [this] { Click("Finfishseries"); }},
        {"closing the toolbar", [this] { Bar()->close(); }},
        {"New", [this] { form->Commands().Trigger("ActionFileNew"); }},
        {"Clear curves", [this] { form->Commands().Trigger("ActionClearCurves"); }},
        {"a document outside the series", [this] { Open("single"); }},
    };
    for (const TEnding& ending : endings) {
        Open("ex 2");
        ASSERT_TRUE(Shown()) << ending.how;
        ending.end();
        QApplication::processEvents();
        EXPECT_FALSE(Shown()) << ending.how;
        EXPECT_TRUE(Series().isEmpty()) << ending.how;
        EXPECT_EQ(form->GuideLink()->AnswerLine(), -1) << ending.how;
    }
    // After an ending a new series shows the toolbar again, where the pupil left it.
    Bar()->move(Bar()->pos() + QPoint(-30, 20));
    const QPoint moved = Bar()->pos();
    Open("ex 1");
    EXPECT_TRUE(Shown());
    EXPECT_EQ(Bar()->pos(), moved);
}

TEST_F(GuideSeries, TheToolbarFirstAppearsAtTheTopRightOfTheMainWindow)
{
    form->setGeometry(40, 60, 500, 360);
    QApplication::processEvents();
    Open("ex 1");
    ASSERT_TRUE(Shown());
    EXPECT_EQ(Bar()->frameGeometry().right(), form->frameGeometry().right());
    EXPECT_EQ(Bar()->geometry().top(), form->geometry().top());
}
