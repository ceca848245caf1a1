// The main window as a user meets it: start-up, status line, whiteboard mode,
// keypad and Alt chords, pictures on the clipboard, printing to PDF, the
// document name rules, safe writing, the save question and every command.
#include "app/helpwindow.h"
#include "app/lumacurveform.h"
#include "editor/mathseditor.h"
#include "equations/equationswindow.h"
#include "formula/formulalayout.h"
#include "graph/axes.h"
#include "graphwindow/graphwindow.h"
#include "mainwindow_testing.h"
#include "platform/windowmessages.h"
#include "settings/configuration.h"
#include "testpictures.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class MainForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = MakeQuietForm<TAnsweringForm>();
        ASSERT_NE(form, nullptr);
    }
    void TearDown() override
    {
        form->SetModified(false);
        form.reset();
        ResetProgramState();
    }

    std::unique_ptr<TAnsweringForm> form;
};

} // namespace

TEST_F(MainForm, StartsInItsFixedOrderAndRegistersItself)
{
    EXPECT_EQ(form->objectName(), "TLumacurveForm");
    EXPECT_EQ(::MainWindow, form.get());
    EXPECT_TRUE(form->Started());
    QStringList phases;
    for (const auto& [phase, time] : form->Timings())
        phases << phase;
    EXPECT_EQ(phases, (QStringList{"main window created", "deferred start-up", "document opened",
                                   "automatic accuracy measured"}));
    EXPECT_GE(AutomaticAccuracy, 2);
    EXPECT_EQ(form->MessageLabel()->text(), "Type in any equation, e.g. x+y=1");
    EXPECT_EQ(form->windowTitle(), "Lumacurve");
    EXPECT_EQ(form->MousePosition()->text(), "(x,y)");
    EXPECT_NE(form->Panel("EquationsDockPanel"), nullptr);
    EXPECT_NE(form->Panel("GraphWindowDockPanel"), nullptr);
    // The menu bar holds the nine menus in order.
    QStringList menus;
    for (QAction* action : form->menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Zoom", "&Transform", "Sha&pes", "St&ats", "&Analysis",
                                  "C&ustom", "&Help"}));
    // Toolbars by their initial visibility.
    for (const char* shown : {"ToolBarFile", "ToolBarEdit", "ToolBarInsert", "ToolBarZoom"})
        EXPECT_TRUE(form->Bar(shown)->isVisible()) << shown;
    for (const char* hidden : {"ToolBarTransform", "ToolBarStats", "toolbarSimpleTrans"})
        EXPECT_FALSE(form->Bar(hidden)->isVisible()) << hidden;
}

TEST_F(MainForm, StatusLineTimesOutOnlyWhenAsked)
{
    form->ShowStatusFlags("Click on a curve", 2);
    EXPECT_EQ(form->MessageLabel()->text(), "Click on a curve");
    EXPECT_TRUE(form->MessageTimer()->isActive());
    EXPECT_EQ(form->MessageTimer()->interval(), 15000);
    form->MessageTimer()->setInterval(1);
    QTest::qWait(30);
    EXPECT_TRUE(form->MessageLabel()->text().isEmpty());
    form->MessageTimer()->setInterval(15000);
    form->ShowStatusFlags("stays", 0);
    EXPECT_FALSE(form->MessageTimer()->isActive());
    ShowStatus("through the base", false, true); // lower layers reach the same line
    EXPECT_EQ(form->MessageLabel()->text(), "through the base");
    EXPECT_EQ(form->LastStatusFlags(), 2);
}

