#include "app/lumacurveform.h"

#include "app/configuration.h"
#include "app/document.h"
#include "app/helpwindow.h"
#include "app/mathsreader.h"
#include "app/presssomethingdlg.h"
#include "app/startupwindow.h"
#include "app/windowmessages.h"
#include "expr/declarations.h"
#include "expr/entry.h"
#include "formula/canvascontrol.h"
#include "formula/equationsscrollingwidget.h"
#include "formula/equationswindow.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "formula/mathseditor.h"
#include "graph/equationdisplayform.h"
#include "graph/graphparams.h"
#include "graph/graphwindow.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "plot/curveplotter.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* ProgramName = "Lumacurve";
constexpr const char* StartText = "Type in any equation, e.g. x+y=1";
constexpr const char* HeaderText = "Lumacurve for windows version";
constexpr const char* WhiteboardKey = "Whiteboard";

QString Str(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The settings store of the whiteboard preferences.
QSettings UserSettings()
{
    return QSettings("Brenlow", "Lumacurve");
}

} // namespace

// ---------------------------------------------------------------------------
// Helpers without a window

TCommandLineDocument CommandLineDocument(const QStringList& arguments)
{
    TCommandLineDocument result;
    for (QString argument : arguments) {
        if (argument.startsWith("--"))
            continue;
        argument = argument.trimmed();
        if (argument.size() >= 2 && argument.startsWith('"') && argument.endsWith('"'))
            argument = argument.mid(1, argument.size() - 2);
        if (argument.isEmpty())
            continue;
        if (QFileInfo(argument).suffix().isEmpty())
            argument += ".lcv";
        result.guideHelp = QFileInfo(argument).suffix().compare("ltg", Qt::CaseInsensitive) == 0;
        result.path = argument;
        break;
    }
    return result;
}

QString DocumentNameOf(const QString& path)
{
    if (path.isEmpty())
        return {};
    QString name = QFileInfo(path).fileName();
    const int extension = name.indexOf(".lcv", 0, Qt::CaseInsensitive);
    if (extension >= 0)
        name.remove(extension, 4);
    if (name.compare(ProgramName, Qt::CaseInsensitive) == 0)
        return {};
    return name;
}

QString CaptionFor(const QString& documentName)
{
    return documentName.isEmpty() ? QString(ProgramName) : QString("%1 : %2").arg(ProgramName, documentName);
}

bool HasDocumentHeader(const QByteArray& data)
{
    return data.left(64).toLower().startsWith(QByteArray(HeaderText).toLower());
}

QString DefaultDocumentPath()
{
    const QString user =
        QStandardPaths::locate(QStandardPaths::AppDataLocation, "Lumacurve.lcv", QStandardPaths::LocateFile);
    return user.isEmpty() ? QStringLiteral(":/Lumacurve.lcv") : user;
}

QRect PlacementRect(double left, double width, double top, double height, const QRect& screen,
                    const QRect& current)
{
    QRect rect = current;
    if (width > 0 && width <= 1)
        rect.setWidth(static_cast<int>(std::lround(width * screen.width())));
    if (height > 0 && height <= 1)
        rect.setHeight(static_cast<int>(std::lround(height * screen.height())));
    rect.setWidth(std::clamp(rect.width(), 200, std::max(200, screen.width())));
    rect.setHeight(std::clamp(rect.height(), 150, std::max(150, screen.height())));
    left = std::isfinite(left) ? std::clamp(left, 0.0, 0.999) : 0.0;
    top = std::isfinite(top) ? std::clamp(top, 0.0, 0.999) : 0.0;
    rect.moveTo(screen.left() + static_cast<int>(std::lround(left * screen.width())),
                screen.top() + static_cast<int>(std::lround(top * screen.height())));
    // Keep it on the screen: move it back where it sticks out.
    if (rect.right() > screen.right())
        rect.moveRight(screen.right());
    if (rect.bottom() > screen.bottom())
        rect.moveBottom(screen.bottom());
    if (rect.left() < screen.left())
        rect.moveLeft(screen.left());
    if (rect.top() < screen.top())
        rect.moveTop(screen.top());
    return rect;
}

// ---------------------------------------------------------------------------
// Construction

TLumacurveForm::TLumacurveForm(TStartOptions options, QWidget* parent)
    : TDockSiteWindow(parent), options_(std::move(options)), commands_(new TCommandList(this)),
      document_(std::make_unique<TDocument>())
{
    options_.quiet = options_.quiet || options_.screenshot;
    clock_.start();
    setObjectName("TLumacurveForm");
    // Register with the lower layers.
    MainWindow = this;
    BuildStatusLine();
    BuildPanels();
    BuildCommands();
    ShowStatusFlags(StartText, 0);
    ResetSettings();
    PublishSettings();
    UpdateCaption();
    // Alt chords and tool tips pass through the whole application first.
    qApp->installEventFilter(this);
    // Long drawings poll the keyboard: Escape abandons them and, while
    // drawing visibly, Ctrl holds them with the press-a-key prompt. Its
    // filter comes after this window's, so it sees every key first.
    keyboard_ = std::make_unique<TKeyboardInterrupt>();
    TPressSomething::InstallAsPauseHandler(*keyboard_, this);
    InstallDrawingInterrupt(keyboard_.get());
    SetLayoutLocked(false);
    if (options_.automation) {
        resize(200, 200);
        Configuration.DragCurves = false;
    } else {
        resize(1280, 800);
    }
    QCoreApplication::postEvent(this, new TMessageEvent(wmDeferredStart));
    Mark("main window created");
}

TLumacurveForm::~TLumacurveForm()
{
    qApp->removeEventFilter(this);
    if (&DrawingInterrupt() == keyboard_.get())
        InstallDrawingInterrupt(nullptr);
    if (MainWindow == this)
        MainWindow = nullptr;
    // The child windows outlive this part of the window while they are destroyed: nothing they
    // signal on the way may reach it.
    disconnect(qApp, nullptr, this, nullptr);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    equations_->OnInsertCurve = nullptr;
    equations_->OnDeleteCurve = nullptr;
    equations_->OnLinesChanged = nullptr;
    equations_->OnSelectCurve = nullptr;
    equations_->OnChangesProcessed = nullptr;
    graphArea_->AcceptsCommandQuery = nullptr;
    graphArea_->SetLineSource(nullptr);
    if (RightButtonLatch && RightButtonLatch->parent() == commands_)
        RightButtonLatch = nullptr;
    delete help_;
}

void TLumacurveForm::BuildStatusLine()
{
    auto* bottom = new QStatusBar(this);
    bottom->setObjectName("BottomPanel");
    bottom->setSizeGripEnabled(true);
    mousePosition_ = new QLabel("(x,y)", bottom);
    mousePosition_->setObjectName("MousePosition");
    mousePosition_->setMinimumWidth(180);
    mousePosition_->setContextMenuPolicy(Qt::CustomContextMenu);
    messageLabel_ = new QLabel(bottom);
    messageLabel_->setObjectName("MessageLabel");
    messageLabel_->setStyleSheet("color: #c00000; font-weight: bold;");
    bottom->addWidget(mousePosition_);
    bottom->addWidget(messageLabel_, 1);
    setStatusBar(bottom);

    mouseAccPopup_ = new QMenu(this);
    mouseAccPopup_->setObjectName("MouseAccPopUp");
    const char* figures[] = {"5.4321", "4.321", "3.21", "2.1"};
    for (int n = 0; n < 4; ++n) {
        QAction* item = mouseAccPopup_->addAction(figures[n]);
        const int count = 5 - n;
        item->setCheckable(true);
        item->setData(count);
        connect(item, &QAction::triggered, this,
                [count] { Configuration.MouseFigures = static_cast<std::uint8_t>(count); });
    }
    connect(mousePosition_, &QLabel::customContextMenuRequested, this, [this](const QPoint& point) {
        for (QAction* item : mouseAccPopup_->actions())
            item->setChecked(item->data().toInt() == Configuration.MouseFigures);
        mouseAccPopup_->popup(mousePosition_->mapToGlobal(point));
    });

    messageTimer_ = new QTimer(this);
    messageTimer_->setObjectName("MessageTimer");
    messageTimer_->setInterval(StatusTimeout);
    messageTimer_->setSingleShot(true);
    connect(messageTimer_, &QTimer::timeout, this, [this] { messageLabel_->clear(); });
    scrollBarTimer_ = new QTimer(this);
    scrollBarTimer_->setObjectName("ScrollBarTimer");
    scrollBarTimer_->setInterval(ScrollRecentre);
    scrollBarTimer_->setSingleShot(true);
    connect(scrollBarTimer_, &QTimer::timeout, this, [this] {
        for (QScrollBar* bar : {horzScrollBar_, vertScrollBar_}) {
            const QSignalBlocker blocker(bar);
            bar->setValue((bar->minimum() + bar->maximum()) / 2);
        }
    });
}

void TLumacurveForm::BuildPanels()
{
    // The equations panel: the scroller holds the equations window.
    auto* scroller = new TEquationsScrolling;
    equationsScroller_ = scroller;
    equationsScroller_->setObjectName("EquationsScroller");
    equations_ = new TEquationsWindow;
    equations_->setObjectName("EquationsWindow");
    // The box scrolls by whole lines and grows with the widest and the last line.
    scroller->SetEquationsWindow(equations_);
    equationsScroller_->setMinimumWidth(260);
    QDockWidget* equationsPanel =
        AddPanel("EquationsDockPanel", tr("Equations"), equationsScroller_, Qt::LeftDockWidgetArea);
    connect(equationsPanel, &QDockWidget::visibilityChanged, this, [this](bool) { UpdateCommands(); });

    // The graph panel: graph window, scroll bars and the four zoom buttons.
    graphPanel_ = new QWidget;
    graphPanel_->setObjectName("GraphPanel");
    auto* grid = new QGridLayout(graphPanel_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    graphArea_ = new TGraphWindow;
    graphArea_->setObjectName("GraphWindow");
    graphArea_->SetLineSource(&equations_->List());
    // The pop-up equation shows a line as the equations window lays it out,
    // without the line's indent.
    TEquationDisplay::LinePainter = [](Canvas& canvas, TEquationObject& line, bool paint) {
        if (paint) {
            canvas.MoveBy(-line.leftMargin, 0);
            PaintLine(canvas, line);
        }
        return QSize(line.width, line.height);
    };
    graphArea_->setMinimumSize(200, 150);
    horzScrollBar_ = new QScrollBar(Qt::Horizontal);
    horzScrollBar_->setObjectName("HorzScrollBar");
    vertScrollBar_ = new QScrollBar(Qt::Vertical);
    vertScrollBar_->setObjectName("VertScrollBar");
    for (QScrollBar* bar : {horzScrollBar_, vertScrollBar_}) {
        bar->setRange(0, 100);
        bar->setValue(50);
        connect(bar, &QScrollBar::valueChanged, scrollBarTimer_, qOverload<>(&QTimer::start));
    }
    grid->addWidget(graphArea_, 0, 0);
    grid->addWidget(vertScrollBar_, 0, 1);
    // The horizontal scroll bar shares its row with the four zoom buttons.
    auto* bottomRow = new QHBoxLayout;
    bottomRow->setSpacing(0);
    bottomRow->addWidget(horzScrollBar_, 1);
    grid->addLayout(bottomRow, 1, 0, 1, 2);
    QDockWidget* graphPanel =
        AddPanel("GraphWindowDockPanel", tr("Graphs"), graphPanel_, Qt::RightDockWidgetArea);
    SetAlwaysMovablePanel(graphPanel);
    splitDockWidget(equationsPanel, graphPanel, Qt::Horizontal);
    resizeDocks({equationsPanel, graphPanel}, {330, 950}, Qt::Horizontal);
}

void TLumacurveForm::BuildCommands()
{
    BuildMenus();
    BuildToolbars();
    BuildKeypad();
    BuildPopup();
    RegisterHandlers();
    RegisterDocumentHandlers();
    RegisterScaleHandlers();
    RegisterInsertHandlers();
    ConnectEquations();
    // The insert commands follow the maths editor that has the focus.
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateCommands(); });
    // The zoom buttons beside the scroll bars.
    auto* grid = static_cast<QGridLayout*>(graphPanel_->layout());
    auto* row = static_cast<QHBoxLayout*>(grid->itemAtPosition(1, 0)->layout());
    for (const char* name : {"HorzZoomOutBtn", "HorzZoomInBtn", "VertZoomOutBtn", "VertZoomInBtn"}) {
        auto* button = new QToolButton;
        button->setObjectName(name);
        button->setDefaultAction(commands_->Action(name));
        button->setAutoRaise(true);
        row->addWidget(button);
    }
    RightButtonLatch = commands_->Action("KeyBtnRightMouseAct");
    UpdateCommands();
}

void TLumacurveForm::BuildMenus()
{
    for (const auto& layout : MainMenus()) {
        QMenu* menu = menuBar()->addMenu(Str(layout.caption));
        menu->setObjectName(Str(layout.name));
        std::vector<QMenu*> stack{menu};
        for (std::string_view entry : layout.entries) {
            if (entry == "-") {
                stack.back()->addSeparator();
            } else if (entry.front() == '>') {
                QMenu* sub = stack.back()->addMenu(Str(entry.substr(1)));
                sub->setObjectName(Str(entry.substr(1)).remove('&').remove(' '));
                stack.push_back(sub);
            } else if (entry == "<") {
                stack.pop_back();
            } else if (QAction* action = commands_->Action(entry)) {
                stack.back()->addAction(action);
            }
        }
        // Menu items hidden by the program's state (Lumatutor) are hidden here too.
        if (layout.name == "Help1")
            commands_->Action("ActionLumatutor")->setVisible(false);
    }
}

void TLumacurveForm::BuildToolbars()
{
    static const char* SideWords[] = {"Top", "Bottom", "Left", "Right", "Floating"};
    for (const auto& layout : Toolbars()) {
        QToolBar* bar = AddBar(Str(layout.name), Str(layout.caption),
                               SideWords[static_cast<int>(layout.side)], layout.visible);
        for (std::string_view name : layout.commands) {
            if (name == "-")
                bar->addSeparator();
            else if (QAction* action = commands_->Action(name))
                bar->addAction(action);
        }
    }
}