TEST_F(MainForm, WhiteboardKeepsTheUsersArrangementAndStoresPreferences)
{
    const TArrangement own = form->CurrentArrangement();
    form->Equations()->setFocus();
    QTest::keyClicks(form->Equations(), "y=2x+1");
    QTest::keyClick(form->Equations(), Qt::Key_Return);
    const QSize ordinary = form->Equations()->LineRect(0).size();
    const QFontMetricsF ordinaryFont(FormulaFont(16));
    ASSERT_TRUE(form->Commands().Trigger("ActionWhiteboard"));
    EXPECT_TRUE(form->Whiteboard());
    // The writing is large: the lines are laid out in the whiteboard's font,
    // "Arial" drawn as its metric twin whatever faces the machine prefers.
    EXPECT_EQ(QFontInfo(FormulaFont(26)).family().toStdString(), "Liberation Sans");
    const QSize large = form->Equations()->LineRect(0).size();
    // The line grows as its text does from the one font to the other.
    const QFontMetricsF largeFont(FormulaFont(26));
    const double wider = largeFont.horizontalAdvance("y=2x+1") / ordinaryFont.horizontalAdvance("y=2x+1");
    const double taller = largeFont.height() / ordinaryFont.height();
    EXPECT_GT(wider, 1.2);
    EXPECT_NEAR(large.width(), ordinary.width() * wider, ordinary.width() * wider * 0.1)
        << ordinary.width() << " grows by " << wider;
    EXPECT_NEAR(large.height(), ordinary.height() * taller, ordinary.height() * taller * 0.1)
        << ordinary.height() << " grows by " << taller;
    EXPECT_EQ(EquationsFontName, "Arial");
    EXPECT_EQ(EquationsFontHeight, -26);
    EXPECT_EQ(BackgroundColour, 16121855);
    EXPECT_EQ(form->toolBarArea(form->Bar("ToolBarZoom")), Qt::LeftToolBarArea);
    const TToolbarPlace keypad = form->RecordOf(form->Bar("ToolbarKeypad"));
    EXPECT_TRUE(keypad.Floating());
    EXPECT_TRUE(keypad.visible); // beside the graph, clear of the Insert toolbar and the lines
    // Turning it on again must not make the whiteboard layout the one to restore.
    form->SetWhiteboard(true);
    ASSERT_TRUE(form->Commands().Trigger("ActionWhiteboard"));
    EXPECT_FALSE(form->Whiteboard());
    EXPECT_EQ(form->CurrentArrangement().Text(), own.Text());
    EXPECT_EQ(form->toolBarArea(form->Bar("ToolBarZoom")), Qt::TopToolBarArea);
    EXPECT_EQ(form->Equations()->LineRect(0).size(), ordinary);

    // Stored preferences replace the built-in ones.
    EquationsFontName = "DejaVu Serif";
    EquationsFontHeight = -30;
    form->StoreWhiteboardPreferences();
    EXPECT_TRUE(QSettings("Brenlow", "Lumacurve").contains("Whiteboard"));
    EquationsFontName = "DejaVu Sans";
    form->SetWhiteboard(true);
    EXPECT_EQ(EquationsFontName, "DejaVu Serif");
    EXPECT_EQ(EquationsFontHeight, -30);
}

TEST_F(MainForm, LeavingWhiteboardWithNothingKeptSaysSo)
{
    form->SetWhiteboard(false);
    EXPECT_EQ(form->LastMessage(), "You must first save your whiteboard preferences.");
    EXPECT_FALSE(form->Commands().Action("ActionWhiteboard")->isChecked());
}

TEST_F(MainForm, KeypadInsertCommandsAndAltChordsReachTheFocusedMathsEditor)
{
    auto* editor = new TMathsEditor;
    form->EquationsArea()->setLayout(new QVBoxLayout);
    form->EquationsArea()->layout()->addWidget(editor);
    editor->show();
    QApplication::setActiveWindow(form.get());
    editor->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), editor);
    ASSERT_TRUE(form->Commands().Action("ActionInsPi")->isEnabled());
    form->TypeKeys("3x+1");
    EXPECT_EQ(editor->LineText(), "3x+1");
    form->TypeKeys("\b");
    EXPECT_EQ(editor->LineText(), "3x+");
    // "Alt key" makes the next key an index, then clears itself.
    ASSERT_TRUE(form->Commands().Trigger("KeybtnAltAct"));
    form->TypeKeys("2");
    const std::string indexed = editor->LineText();
    EXPECT_NE(indexed, "3x+2");
    EXPECT_NE(indexed.find('2'), std::string::npos);
    EXPECT_FALSE(QuickSuperscript);
    EXPECT_FALSE(form->Commands().Action("KeybtnAltAct")->isChecked());
    // An Alt chord typed on the keyboard becomes an index too; the menu's Alt+S does not steal it.
    editor->Clear();
    QTest::keyClick(editor, Qt::Key_X);
    QTest::keyClick(editor, Qt::Key_2, Qt::AltModifier);
    EXPECT_EQ(editor->LineText(), [&] {
        auto* reference = new TMathsEditor;
        reference->Clear();
        QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
        QCoreApplication::sendEvent(reference, &x);
        QuickSuperscript = true;
        QKeyEvent two(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, "2");
        QCoreApplication::sendEvent(reference, &two);
        QuickSuperscript = false;
        const std::string text = reference->LineText();
        delete reference;
        return text;
    }());
    // Insert commands go to the editor.
    editor->Clear();
    ASSERT_TRUE(form->Commands().Trigger("ActionInsPi"));
    EXPECT_FALSE(editor->LineText().empty());
    // The fn button switches the key groups.
    QWidget* sin = form->findChild<QWidget*>("Key_sin");
    QWidget* seven = form->findChild<QWidget*>("Key_7");
    ASSERT_TRUE(sin && seven);
    EXPECT_TRUE(sin->isHidden());
    ASSERT_TRUE(form->Commands().Trigger("KeyBtnFnAct"));
    EXPECT_FALSE(sin->isHidden());
    EXPECT_TRUE(seven->isHidden());
}

TEST_F(MainForm, TheComparisonSignsAreTypedByTheirCommandsAndTheirKeys)
{
    TEquationsWindow* equations = form->Equations();
    QApplication::setActiveWindow(form.get());
    equations->setFocus();
    // "y", the sign, "2"; the line is emptied afterwards.
    auto typed = [&](const std::function<void()>& sign) {
        QTest::keyClicks(equations, "y");
        sign();
        QTest::keyClicks(equations, "2");
        const std::string text = equations->LineText();
        equations->Clear();
        return text;
    };
    auto command = [&](const char* name) {
        return [&, name] { ASSERT_TRUE(form->Commands().Trigger(name)); };
    };
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m) { return [=] { QTest::keyClick(equations, k, m); }; };
    const std::string lessOrEqual = typed(command("ActionInsLessEq"));
    const std::string greaterOrEqual = typed(command("ActionInsGreaterEq"));
    EXPECT_NE(lessOrEqual, "y2");
    EXPECT_NE(greaterOrEqual, "y2");
    EXPECT_NE(lessOrEqual, greaterOrEqual);
    EXPECT_EQ(typed(key(Qt::Key_Comma, Qt::ControlModifier)), lessOrEqual);
    EXPECT_EQ(typed(key(Qt::Key_Less, Qt::ControlModifier | Qt::ShiftModifier)), lessOrEqual);
    EXPECT_EQ(typed(key(Qt::Key_Period, Qt::ControlModifier)), greaterOrEqual);
    EXPECT_EQ(typed(key(Qt::Key_Greater, Qt::ControlModifier | Qt::ShiftModifier)), greaterOrEqual);
}

TEST_F(MainForm, TheEquationsPanelScrollsToTheLineBeingTyped)
{
    TEquationsWindow* equations = form->Equations();
    QApplication::setActiveWindow(form.get());
    equations->setFocus();
    for (int i = 0; i < 60; ++i) {
        QTest::keyClicks(equations, QString("y=%1x").arg(i));
        QTest::keyClick(equations, Qt::Key_Return);
    }
    QTest::keyClicks(equations, "y=0.1x^3-0.2x^2+0.3x-0.4+0.5x-0.6x+0.7x-0.8+0.9x-1.1x+1.2-1.3x");
    QCoreApplication::processEvents();
    auto* box = form->findChild<QScrollArea*>("EquationsScroller");
    ASSERT_NE(box, nullptr);
    const QRect line = equations->LineRect(equations->Count() - 1);
    const QRect view(QPoint(box->horizontalScrollBar()->value(), box->verticalScrollBar()->value()),
                     box->viewport()->size());
    EXPECT_TRUE(view.contains(QPoint(line.left() + 1, line.center().y())) ||
                view.contains(QPoint(line.right() - 1, line.center().y())))
        << "the line being typed is out of sight " << line.x() << "," << line.y() << " " << line.width()
        << "x" << line.height() << " view " << view.x() << "," << view.y() << " " << view.width() << "x"
        << view.height();
    EXPECT_GT(box->verticalScrollBar()->maximum(), 0);
    EXPECT_GT(box->horizontalScrollBar()->value(), 0) << "its end, where the caret is, too";
}