void TLumacurveForm::BuildKeypad()
{
    QToolBar* bar = Bar("ToolbarKeypad");
    keypad_ = new QWidget(bar);
    keypad_->setObjectName("KeypadKeys");
    auto* grid = new QGridLayout(keypad_);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(1);
    constexpr int Columns = 4;
    int place[3] = {0, 0, 0};
    std::vector<std::pair<QToolButton*, int>> grouped;
    for (const auto& key : KeypadKeys()) {
        auto* button = new QToolButton(keypad_);
        button->setText(Str(key.caption));
        button->setObjectName("Key_" + Str(key.caption));
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumWidth(22);
        // The keys fill their places in the grid.
        button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        const QString types = Str(key.types);
        const bool minusOne = key.caption == "-1";
        connect(button, &QToolButton::clicked, this, [this, types, minusOne] {
            if (minusOne)
                QuickSuperscript = true;
            TypeKeys(types);
        });
        // Groups 1 and 2 share their places; fixed keys follow them.
        const int group = key.group;
        const int index = group == 0 ? 20 + place[0]++ : place[group]++;
        grid->addWidget(button, index / Columns, index % Columns);
        if (group != 0)
            grouped.emplace_back(button, group);
        if (group == 2)
            button->hide();
    }
    int index = 20 + place[0];
    for (const char* name : {"KeybtnAltAct", "KeyBtnFnAct", "KeyBtnRightMouseAct", "KeyBtnHelpAct"}) {
        auto* button = new QToolButton(keypad_);
        button->setObjectName(QString(name).replace("Act", "Btn"));
        button->setDefaultAction(commands_->Action(name));
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        grid->addWidget(button, index / Columns, index % Columns);
        ++index;
    }
    connect(commands_->Action("KeyBtnFnAct"), &QAction::toggled, this, [grouped](bool second) {
        for (const auto& [button, group] : grouped)
            button->setVisible((group == 2) == second);
    });
    // The keys keep their captions whole, whatever size a document or the
    // whiteboard preferences give the keypad's window.
    keypad_->setMinimumSize(keypad_->sizeHint());
    bar->addWidget(keypad_);
    // Its floating window takes the keys' size now that they exist.
    TToolbarPlace keypadPlace = RecordOf(bar);
    keypadPlace.bounds[2] = bar->sizeHint().width();
    keypadPlace.bounds[3] = bar->sizeHint().height();
    ApplyToolbarRecord(keypadPlace);
}

void TLumacurveForm::BuildPopup()
{
    graphPopup_ = new QMenu(this);
    graphPopup_->setObjectName("GraphPopupMenu");
    std::vector<QMenu*> submenus(PopupItems().size(), nullptr);
    int index = 0;
    for (const auto& item : PopupItems()) {
        QMenu* owner = item.submenu ? submenus[static_cast<std::size_t>(item.submenu)] : graphPopup_;
        const bool heading =
            index > 0 && std::any_of(PopupItems().begin(), PopupItems().end(),
                                     [index](const TPopupItem& other) { return other.submenu == index; });
        if (heading) {
            QMenu* sub = owner->addMenu(Str(item.caption));
            submenus[static_cast<std::size_t>(index)] = sub;
            sub->menuAction()->setData(index);
            sub->menuAction()->setEnabled(false); // none of its items is offered yet
        } else {
            QAction* action = owner->addAction(Str(item.caption));
            action->setData(index);
            // "Delete" acts on the line under the mouse; the objects' own popup actions are not offered yet.
            action->setEnabled(false);
            if (index == 0)
                popupDelete_ = action;
        }
        ++index;
    }
}

// ---------------------------------------------------------------------------
// Command handlers

void TLumacurveForm::RegisterHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionFileNew", [this] { ClearAll(true); });
    c.SetHandler("ActionClearCurves", [this] { ClearAll(false); });
    c.SetHandler("ActionExit", [this] { close(); });
    c.SetHandler("Actioncopyscreen", [this] { CopyPicture(TPictureArea::Screen); });
    c.SetHandler("ActionCopyGraph", [this] { CopyPicture(TPictureArea::Graphs); });
    c.SetHandler("ActionCopyEquations", [this] { CopyPicture(TPictureArea::Equations); });
    c.SetHandler("ActionPrint2", [this] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(ProgramName);
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() == QDialog::Accepted)
            Print(printer);
    });
    c.SetHandler("ActionRedraw", [this] {
        graphArea_->RedrawAll();
        EquationsArea()->update();
    });
    c.SetHandler("ActionToolbars", [this] {
        QMenu* chooser = createPopupMenu();
        chooser->setAttribute(Qt::WA_DeleteOnClose);
        chooser->popup(QPoint(400, 80));
    });
    c.SetHandler("ActionLoadToolbars", [this] {
        if (!LoadBars())
            ShowStatusFlags(tr("No toolbar arrangement has been saved yet"), 3);
    });
    c.SetHandler("ActionSaveToolbars", [this] {
        if (!SaveBars())
            Message(tr("The toolbar arrangement could not be saved in %1").arg(BarsFile()),
                    QMessageBox::Warning);
    });
    c.SetHandler("ActionWhiteboard",
                 [this] { SetWhiteboard(commands_->Action("ActionWhiteboard")->isChecked()); });
    c.SetHandler("ActionWhiteboardSettings", [this] { WhiteboardSettings(); });
    c.SetHandler("ActionEquationsWindow", [this] { (void)ActiveMathsWindow(); });
    c.SetHandler("ActionDegrees", [this] { SetAngleMeasure(false); });
    c.SetHandler("ActionRadians", [this] { SetAngleMeasure(true); });
    c.SetHandler("ActionHelpContents", [this] { ShowHelp(0); });
    c.SetHandler("KeyBtnHelpAct", [this] { ShowHelp(215); });
    c.SetHandler("ActionAbout", [this] { ShowStartupScreen(); });
    c.SetHandler("ActionToolTips",
                 [this] { Configuration.ShowHints = commands_->Action("ActionToolTips")->isChecked(); });
    c.SetHandler("ActionShowGraphNames", [this] {
        Configuration.ShowGraphNames = commands_->Action("ActionShowGraphNames")->isChecked();
    });
    c.SetHandler("ActionLumatutor", [this] {
        if (!guideHelp_.isEmpty())
            HelpWindow()->ShowGuideFile(guideHelp_);
    });
    c.SetHandler("KeybtnAltAct",
                 [this] { QuickSuperscript = commands_->Action("KeybtnAltAct")->isChecked(); });
    c.SetHandler("KeyBtnFnAct", [] {});         // the toggled signal switches the key groups
    c.SetHandler("KeyBtnRightMouseAct", [] {}); // the canvas controls read the latch
    commands_->Action("ActionToolTips")->setChecked(Configuration.ShowHints);
    commands_->Action("ActionShowGraphNames")->setChecked(Configuration.ShowGraphNames);
    commands_->Action("ActionDegrees")->setChecked(!Configuration.Radians());
    commands_->Action("ActionRadians")->setChecked(Configuration.Radians());
}