TEST_F(MainForm, ThePopupMenuDeletesTheLineUnderTheMouse)
{
    TEquationsWindow* equations = form->Equations();
    QApplication::setActiveWindow(form.get());
    equations->setFocus();
    for (const char* line : {"y=x", "y=2", "y=-3"}) {
        QTest::keyClicks(equations, line);
        QTest::keyClick(equations, Qt::Key_Return);
    }
    ASSERT_EQ(equations->Count(), 3);
    QMenu* popup = form->GraphPopup();
    QAction* remove = popup->actions().first();
    ASSERT_EQ(remove->text(), "Delete");
    EXPECT_EQ(remove->menu(), nullptr);
    auto rightClick = [&](QWidget* window, QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, window->mapToGlobal(at));
        QCoreApplication::sendEvent(window, &event);
        popup->hide();
    };
    // On the equations window: the line under the mouse, not the selected one.
    rightClick(equations, equations->LineRect(1).center());
    ASSERT_TRUE(remove->isEnabled());
    remove->trigger();
    ASSERT_EQ(equations->Count(), 2);
    EXPECT_EQ(equations->List().LineMarkup(1), "y=-3");
    EXPECT_TRUE(form->Modified());
    // On the graph: the curve under the mouse; nothing there, nothing to delete.
    TGraphWindow* graph = form->GraphArea();
    const TAxes& axes = *graph->Params().Axes;
    rightClick(graph, axes.ValueToPixel(1, -3));
    ASSERT_TRUE(remove->isEnabled());
    remove->trigger();
    ASSERT_EQ(equations->Count(), 1);
    EXPECT_EQ(equations->List().LineMarkup(0), "y=x");
    rightClick(graph, axes.ValueToPixel(3, -5));
    EXPECT_FALSE(remove->isEnabled());
}

TEST_F(MainForm, MenusOpenWithTheirCommands)
{
    QMenu* edit = form->findChild<QMenu*>("Edit1");
    ASSERT_NE(edit, nullptr);
    edit->popup(form->mapToGlobal(QPoint(40, 20)));
    QCoreApplication::processEvents();
    const QImage picture = edit->grab().toImage();
    KeepForInspection(picture, "lumacurve_edit_menu.png");
    EXPECT_GT(picture.height(), 17 * 12); // a row for each of its 17 entries
    edit->close();
}

TEST_F(MainForm, ChoosingZoomInTwiceLeavesNoMouseMode)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionZoomin"));
    EXPECT_EQ(form->GraphArea()->MouseMode(), 301);
    ASSERT_TRUE(form->Commands().Trigger("ActionZoomin"));
    EXPECT_TRUE(form->Commands().Action("ActionNoZoom")->isChecked());
    EXPECT_NE(form->GraphArea()->MouseMode(), 301);
    ASSERT_TRUE(form->Commands().Trigger("ActionTraceOnOff"));
    EXPECT_TRUE(form->GraphArea()->TraceMode());
    EXPECT_EQ(form->MessageLabel()->text(),
              "Click on a curve then use the right or left arrow keys to move the trace point");
    ASSERT_TRUE(form->Commands().Trigger("ActionDragGrid"));
    EXPECT_FALSE(form->GraphArea()->TraceMode());
    EXPECT_EQ(form->GraphArea()->MouseMode(), 303);
}

TEST_F(MainForm, CopyCommandsPutSvgAndPngOfTheSameSizeOnTheClipboard)
{
    struct Row {
        const char* command;
        QSize size;
    };
    const Row rows[] = {{"ActionCopyGraph", form->GraphArea()->size()},
                        {"ActionCopyEquations", form->EquationsArea()->parentWidget()->size()},
                        {"Actioncopyscreen", QSize()}};
    for (const auto& row : rows) {
        QGuiApplication::clipboard()->clear();
        ASSERT_TRUE(form->Commands().Trigger(row.command)) << row.command;
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        ASSERT_TRUE(data->hasFormat("image/svg+xml")) << row.command;
        QSvgRenderer svg(data->data("image/svg+xml"));
        ASSERT_TRUE(svg.isValid()) << row.command;
        const QImage png = qvariant_cast<QImage>(data->imageData());
        ASSERT_FALSE(png.isNull()) << row.command;
        const QSize drawn = svg.viewBox().size();
        EXPECT_EQ(png.size(), drawn * 2) << row.command;
        if (row.size.isValid()) {
            EXPECT_EQ(drawn, row.size) << row.command;
        }
    }
}

TEST_F(MainForm, PrintingToAFileGivesAVectorPdf)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("graph.pdf"));
    ASSERT_TRUE(form->Print(printer));
    QFile pdf(dir.filePath("graph.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_FALSE(bytes.contains("/Subtype /Image")); // drawn, not a bitmap
    EXPECT_TRUE(form->isEnabled());
}

TEST_F(MainForm, HelpOpensAtContentsAndAtEveryTopicUsed)
{
    ASSERT_TRUE(form->Commands().Trigger("ActionHelpContents"));
    THelpWindow* help = form->HelpWindow();
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->CurrentPage().toString().endsWith("contents.html"));
    for (int topic : THelpWindow::Topics()) {
        form->ShowHelp(topic);
        EXPECT_TRUE(help->CurrentPage().toString().endsWith(QString("topic%1.html").arg(topic))) << topic;
        EXPECT_GT(help->Browser()->toPlainText().size(), 200) << topic;
    }
    ASSERT_TRUE(form->Commands().Trigger("KeyBtnHelpAct"));
    EXPECT_TRUE(help->CurrentPage().toString().endsWith("topic215.html"));
    // The topic list follows a link followed in the page, and Back.
    auto* list = help->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    form->ShowHelp(0);
    const int contentsRow = list->currentRow();
    help->Browser()->setSource(QUrl(list->item(1)->data(Qt::UserRole).toString()));
    EXPECT_EQ(list->currentRow(), 1);
    help->Browser()->backward();
    EXPECT_EQ(list->currentRow(), contentsRow);
    EXPECT_EQ(THelpWindow::TopicPage(999), "contents.html");
}

TEST_F(MainForm, HelpInAFormulasMessageOpensItsTopic)
{
    TEquationsWindow* equations = form->Equations();
    equations->setFocus();
    QTimer::singleShot(50, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Help)->click();
    });
    // A parse error goes to the status line; a line too long to take more
    // brings up the formula's box.
    QTest::keyClicks(equations, QString(170, 'W'));
    THelpWindow* help = form->HelpWindow();
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->CurrentPage().toString().endsWith(QString("topic%1.html").arg(FormulaHelpTopic)));
}

TEST_F(MainForm, AModifiedDocumentIsAskedAboutAndCancelKeepsEverything)
{
    form->SetModified(true);
    form->saveAnswer = QMessageBox::Cancel;
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    ASSERT_TRUE(form->Commands().Trigger("ActionFileNew"));
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(form->saveAsked, 2);
    form->saveAnswer = QMessageBox::No;
    ASSERT_TRUE(form->Commands().Trigger("ActionClearCurves"));
    EXPECT_FALSE(form->Modified());
    EXPECT_EQ(form->saveAsked, 3);
    // Nothing modified: no question.
    EXPECT_TRUE(form->close());
    EXPECT_EQ(form->saveAsked, 3);
}

TEST_F(MainForm, AViewChangedByTheMouseIsAChangeToSaveAndAResizeIsNot)
{
    EXPECT_FALSE(form->Modified()); // starting changes nothing
    TGraphWindow* graph = form->GraphArea();
    graph->resize(graph->width() - 40, graph->height() - 30);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->Modified());
    ASSERT_TRUE(form->Commands().Trigger("ActionZoomout"));
    const Extended before = graph->Params().Axes->XAxis->Max;
    QTest::mouseClick(graph, Qt::LeftButton, {}, graph->rect().center());
    EXPECT_NE(graph->Params().Axes->XAxis->Max, before);
    EXPECT_TRUE(form->Modified());
    form->SetModified(false);
    graph->PanX(10);
    EXPECT_TRUE(form->Modified());
}

TEST_F(MainForm, NewRemovesTheSettingsLock)
{
    Configuration.Password = "teacher";
    Configuration.Unlocked = false;
    ASSERT_TRUE(form->Commands().Trigger("ActionFileNew"));
    EXPECT_TRUE(Configuration.Password.empty());
    EXPECT_TRUE(Configuration.Unlocked);
}