void TLumacurveForm::RegisterInsertHandlers()
{
    // Index, fraction, square root and pi go to the maths editor with the focus; the
    // other four go to the equations window's editor, which is the active one there.
    auto& c = *commands_;
    auto toEditor = [this](void (TMathsEditor::*insert)(), bool equationsOnly) {
        return [this, insert, equationsOnly] {
            TMathsEditor* editor = equationsOnly || !ActiveMathsEditor ? equations_ : ActiveMathsEditor;
            if (editor == equations_)
                (void)ActiveMathsWindow();
            (editor->*insert)();
        };
    };
    c.SetHandler("ActionInsertSuper", toEditor(&TMathsEditor::InsertIndex, false));
    c.SetHandler("ActionInsFraction", toEditor(&TMathsEditor::InsertFraction, false));
    c.SetHandler("ActionInsSqroot", toEditor(&TMathsEditor::InsertSquareRoot, false));
    c.SetHandler("ActionInsPi", toEditor(&TMathsEditor::InsertPi, false));
    c.SetHandler("ActionInsTheta", toEditor(&TMathsEditor::InsertTheta, true));
    c.SetHandler("ActionInsplusminus", toEditor(&TMathsEditor::InsertPlusMinus, true));
    // The editor's own chords type the two comparison signs.
    auto chord = [this](Qt::Key key) {
        return [this, key] {
            (void)ActiveMathsWindow();
            QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
            QCoreApplication::sendEvent(equations_, &press);
        };
    };
    c.SetHandler("ActionInsLessEq", chord(Qt::Key_Comma));
    c.SetHandler("ActionInsGreaterEq", chord(Qt::Key_Period));
}

int TLumacurveForm::SelectedLine() const
{
    const int index = equations_->SelectedIndex();
    return index >= 0 && index < equations_->Count() ? index : -1;
}

void TLumacurveForm::ConnectEquations()
{
    equations_->OnInsertCurve = [this](TEquationObject*) {
        graphArea_->LinesChanged(0);
        if (loading_)
            return; // a document or snapshot being put in place is one step, recorded afterwards
        SetModified(true);
        UndoPostAction();
    };
    equations_->OnDeleteCurve = [this](TEquationObject*) { graphArea_->RemoveTrace(); };
    equations_->OnLinesChanged = [this] {
        graphArea_->LinesChanged(0);
        if (!loading_)
            SetModified(true);
    };
    equations_->OnSelectCurve = [this](TEquationsWindow*, TEquationObject*, bool) {
        graphArea_->SelectLine(SelectedLine());
        UpdateCommands();
    };
    equations_->OnChangesProcessed = [this] { UpdateCommands(); };
    graphArea_->AcceptsCommandQuery = [this] { return !equations_->Line(); };
    auto& c = *commands_;
    c.SetHandler("ActionDeleteCurve", [this] {
        if (TEquationObject* object = equations_->SelectedObject()) {
            const QString refusal = equations_->DeleteCurve(object);
            if (refusal.isEmpty()) {
                SetModified(true);
                UndoPostAction();
            }
        }
    });
    c.SetHandler("ActionDeleteSecondaries", [this] {
        if (TEquationObject* object = equations_->SelectedObject()) {
            equations_->DeleteDependents(object);
            SetModified(true);
            UndoPostAction();
        }
    });
    auto clipboard = [this](void (TMathsEditor::*operation)(), bool changes) {
        return [this, operation, changes] {
            auto* editor = qobject_cast<TMathsEditor*>(ActiveMathsWindow());
            if (!editor)
                return;
            (editor->*operation)();
            if (changes && editor == equations_) {
                SetModified(true);
                UndoPostAction();
            }
        };
    };
    c.SetHandler("ActionCopy", clipboard(&TMathsEditor::CopyToClipboard, false));
    c.SetHandler("ActionCut", clipboard(&TMathsEditor::CutToClipboard, true));
    c.SetHandler("ActionPaste", clipboard(&TMathsEditor::PasteFromClipboard, true));
}

void TLumacurveForm::RegisterDocumentHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionFileOpen", [this] {
        if (!AskToSave())
            return;
        const QString path = QFileDialog::getOpenFileName(
            this, tr("Open"), QFileInfo(documentPath_).absolutePath(),
            tr("Lumacurve documents (*.lcv);;Guide help (*.ltg);;All files (*)"));
        if (!path.isEmpty())
            OpenFile(path);
    });
    c.SetHandler("ActionFileSave", [this] { SaveDocument(documentPath_); });
    c.SetHandler("ActionUndo", [this] {
        if (const std::string* snapshot = undo_.Undo()) {
            RestoreSnapshot(*snapshot);
            SetModified(true);
        }
    });
    c.SetHandler("ActionRedo", [this] {
        if (const std::string* snapshot = undo_.Redo()) {
            RestoreSnapshot(*snapshot);
            SetModified(true);
        }
    });
}

void TLumacurveForm::RegisterScaleHandlers()
{
    auto& c = *commands_;
    TGraphWindow* graph = graphArea_;
    TGraphParams& params = graph->Params();
    auto scaled = [this](std::function<void()> change) {
        return [this, change] {
            change();
            SetModified(true);
            graphArea_->update();
            UpdateCommands();
        };
    };
    c.SetHandler("ActionUndoZoom", scaled([&params, graph] { params.PreviousScales(graph); }));
    c.SetHandler("ActionLastScales", scaled([&params, graph] { params.PreviousScales(graph); }));
    c.SetHandler("ActionRedoZoom", scaled([&params, graph] { params.NextScales(graph); }));
    c.SetHandler("ActionClearScaleList", scaled([&params, graph] { params.ClearHistory(graph); }));
    c.SetHandler("ActionSquareScales", scaled([&params, graph] { params.ToggleSquare(graph); }));
    c.SetHandler("ActionGraphPaper", scaled([this, &params, graph] {
                     params.ToggleGraphPaper(graph);
                     commands_->Action("ActionGraphPaper")->setChecked(params.GraphPaperOn());
                 }));
    c.SetHandler("ActionTrigScales", scaled([&params, graph] {
                     const bool drag = Configuration.DragCurves;
                     Configuration.DragCurves = false;
                     params.TrigonometricScales(graph);
                     Configuration.DragCurves = drag;
                 }));
    c.SetHandler("ActionPositiveScales", scaled([&params, graph] { params.PositiveScales(graph); }));
    c.SetHandler("ActionResetScales", scaled([&params, graph] { params.ResetScales(graph); }));
    c.SetHandler("HorzZoomOutBtn",
                 scaled([&params, graph] { params.ZoomAxis(0, graph, TGraphParams::ZoomOutFactor()); }));
    c.SetHandler("HorzZoomInBtn",
                 scaled([&params, graph] { params.ZoomAxis(0, graph, TGraphParams::ZoomInFactor()); }));
    c.SetHandler("VertZoomOutBtn",
                 scaled([&params, graph] { params.ZoomAxis(1, graph, TGraphParams::ZoomOutFactor()); }));
    c.SetHandler("VertZoomInBtn",
                 scaled([&params, graph] { params.ZoomAxis(1, graph, TGraphParams::ZoomInFactor()); }));
    connect(graph, &TGraphWindow::SquareChecked, this,
            [this](bool square) { commands_->Action("ActionSquareScales")->setChecked(square); });
    connect(graph, &TGraphWindow::ScaleListUpdated, this, [this] { UpdateCommands(); });
    // The scales are part of the document: a zoom or a pan by the mouse is a change to save.
    connect(graph, &TGraphWindow::ScalesChanged, this, [this] {
        if (!loading_)
            SetModified(true);
    });
    connect(graph, &TGraphWindow::CoordinatesShown, this, [this](const QString& text, int panelWidth) {
        mousePosition_->setText(text);
        mousePosition_->setMinimumWidth(std::max(180, panelWidth));
    });
    connect(graph, &TGraphWindow::LineSelected, this, [this](int index) {
        if (index >= 0)
            equations_->SelectLine(index);
        else
            equations_->Deselect();
    });
    connect(graph, &TGraphWindow::KeyForEquations, this,
            [this](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
                QWidget* target = ActiveMathsWindow();
                QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
                QCoreApplication::sendEvent(target, &press);
            });
    // Both windows pop up one menu, for the line under the mouse.
    for (TCanvasControl* control :
         {static_cast<TCanvasControl*>(graph), static_cast<TCanvasControl*>(equations_)}) {
        control->PopupMenu = graphPopup_;
        control->OnContextPopup = [this](TCanvasControl* sender, QPoint point, bool&) {
            popupObject_ = dynamic_cast<TEquationObject*>(sender->ObjectAt(point));
            popupDelete_->setEnabled(popupObject_ && !equations_->Line());
        };
    }
    connect(popupDelete_, &QAction::triggered, this, [this] {
        TEquationObject* object = popupObject_;
        popupObject_ = nullptr;
        if (!object || equations_->List().IndexOf(object) < 0 || equations_->Line())
            return;
        if (equations_->DeleteCurve(object).isEmpty()) {
            SetModified(true);
            UndoPostAction();
        }
    });
    // The mouse-mode commands drive the graph window's tools; trace is one of them.
    commands_->SetModeHandler([this](int code) {
        if (code == 399) {
            graphArea_->SetMouseMode(305);
            graphArea_->SetTraceMode(true);
            if (!traceHintShown_) {
                traceHintShown_ = true;
                ShowStatusFlags(
                    tr("Click on a curve then use the right or left arrow keys to move the trace point"), 3);
            }
            return;
        }
        graphArea_->SetTraceMode(false);
        graphArea_->SetMouseMode(code);
    });
    graphArea_->SetMouseMode(commands_->CheckedMode());
}

void TLumacurveForm::SetAngleMeasure(bool radians)
{
    Configuration.AngleFactor = radians ? RadiansFactor : DegreesFactor;
    PublishSettings();
    commands_->Action("ActionDegrees")->setChecked(!radians);
    commands_->Action("ActionRadians")->setChecked(radians);
    SetModified(true);
    graphArea_->update();
}

void TLumacurveForm::UpdateCommands()
{
    TCommandFacts facts = commands_->Facts();
    facts.undoIndex = undo_.Index();
    facts.editingFixedLine = false; // the equations window always takes insertions
    const TEquationObject* selected = equations_->SelectedObject();
    facts.hasObject = selected != nullptr;
    facts.flags = selected ? selected->PropertyFlags() : 0;
    facts.objectValid = selected && selected->IsValid();
    facts.editing = equations_->Line() != nullptr;
    facts.scaleListCount = static_cast<int>(graphArea_->Params().History.size());
    facts.selectedDynamicConstant = false;
    facts.undoCount = undo_.Count();
    facts.dragCurves = Configuration.DragCurves;
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    facts.clipboardHasText = clip && clip->hasText();
    commands_->Update(facts);
    commands_->Action("ActionLumatutor")->setVisible(!guideHelp_.isEmpty());
}

// ---------------------------------------------------------------------------
// Status line, help, messages

void TLumacurveForm::ShowStatus(std::string_view text, bool beep, bool timeout)
{
    ShowStatusFlags(QString::fromLocal8Bit(text.data(), qsizetype(text.size())),
                    (beep ? 1 : 0) | (timeout ? 2 : 0));
}

void TLumacurveForm::ShowStatusFlags(const QString& text, int flags)
{
    lastStatusFlags_ = flags;
    if (flags & 1)
        QApplication::beep();
    messageLabel_->clear();
    messageTimer_->stop();
    if (text.isEmpty())
        return;
    messageLabel_->setText(text);
    if (flags & 2)
        messageTimer_->start();
}

THelpWindow* TLumacurveForm::HelpWindow()
{
    if (!help_)
        help_ = new THelpWindow(nullptr);
    return help_;
}

void TLumacurveForm::ShowHelp(int topic)
{
    if (topic == 0)
        HelpWindow()->ShowContents();
    else
        HelpWindow()->ShowTopic(topic);
}

void TLumacurveForm::Message(const QString& text, int icon, int helpTopic)
{
    lastMessage_ = text;
    if (options_.quiet) {
        std::fprintf(stderr, "lumacurve: %s\n", qPrintable(text));
        return;
    }
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), ProgramName, text, QMessageBox::Ok, this);
    if (helpTopic)
        box.addButton(QMessageBox::Help);
    if (box.exec() == QMessageBox::Help)
        ShowHelp(helpTopic);
}

void TLumacurveForm::Mark(const QString& phase)
{
    timings_.emplace_back(phase, clock_.elapsed());
    if (options_.timings)
        std::fprintf(stderr, "lumacurve: %6lld ms  %s\n", static_cast<long long>(clock_.elapsed()),
                     qPrintable(phase));
}

// ---------------------------------------------------------------------------
// Window messages, start-up, closing

bool TLumacurveForm::event(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case wmDeferredStart:
        DeferredStartup();
        return true;
    case wmPrimaryIndex: {
        auto* query = static_cast<TObjectMessageEvent*>(event);
        query->answer = query->object ? equations_->List().IndexOf(query->object) : -1;
        return true;
    }
    case wmWindowPlacement:
        ApplyPlacement(*static_cast<TPlacementEvent*>(event));
        return true;
    case wmRemeasure:
        equations_->RemeasureAll();
        equations_->update();
        return true;
    default:
        break;
    }
    return TDockSiteWindow::event(event);
}

bool TLumacurveForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !Configuration.ShowHints)
        return true;
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto modifiers = key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
        auto* editor = qobject_cast<TMathsEditor*>(QApplication::focusWidget());
        if (modifiers == Qt::AltModifier && editor && watched == editor) {
            // A chord the editor used before the shortcuts saw it: its key press is spent.
            if (event->type() == QEvent::KeyPress && chordKey_ == key->key()) {
                chordKey_ = 0;
                return true;
            }
            // The focused editor answers whether the chord is a quick index; other chords reach the menus.
            TAltChordEvent chord(key->key(), key->modifiers().testFlag(Qt::KeypadModifier));
            QCoreApplication::sendEvent(editor, &chord);
            if (chord.answered) {
                chordKey_ = event->type() == QEvent::ShortcutOverride ? key->key() : 0;
                event->accept();
                return true;
            }
        }
    }
    return TDockSiteWindow::eventFilter(watched, event);
}

void TLumacurveForm::DeferredStartup()
{
    Mark("deferred start-up");
    // The pixel aspect ratio for the whole program.
    if (QScreen* screen = this->screen())
        SetDeviceMetrics(static_cast<int>(std::lround(screen->physicalDotsPerInchX())),
                         static_cast<int>(std::lround(screen->physicalDotsPerInchY())));
    if (!options_.automation) {
        const TCommandLineDocument named = CommandLineDocument(options_.arguments);
        if (named.guideHelp) {
            OpenGuideHelp(named.path);
        } else if (!named.path.isEmpty()) {
            openFailed_ = !OpenFile(named.path);
        } else if (!options_.noDefaultDocument) {
            OpenFile(DefaultDocumentPath());
        }
        Mark("document opened");
    }
    if (!options_.automation && !options_.screenshot)
        ShowStartupScreen();
    else
        BusyCursorFlag = true;
    MeasureAutomaticAccuracy();
    Mark("automatic accuracy measured");
    started_ = true;
    UpdateCommands();
    emit StartupFinished();
}