TEST_F(MainForm, OpeningRefusesMissingFilesAndNonDocumentsBeforeChangingAnything)
{
    QTemporaryDir dir;
    EXPECT_FALSE(form->OpenFile(dir.filePath("missing.lcv")));
    EXPECT_TRUE(form->LastMessage().contains("does not exist"));
    QFile other(dir.filePath("notes.lcv"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("\x01\x02 binary junk");
    other.close();
    EXPECT_FALSE(form->OpenFile(other.fileName()));
    EXPECT_EQ(form->windowTitle(), "Lumacurve");
}

TEST_F(MainForm, WindowMessagesAreAnswered)
{
    TObjectMessageEvent query(wmPrimaryIndex, nullptr);
    QCoreApplication::sendEvent(form.get(), &query);
    EXPECT_EQ(query.answer, -1);
    TPlacementEvent zero(0.1, 0, 0.1, 0, 0); // no size: the window keeps a size and stays on the screen
    QCoreApplication::sendEvent(form.get(), &zero);
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_GE(form->width(), 200);
    EXPECT_GE(form->height(), 150);
    EXPECT_TRUE(screen.contains(form->geometry())) << form->geometry().width();
    TPlacementEvent half(0.25, 0.75, 0.25, 0.75, 0);
    QCoreApplication::sendEvent(form.get(), &half);
    EXPECT_EQ(form->geometry().width(), screen.width() * 3 / 4);
}

TEST_F(MainForm, LayoutTextAndToolbarRecordsRestoreTheArrangement)
{
    const auto layout = form->LayoutText();
    ASSERT_FALSE(layout.empty());
    for (const auto& line : layout)
        EXPECT_NE(line, "\tScreen layout");
    form->Panel("EquationsDockPanel")->hide();
    EXPECT_TRUE(form->RestoreLayoutText(layout));
    EXPECT_TRUE(form->Panel("EquationsDockPanel")->isVisibleTo(form.get()));
    EXPECT_FALSE(form->RestoreLayoutText({"[Docking]", "State = !!!"}));
    EXPECT_FALSE(form->ApplyToolbarRecord(TToolbarPlace{"NoSuchBar"}));
    ASSERT_TRUE(form->ApplyToolbarRecord(TToolbarPlace{"ToolBarStats", "Bottom", true}));
    EXPECT_EQ(form->toolBarArea(form->Bar("ToolBarStats")), Qt::BottomToolBarArea);
    EXPECT_TRUE(form->Bar("ToolBarStats")->isVisible());
    // A document's records are applied after every bar is hidden: a floating
    // bar shows inside its window, not an empty window.
    form->HideAllBars();
    ASSERT_TRUE(
        form->ApplyToolbarRecord(TToolbarPlace{"ToolbarKeypad", "Floating", true, {40, 90, 120, 300}}));
    EXPECT_TRUE(form->Bar("ToolbarKeypad")->isVisible());
    // The toolbar chooser lists floating toolbars too, and hides them.
    std::unique_ptr<QMenu> chooser(form->createPopupMenu());
    QAction* keypad = nullptr;
    for (QAction* action : chooser->actions())
        if (action->text() == form->Bar("ToolbarKeypad")->windowTitle())
            keypad = action;
    ASSERT_NE(keypad, nullptr);
    EXPECT_TRUE(keypad->isChecked());
    keypad->trigger();
    EXPECT_FALSE(form->Bar("ToolbarKeypad")->isVisible());
    form->SetLayoutLocked(true);
    EXPECT_FALSE(form->Bar("ToolBarFile")->isMovable());
    EXPECT_FALSE(form->Panel("EquationsDockPanel")->features() & QDockWidget::DockWidgetMovable);
    EXPECT_TRUE(form->Panel("GraphWindowDockPanel")->features() & QDockWidget::DockWidgetMovable);
}

TEST_F(MainForm, EveryEnabledCommandRunsWithoutHarm)
{
    // Commands that open a modal dialog, wait for a key (the demonstration's pauses) or end the
    // program are left to their own tests.
    const QStringList modal = {"ActionPrint",         "ActionPrint2",      "ActionWhiteboardSettings",
                               "ActionFileOpen",      "ActionFileSave",    "ActionExit",
                               "ActionFileNew",       "ActionClearCurves", "ActionDemoDraw",
                               "ActionExportPicture", "ActionExamples"};
    TEquationsWindow* equations = form->Equations();
    QApplication::setActiveWindow(form.get());
    equations->setFocus();
    for (const char* line : {"y=x{^{2}", "k=2", "y=kx"}) {
        QTest::keyClicks(equations, line);
        QTest::keyClick(equations, Qt::Key_Return);
    }
    int ran = 0;
    // A line the insert commands left unfinished is entered by the next command, whose fault box is
    // answered as a user would.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
    });
    answer.start(20);
    for (int round = 0; round < 2; ++round) {
        for (const auto& command : CommandTable()) {
            const QString name = QString::fromUtf8(command.name.data(), qsizetype(command.name.size()));
            if (modal.contains(name))
                continue;
            const bool enabled = form->Commands().Action(command.name)->isEnabled();
            // A command shown as enabled runs when chosen.
            EXPECT_EQ(form->Commands().Trigger(command.name), enabled) << name.toStdString();
            ran += enabled ? 1 : 0;
            QCoreApplication::processEvents();
        }
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
    EXPECT_GT(ran, 60); // most of the table, twice
    // No harm: the window is shown and usable, nothing modal is left open.
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(form->GraphArea()->RenderImage().isNull());
    // A new line typed afterwards is entered, and the document saves and opens again.
    form->saveAnswer = QMessageBox::No;
    ASSERT_TRUE(form->Commands().Trigger("ActionClearCurves"));
    ASSERT_EQ(equations->Count(), 0);
    form->GraphArea()->SetMouseMode(mmNone);
    QApplication::setActiveWindow(form.get());
    equations->setFocus();
    QTest::keyClicks(equations, "y=2x+1");
    QTest::keyClick(equations, Qt::Key_Return);
    ASSERT_EQ(equations->Count(), 1);
    EXPECT_EQ(equations->List().LineMarkup(0), "y=2x+1");
    QTemporaryDir dir;
    ASSERT_TRUE(form->SaveDocument(dir.filePath("after.lcv"))) << form->LastMessage().toStdString();
    ASSERT_TRUE(form->OpenFile(dir.filePath("after.lcv")));
    ASSERT_EQ(equations->Count(), 1);
    EXPECT_EQ(equations->List().LineMarkup(0), "y=2x+1");
}

TEST(MainWindowHelpers, CommandLineNamesADocument)
{
    struct Row {
        QStringList arguments;
        QString path;
        bool guide;
    };
    const Row rows[] = {
        {{}, "", false},
        {{"\"/home/a b/maths/lesson\""}, "/home/a b/maths/lesson.lcv", false},
        {{"--timings", "work.lcv"}, "work.lcv", false},
        {{"Guide.LTG"}, "Guide.LTG", true},
        {{"first.lcv", "second.lcv"}, "first.lcv", false},
        {{"  \"\"  "}, "", false},
    };
    for (const auto& row : rows) {
        const TCommandLineDocument named = CommandLineDocument(row.arguments);
        EXPECT_EQ(named.path, row.path) << row.arguments.join(' ').toStdString();
        EXPECT_EQ(named.guideHelp, row.guide) << row.arguments.join(' ').toStdString();
    }
}

TEST(MainWindowHelpers, DocumentNamesAndCaptions)
{
    struct Row {
        QString path;
        QString name;
        QString caption;
    };
    const Row rows[] = {
        {"/home/t/maths/a.lcv", "a", "Lumacurve : a"},
        {"/home/t/Lumacurve.lcv", "", "Lumacurve"},
        {"LUMACURVE.LCV", "", "Lumacurve"},
        {"notes", "notes", "Lumacurve : notes"},
        {"", "", "Lumacurve"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DocumentNameOf(row.path), row.name) << row.path.toStdString();
        EXPECT_EQ(CaptionFor(DocumentNameOf(row.path)), row.caption) << row.path.toStdString();
    }
    EXPECT_TRUE(HasDocumentHeader("Lumacurve for windows version 3.101\r\n"));
    EXPECT_TRUE(HasDocumentHeader("LUMACURVE FOR WINDOWS VERSION 3\r\n"));
    EXPECT_FALSE(HasDocumentHeader("1,2\r\n3,4\r\n"));
}

TEST(MainWindowHelpers, PlacementsStayOnTheScreenWithASize)
{
    const QRect screen(0, 0, 1000, 800);
    const QRect current(10, 10, 600, 400);
    struct Row {
        double left, width, top, height;
        QRect expected;
    };
    const Row rows[] = {
        {0.1, 0.5, 0.1, 0.5, QRect(100, 80, 500, 400)},
        {0.1, 0, 0.1, 0, QRect(100, 80, 600, 400)},      // no size: the current one stays
        {-2, 1.5, 5, -1, QRect(0, 400, 600, 400)},       // outside: clamped and kept on the screen
        {0.9, 0.5, 0.9, 0.5, QRect(500, 400, 500, 400)}, // sticking out: moved back
    };
    for (const auto& row : rows)
        EXPECT_EQ(PlacementRect(row.left, row.width, row.top, row.height, screen, current), row.expected)
            << row.left << " " << row.width << " " << row.top << " " << row.height;
}