void TLumacurveForm::MeasureAutomaticAccuracy()
{
    // The test curve is drawn as a graph would draw it, off screen, and timed.
    QImage image(400, 300, QImage::Format_RGB32);
    TFixedScaleHost host(image.width(), image.height(), QFont(QString::fromStdString(EquationsFontName), 10),
                         &image);
    TGraphParams params(&host);
    TEditor line;
    TParseParams parse;
    std::unique_ptr<TEquationObject> object;
    try {
        line.SetElements(ElementsFromText("y=sin(3x)+{/{1}{2}cos x"));
        object = ClassifyLine(line, parse);
    } catch (const eReaderror&) {
        return;
    }
    auto* curve = dynamic_cast<TCurvePLotter*>(object.get());
    if (!curve)
        return;
    Canvas canvas(&image);
    const QRect rect = image.rect();
    params.PaintRect = &rect;
    AutomaticAccuracy = ::MeasureAutomaticAccuracy(*curve, canvas, params);
    params.PaintRect = nullptr;
    if (Configuration.AutoAccuracy)
        Configuration.Accuracy = static_cast<std::int16_t>(AutomaticAccuracy);
}

void TLumacurveForm::ShowStartupScreen()
{
    if (startupWindow_)
        return;
    startupWindow_ = new TStartupWindow(this);
    // Curves show no busy cursor while the start-up picture is up.
    BusyCursorFlag = false;
    connect(startupWindow_, &QObject::destroyed, this, [] { BusyCursorFlag = true; });
    const QRect frame = isVisible() ? geometry() : screen()->availableGeometry();
    startupWindow_->move(frame.center() - startupWindow_->rect().center());
    startupWindow_->show();
}

void TLumacurveForm::ApplyPlacement(const TPlacementEvent& placement)
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const QRect rect = PlacementRect(placement.left, placement.width, placement.top, placement.height,
                                     available, normalGeometry());
    if (isMaximized() || isMinimized()) {
        // The placement becomes the restored one.
        setWindowState(Qt::WindowNoState);
        setGeometry(rect);
    } else {
        setGeometry(rect);
    }
    if (placement.state == 2)
        setWindowState(Qt::WindowMaximized);
    else if (placement.state == 1)
        setWindowState(Qt::WindowMinimized);
}

void TLumacurveForm::closeEvent(QCloseEvent* event)
{
    if (options_.automation ? true : AskToSave()) {
        if (help_)
            help_->close();
        event->accept();
    } else {
        event->ignore();
    }
}

// ---------------------------------------------------------------------------
// Documents

void TLumacurveForm::SetModified(bool modified)
{
    // The caption names the document only (it is written into documents and
    // printed page headers), so the window's own modified mark is not used.
    modified_ = modified;
}

void TLumacurveForm::SetDocumentPath(const QString& path)
{
    documentPath_ =
        path.startsWith(":/") ? QString() : (path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath());
    UpdateCaption();
}

void TLumacurveForm::UpdateCaption()
{
    setWindowTitle(
        CaptionFor(guideHelp_.isEmpty() ? DocumentName() : QFileInfo(guideHelp_).completeBaseName()));
}

bool TLumacurveForm::AskToSave()
{
    // Asked whenever something is modified, so that no change is lost silently.
    if (!modified_)
        return true;
    switch (SaveQuestion()) {
    case QMessageBox::Cancel:
        return false;
    case QMessageBox::Yes:
        return SaveDocument(documentPath_);
    default:
        return true;
    }
}

int TLumacurveForm::SaveQuestion()
{
    if (options_.quiet) {
        std::fprintf(stderr, "lumacurve: the document was modified and is not saved\n");
        return QMessageBox::No;
    }
    QMessageBox box(QMessageBox::Question, ProgramName, tr("Should I save the curves?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec();
}

void TLumacurveForm::ClearAll(bool resetScales)
{
    if (!AskToSave())
        return;
    if (equations_->Count() > 0)
        undo_.DropRedo();
    graphArea_->ClearGraphObjects();
    loading_ = true;
    equations_->ClearAll();
    loading_ = false;
    graphArea_->LinesChanged(0);
    document_->commentary.reset();
    SetDocumentPath({});
    if (resetScales)
        graphArea_->Params().ResetScales(graphArea_);
    Configuration.ClearPassword();
    graphArea_->update();
    EquationsArea()->update();
    SetModified(false);
    ShowStatusFlags(StartText, 0);
    UndoPostAction();
}

bool TLumacurveForm::OpenFile(const QString& path)
{
    if (QFileInfo(path).suffix().compare("ltg", Qt::CaseInsensitive) == 0) {
        OpenGuideHelp(path);
        return true;
    }
    if (!QFileInfo::exists(path)) {
        Message(tr("The file %1 does not exist.").arg(QDir::toNativeSeparators(path)), QMessageBox::Warning);
        return false;
    }
    // The file is read into a fresh document: the one on screen stays untouched when the read fails.
    graphArea_->RemoveTrace();
    auto document = std::make_unique<TDocument>();
    std::string error;
    TReadResult result = TReadResult::NotDocument;
    if (!LoadDocument(path, *document, error, &result)) {
        Message(QString::fromStdString(error), QMessageBox::Information);
        return false;
    }
    const bool damaged = !document->warnings.empty();
    QString skipped;
    for (const auto& warning : document->warnings)
        skipped += QString("\nline %1: %2").arg(warning.line).arg(QString::fromStdString(warning.text));
    // The present state is one step back from the opened document.
    undo_.Record(Snapshot());
    LoadDocumentIntoWindows(std::move(document));
    // Every successful read names the save target, unless guide help is loaded.
    if (guideHelp_.isEmpty() && result == TReadResult::Document)
        SetDocumentPath(path);
    SetModified(false);
    UndoPostAction();
    if (damaged)
        Message(tr("I got stuck but have done my best.") + "\n" + skipped.left(2000),
                QMessageBox::Information);
    return true;
}

void TLumacurveForm::LoadDocumentIntoWindows(std::unique_ptr<TDocument> document)
{
    const bool whiteboardBefore = whiteboard_;
    graphArea_->ClearGraphObjects();
    loading_ = true;
    equations_->ClearAll();
    loading_ = false;
    document_ = std::move(document);
    document_->ApplySettings();
    if (Configuration.AutoAccuracy)
        Configuration.Accuracy = static_cast<std::int16_t>(AutomaticAccuracy);
    document_->ApplyScales(graphArea_->Params(), graphArea_);
    // The lines pass to the equations window, which the graph draws from.
    PutLines(document_->lines, document_->selectedLine);
    graphArea_->RedrawAll();
    if (document_->window) {
        const TWindowRecord& window = *document_->window;
        TPlacementEvent placement(static_cast<double>(window.left), static_cast<double>(window.wide),
                                  static_cast<double>(window.top), static_cast<double>(window.high),
                                  window.state);
        if (!options_.screenshot)
            ApplyPlacement(placement);
    }
    SetLayoutLocked(false);
    if (document_->screenLayout)
        RestoreLayoutText(*document_->screenLayout);
    if (!document_->toolbars.empty()) {
        HideAllBars();
        const bool rows = CompareVersions(document_->fileVersion, "3.004") > 0;
        for (const auto& record : document_->toolbars)
            ApplyToolbarRecord(record, rows);
    }
    SetLayoutLocked(!document_->dragLayout);
    ApplyArrangement(CurrentArrangement()); // the document's font and background
    if (document_->whiteboard && !whiteboardBefore)
        SetWhiteboard(true);
    commands_->Action("ActionToolTips")->setChecked(Configuration.ShowHints);
    commands_->Action("ActionShowGraphNames")->setChecked(Configuration.ShowGraphNames);
    commands_->Action("ActionDynamicCUrves")->setChecked(Configuration.DragCurves);
    commands_->Action("ActionDegrees")->setChecked(!Configuration.Radians());
    commands_->Action("ActionRadians")->setChecked(Configuration.Radians());
    commands_->Action("ActionGraphPaper")->setChecked(graphArea_->Params().GraphPaperOn());
    graphArea_->update();
    EquationsArea()->update();
    UpdateCommands();
}

void TLumacurveForm::CaptureDocument()
{
    TDocument& document = *document_;
    document.CaptureSettings();
    document.CaptureScales(graphArea_->Params());
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->geometry() : QRect(0, 0, 1280, 800);
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    TWindowRecord window;
    window.caption = windowTitle().toStdString();
    window.left = Extended(normal.left() - available.left()) / available.width();
    window.wide = Extended(normal.width()) / available.width();
    window.top = Extended(normal.top() - available.top()) / available.height();
    window.high = Extended(normal.height()) / available.height();
    window.state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    document.window = window;
    document.screenLayout = LayoutText();
    document.toolbars = ToolbarRecords();
    document.whiteboard = whiteboard_;
    document.dragLayout = !LayoutLocked();
}

std::string TLumacurveForm::Snapshot() const
{
    return EquationListText(equations_->List().Lines(), SelectedLine());
}

void TLumacurveForm::RestoreSnapshot(const std::string& snapshot)
{
    TOwnedLines lines;
    int selected = -1;
    (void)ReadEquationListText(snapshot, lines, selected);
    // The mouse tool and the trace marker go before the lines they may point at.
    graphArea_->ClearGraphObjects();
    loading_ = true;
    equations_->ClearAll();
    loading_ = false;
    PutLines(lines, selected);
    EquationsArea()->update();
    UpdateCommands();
}

void TLumacurveForm::PutLines(TOwnedLines& lines, int selected)
{
    loading_ = true;
    for (auto& line : lines.lines)
        equations_->InsertObject(std::move(line));
    loading_ = false;
    lines.lines.clear();
    equations_->RemeasureAll();
    if (selected >= 0 && selected < equations_->Count())
        equations_->SetSelected(selected);
    graphArea_->SelectLine(SelectedLine());
    graphArea_->LinesChanged(0);
}

TGraphParams& TLumacurveForm::GraphParams()
{
    return graphArea_->Params();
}

void TLumacurveForm::OpenGuideHelp(const QString& path)
{
    if (!HelpWindow()->ShowGuideFile(path)) {
        Message(tr("The guide help file %1 cannot be read.").arg(QDir::toNativeSeparators(path)),
                QMessageBox::Warning);
        return;
    }
    guideHelp_ = QFileInfo(path).absoluteFilePath();
    commands_->Action("ActionLumatutor")->setText(QFileInfo(path).completeBaseName());
    UpdateCaption();
    UpdateCommands();
}

bool TLumacurveForm::SaveDocument(const QString& path)
{
    if (!equations_->FinishPendingEdit()) {
        Message(tr("You must correct the fault in the equation before I can save."), QMessageBox::Warning);
        return false;
    }
    for (int n = 0; n < equations_->Count(); ++n)
        if (dynamic_cast<TNeedsDefinitions*>(equations_->ItemAt(n))) {
            Message(tr("You must define all constants and functions before saving"), QMessageBox::Warning,
                    206);
            return false;
        }
    QString target = path;
    if (target.isEmpty()) {
        if (options_.quiet)
            return false;
        const QString suggested = documentPath_.isEmpty() ? QStringLiteral("Lumacurve.lcv") : documentPath_;
        target = QFileDialog::getSaveFileName(this, tr("Save"), suggested, tr("Lumacurve documents (*.lcv)"));
        if (target.isEmpty())
            return false;
        if (QFileInfo(target).suffix().isEmpty())
            target += ".lcv";
    }
    CaptureDocument();
    // The document's sections, with the equation records of the equations window at the end.
    document_->lines.lines.clear();
    document_->selectedLine = SelectedLine();
    std::string error;
    const std::vector<TEquationObject*> lines = equations_->List().Lines();
    if (!::SaveDocument(*document_, target, error, &lines)) {
        // The previous file is whole, and the document still counts as modified under its old name.
        QString reason = QString::fromStdString(error);
        if (!reason.isEmpty())
            reason[0] = reason[0].toUpper();
        Message(reason, QMessageBox::Warning);
        return false;
    }
    SetDocumentPath(target);
    SetModified(false);
    return true;
}

// ---------------------------------------------------------------------------
// Pictures and printing

QWidget* TLumacurveForm::EquationsArea() const
{
    return equationsScroller_->widget();
}
TGraphWindow* TLumacurveForm::GraphArea() const
{
    return graphArea_;
}

QWidget* TLumacurveForm::AreaSource(TPictureArea area, QRect& sourceRect) const
{
    QWidget* source = area == TPictureArea::Graphs ? graphArea_
                      : area == TPictureArea::Equations
                          ? static_cast<QWidget*>(equationsScroller_->viewport())
                          : const_cast<TLumacurveForm*>(this);
    sourceRect = source->rect();
    if (area == TPictureArea::Screen) {
        // The dock site: the panels without the menu, the toolbars and the status line.
        QRect docks;
        for (QDockWidget* panel : findChildren<QDockWidget*>())
            if (panel->isVisible() && !panel->isFloating())
                docks = docks.united(panel->geometry());
        if (!docks.isEmpty())
            sourceRect = docks;
    }
    return source;
}

void TLumacurveForm::DrawArea(TPictureArea area, QPainter& painter, const QRectF& target)
{
    QRect sourceRect;
    QWidget* source = AreaSource(area, sourceRect);
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / sourceRect.width(), target.height() / sourceRect.height());
    if (area == TPictureArea::Equations) {
        Canvas canvas(&painter);
        equations_->PaintAll(canvas, false);
    } else if (area == TPictureArea::Graphs) {
        // The graph draws itself through its own drawing path, as vectors on vector devices.
        painter.setClipRect(graphArea_->rect());
        Canvas canvas(&painter);
        graphArea_->RenderInto(canvas, graphArea_->rect());
    } else {
        source->render(&painter, QPoint(), QRegion(sourceRect), QWidget::DrawChildren);
    }
    painter.restore();
}

bool TLumacurveForm::CopyPicture(TPictureArea area)
{
    QRect sourceRect;
    (void)AreaSource(area, sourceRect);
    const QSize size = sourceRect.size();
    if (size.isEmpty())
        return false;
    const QRectF target(QPointF(0, 0), QSizeF(size));
    QByteArray svg;
    {
        QBuffer buffer(&svg);
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(target);
        generator.setTitle("Copy of graph");
        generator.setDescription("Lumacurve version 3.101");
        QPainter painter(&generator);
        DrawArea(area, painter, target);
    }
    // The picture is drawn at twice the resolution, like the metafile it stands in for.
    QImage image(size * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawArea(area, painter, target);
    }
    auto* mime = new QMimeData;
    mime->setData("image/svg+xml", svg);
    mime->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(mime);
    return true;
}

bool TLumacurveForm::Print(QPrinter& printer)
{
    printer.setDocName(ProgramName);
    ShowStatusFlags(tr("Printing......."), 0);
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QPainter painter;
    const bool ok = painter.begin(&printer);
    if (ok) {
        // The graph fills the printable page with its proportions kept.
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        const QSizeF graph = QSizeF(graphArea_->size()).scaled(page.size(), Qt::KeepAspectRatio);
        DrawArea(TPictureArea::Graphs, painter, QRectF(QPointF(0, 0), graph));
        painter.end();
    }
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    ShowStatusFlags(ok ? QString() : tr("The printer could not be started"), ok ? 0 : 3);
    return ok;
}

// ---------------------------------------------------------------------------
// Keypad

QWidget* TLumacurveForm::ActiveMathsWindow()
{
    if (auto* editor = qobject_cast<TMathsEditor*>(QApplication::focusWidget()))
        return editor;
    if (QDockWidget* panel = Panel("EquationsDockPanel"))
        panel->show();
    equations_->setFocus();
    return equations_;
}

void TLumacurveForm::TypeKeys(const QString& text)
{
    QWidget* target = ActiveMathsWindow();
    for (const QChar c : text) {
        int key = c.unicode();
        QString typed(c);
        switch (c.unicode()) {
        case '\r':
            key = Qt::Key_Return;
            break;
        case '\b':
            key = Qt::Key_Backspace;
            typed.clear();
            break;
        case 0x1c:
            key = Qt::Key_Left;
            typed.clear();
            break;
        case 0x1d:
            key = Qt::Key_Right;
            typed.clear();
            break;
        default:
            key = QKeySequence(QString(c).toUpper())[0].key();
            break;
        }
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, typed);
        QCoreApplication::sendEvent(target, &release);
    }
    // After each key the quick-superscript state is cleared.
    QuickSuperscript = false;
    commands_->Action("KeybtnAltAct")->setChecked(false);
}

// ---------------------------------------------------------------------------
// Whiteboard

std::optional<TArrangement> TLumacurveForm::StoredWhiteboardPreferences()
{
    const QVariant value = UserSettings().value(WhiteboardKey);
    if (!value.isValid())
        return std::nullopt;
    return ParseArrangement(value.toString().toStdString());
}

void TLumacurveForm::StoreWhiteboardPreferences()
{
    QSettings settings = UserSettings();
    settings.setValue(WhiteboardKey, QString::fromStdString(CurrentArrangement().Text()));
}

void TLumacurveForm::ForgetWhiteboardPreferences()
{
    QSettings settings = UserSettings();
    settings.remove(WhiteboardKey);
}

TArrangement TLumacurveForm::CurrentArrangement() const
{
    TArrangement arrangement;
    for (const char* name : {"ToolbarKeypad", "ToolBarInsert", "ToolBarZoom"})
        if (QToolBar* bar = Bar(name))
            arrangement.toolbars.push_back(RecordOf(bar));
    arrangement.fontName = EquationsFontName;
    arrangement.fontSize = std::abs(EquationsFontHeight);
    arrangement.backgroundColour = BackgroundColour;
    return arrangement;
}

void TLumacurveForm::ApplyArrangement(const TArrangement& arrangement)
{
    setUpdatesEnabled(false);
    for (const auto& record : arrangement.toolbars)
        ApplyToolbarRecord(record);
    setUpdatesEnabled(true);
    EquationsFontName = arrangement.fontName;
    EquationsFontHeight = -std::abs(arrangement.fontSize);
    BackgroundColour = static_cast<TColour>(arrangement.backgroundColour);
    QFont font(QString::fromStdString(EquationsFontName));
    font.setPixelSize(std::abs(EquationsFontHeight));
    EquationsArea()->setFont(font);
    graphArea_->setFont(font);
    // The formulas are laid out in that font and height.
    if (FormulaFontName != EquationsFontName || FormulaReferenceHeight != std::abs(EquationsFontHeight)) {
        FormulaFontName = EquationsFontName;
        FormulaReferenceHeight = std::max(1, std::abs(EquationsFontHeight));
        (void)SetFormulaHeight(FormulaReferenceHeight);
        equations_->RemeasureAll();
        if (TEditor* line = equations_->Line())
            line->Remeasure();
    }
    const QColor colour(BackgroundColour & 0xFF, (BackgroundColour >> 8) & 0xFF,
                        (BackgroundColour >> 16) & 0xFF);
    for (QWidget* area : {EquationsArea(), static_cast<QWidget*>(graphArea_)}) {
        QPalette palette = area->palette();
        palette.setColor(QPalette::Window, colour);
        area->setPalette(palette);
        area->update();
    }
}

void TLumacurveForm::SetWhiteboard(bool on)
{
    QAction* button = commands_->Action("ActionWhiteboard");
    if (on) {
        // Keep the user's own arrangement only when it is not the whiteboard's already.
        if (!whiteboard_)
            savedArrangement_ = CurrentArrangement();
        ApplyArrangement(StoredWhiteboardPreferences().value_or(DefaultWhiteboardArrangement()));
        whiteboard_ = true;
        button->setChecked(true);
    } else {
        if (!savedArrangement_) {
            Message(tr("You must first save your whiteboard preferences."), QMessageBox::Information);
            button->setChecked(whiteboard_);
            return;
        }
        ApplyArrangement(*savedArrangement_);
        whiteboard_ = false;
        button->setChecked(false);
    }
    SetModified(true);
}

void TLumacurveForm::WhiteboardSettings()
{
    QMessageBox box(
        QMessageBox::NoIcon, tr("Whiteboard"),
        tr("The whiteboard settings are:\n  Position of Keypad, Zoom and Insert toolbars\n"
           "  Background colour\n  Font size\nTo store your own preferences, set up the screen as you \n"
           "wish for the above items, then select Save on this panel. "),
        QMessageBox::NoButton, this);
    QAbstractButton* save = box.addButton(tr("Save"), QMessageBox::YesRole);
    QAbstractButton* revert = box.addButton(tr("Revert to default settings"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Close);
    QAbstractButton* help = box.addButton(QMessageBox::Help);
    box.exec();
    if (box.clickedButton() == save)
        StoreWhiteboardPreferences();
    else if (box.clickedButton() == revert)
        ForgetWhiteboardPreferences();
    else if (box.clickedButton() == help)
        ShowHelp(214);
}

void TLumacurveForm::UndoPostAction()
{
    // A load, New or Undo records its one step itself; a line being edited is no state yet.
    if (loading_ || equations_->Line()) {
        UpdateCommands();
        return;
    }
    undo_.Record(Snapshot());
    UpdateCommands();
}

void TLumacurveForm::ClearFamily(std::string_view name)
{
    (void)name;
}
