#include "app/lumacurveform.h"

#include "app/declaredconstanteditor.h"
#include "app/guidelink.h"
#include "app/helpwindow.h"
#include "app/presssomethingdlg.h"
#include "app/shapework.h"
#include "app/startupwindow.h"
#include "app/statswork.h"
#include "app/toolbaricons.h"
#include "automation/automationserver.h"
#include "document/document.h"
#include "editor/canvascontrol.h"
#include "editor/mathseditor.h"
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "equations/equationsscrollingwidget.h"
#include "equations/equationswindow.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "geometry/dragdescriptions.h"
#include "geometry/straightline.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "graphwindow/equationdisplayform.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/fontfamilies.h"
#include "platform/windowmessages.h"
#include "plot/curveplotter.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <cstdio>

namespace {

QString Str(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
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
    automation_ = new TAutomationServer(*this, this);
    if (!options_.screenshot)
        guideLink_ = new TGuideLink(*this);
    QCoreApplication::postEvent(this, new TMessageEvent(wmDeferredStart));
    Mark("main window created");
}

TLumacurveForm::~TLumacurveForm()
{
    qApp->removeEventFilter(this);
    // The dynamic constant editor goes while its panel and the windows it
    // redraws still exist (as a child of the panel it would go in the middle
    // of the panel's own destruction and use the half-destroyed panel).
    delete dynamicEditor_.data();
    if (shapes_)
        shapes_->Shutdown();
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
    graphArea_->DemonstrateLine = nullptr;
    graphArea_->PauseBetweenLines = nullptr;
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
    // Parse errors of an entered line go to the status line, not into a box.
    equations_->ErrorReporter = messageLabel_;
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
    // The bars and the wheel pan the graph; the bars are recentred 5 seconds after the last movement.
    graphArea_->AttachScrollBars(horzScrollBar_, vertScrollBar_);
    connect(graphArea_, &TGraphWindow::Scrolled, scrollBarTimer_, qOverload<>(&QTimer::start));
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
    RegisterFileHandlers();
    RegisterExtraFileHandlers();
    RegisterEditHandlers();
    RegisterZoomHandlers();
    RegisterInsertHandlers();
    RegisterCustomHandlers();
    RegisterHelpHandlers();
    RegisterDialogHandlers();
    ConnectEquations();
    shapes_ = new TShapeWork(*this);
    shapes_->Register();
    RegisterDynamicHandlers();
    RegisterLineHandlers();
    RegisterTransformHandlers();
    stats_ = new TStatsWork(*this);
    stats_->Register();
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
    ApplyToolbarIcons(*this);
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
            sub->menuAction()->setEnabled(false); // offered by the object under the mouse
            if (std::string_view(item.caption) == "Dynamic transform")
                popupTransform_ = sub->menuAction();
            else if (std::string_view(item.caption) == "Equation type...")
                popupEquationType_ = sub->menuAction();
            else if (std::string_view(item.caption) == "New line...")
                popupNewLine_ = sub->menuAction();
        } else {
            QAction* action = owner->addAction(Str(item.caption));
            action->setData(index);
            const QAction* heading = owner == graphPopup_ ? nullptr : owner->menuAction();
            if (heading && (heading == popupTransform_ || heading == popupEquationType_)) {
                // The transform handles or the equation's form of the object under the mouse.
                connect(action, &QAction::triggered, this,
                        [this, mode = item.tag] { PopupTransformDrag(mode); });
                ++index;
                continue;
            }
            if (heading && heading == popupNewLine_) {
                // A line or quadratic whose first point is where the menu opened.
                const TClickedCurve kind = std::string_view(item.caption) == "straight"
                                               ? TClickedCurve::Line
                                               : TClickedCurve::Quadratic;
                connect(action, &QAction::triggered, this, [this, kind] {
                    StartClickedCurve(kind, std::exchange(popupGraphPoint_, std::nullopt));
                });
                ++index;
                continue;
            }
            // "Delete" acts on the line under the mouse; the objects' own popup actions are not offered yet.
            action->setEnabled(false);
            if (index == 0)
                popupDelete_ = action;
            if (std::string_view(item.caption) == "Intersect")
                popupIntersect_ = action;
        }
        ++index;
    }
}

// ---------------------------------------------------------------------------
// Command handlers (the other menus have files of their own)

// The Help menu and the settings it toggles.
void TLumacurveForm::RegisterHelpHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionHelpContents", [this] { ShowHelp(0); });
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
    commands_->Action("ActionToolTips")->setChecked(Configuration.ShowHints);
    commands_->Action("ActionShowGraphNames")->setChecked(Configuration.ShowGraphNames);
}

void TLumacurveForm::ConnectEquations()
{
    equations_->OnInsertCurve = [this](TEquationObject* object) {
        if (loading_) {
            graphArea_->LinesChanged(0);
            return; // a document or snapshot being put in place is one step, recorded afterwards
        }
        // A line just entered is drawn visibly, once its list has settled.
        const int index = std::max(0, equations_->List().IndexOf(object));
        graphArea_->LinesChanged(index);
        graphArea_->DrawVisiblyLater(index);
        SetModified(true);
        UndoPostAction();
        if (guideLink_)
            guideLink_->LineEntered();
    };
    equations_->OnDeleteCurve = [this](TEquationObject*) { graphArea_->RemoveTrace(); };

    equations_->OnLinesChanged = [this] {
        graphArea_->LinesChanged(0);
        if (!loading_)
            SetModified(true);
    };
    equations_->OnSelectCurve = [this](TEquationsWindow*, TEquationObject* object, bool selected) {
        graphArea_->SelectLine(SelectedLine());
        DynamicSelectionChanged(object, selected);
        // A straight line, tangent or normal shows its gradient while it is selected.
        if (object) {
            const std::string gradient = GradientTextOf(*object, &graphArea_->Params());
            if (!gradient.empty())
                ShowStatus(selected ? gradient : std::string(), false, selected);
        }
        UpdateCommands();
    };
    equations_->OnChangesProcessed = [this] { UpdateCommands(); };
    // A command chosen while a line is being edited ends the editing as
    // entering the line would (a fault is shown once), then runs or is
    // refused as the command needs.
    commands_->SetBeforeCommand([this](const TCommandRow& command) {
        const TEditingPolicy policy = EditingPolicy(command);
        if (policy == TEditingPolicy::KeepsEditing || !equations_->Line())
            return true;
        return equations_->FinishPendingEdit() || policy == TEditingPolicy::EndsEditing;
    });
    graphArea_->AcceptsCommandQuery = [this] { return !equations_->Line(); };
    // A demonstration selects each line as it is drawn (not while one is
    // being typed) and waits for a key between lines.
    graphArea_->DemonstrateLine = [this](int index) {
        if (equations_->Line() || equations_->SelectedIndex() == index)
            return;
        equations_->SelectLine(index);
        equations_->repaint();
    };
    graphArea_->PauseBetweenLines = [this] { TPressSomething::WaitForKey(this); };
    auto& c = *commands_;
    c.SetHandler("ActionDeleteCurve", [this] {
        if (TEquationObject* object = equations_->SelectedObject())
            DeleteLine(object);
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

int TLumacurveForm::SelectedLine() const
{
    const int index = equations_->SelectedIndex();
    return index >= 0 && index < equations_->Count() ? index : -1;
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
    facts.selectedDynamicConstant = SelectedDynamicConstant() != nullptr;
    facts.editingDynamicConstant = EditingDynamicConstant();
    facts.undoCount = undo_.Count();
    facts.dragCurves = Configuration.DragCurves;
    if (shapes_)
        shapes_->AddFacts(facts);
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    facts.clipboardHasText = clip && clip->hasText();
    commands_->Update(facts);
    commands_->Action("ActionLumatutor")->setVisible(!guideHelp_.isEmpty());
    commands_->Action("ActionFamily")->setChecked(Family.constant != nullptr);
    // A submenu heading is greyed when every item under it is.
    const QList<QMenu*> menus = menuBar()->findChildren<QMenu*>();
    for (auto menu = menus.rbegin(); menu != menus.rend(); ++menu) {
        if (!qobject_cast<QMenu*>((*menu)->parentWidget()))
            continue;
        const QList<QAction*> items = (*menu)->actions();
        (*menu)->menuAction()->setEnabled(std::any_of(items.begin(), items.end(), [](const QAction* item) {
            return !item->isSeparator() && item->isVisible() && item->isEnabled();
        }));
    }
}

// ---------------------------------------------------------------------------
// Status line, help, messages

void TLumacurveForm::ShowStatus(std::string_view text, bool beep, bool timeout)
{
    ShowStatusFlags(QString::fromLocal8Bit(text.data(), qsizetype(text.size())),
                    (beep ? 1 : 0) | (timeout ? 2 : 0));
}

void TLumacurveForm::ShowWarning(std::string_view text)
{
    // Shown after the event in hand, so that no box opens in the middle of
    // reading a line.
    const QString message = QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
    QTimer::singleShot(0, this, [this, message] { Message(message, QMessageBox::Warning); });
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
    if (messageSink_) {
        messageSink_->append(text);
        return;
    }
    if (options_.quiet) {
        std::fprintf(stderr, "lumacurve: %s\n", qPrintable(text));
        return;
    }
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), ProgramName, text, QMessageBox::Ok, this);
    if (helpTopic)
        box.addButton(QMessageBox::Help);
    // Escape closes it as OK does (beside Help, Qt would give Escape no button).
    box.setEscapeButton(QMessageBox::Ok);
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
    // The equations panel's close button asks first (this filter sees the whole application's events);
    // a floating panel closed as the program ends, after the window, is not asked about.
    if (event->type() == QEvent::Close && watched == Panel("EquationsDockPanel") && isVisible()) {
        // A line with a fault stays in sight, and closing is asked about.
        if ((equations_->Line() && !equations_->FinishPendingEdit()) || !ConfirmClosingEquations()) {
            event->ignore();
            return true;
        }
        return false;
    }
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

bool TLumacurveForm::ConfirmClosingEquations()
{
    const QString question = tr("Are you sure you want to close the equations window?\n\r"
                                "If you select yes; press Enter at any time later to show it again.");
    lastMessage_ = question;
    if (options_.quiet)
        return true;
    return QMessageBox::question(this, ProgramName, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
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
        } else if (!named.path.isEmpty() && !QFileInfo::exists(named.path) && !options_.screenshot) {
            // A name that is no file yet starts a new document that Save writes under that name.
            SetDocumentPath(named.path);
        } else if (!named.path.isEmpty()) {
            openFailed_ = !OpenFile(named.path);
        } else if (!options_.noDefaultDocument) {
            // The default document supplies the starting settings; it is
            // no save target, or the first Save would change everybody's start.
            OpenFile(DefaultDocumentPath());
            SetDocumentPath({});
        }
        Mark("document opened");
    }
    if (options_.automation)
        ArrangeForAutomation();
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
    TFixedScaleHost host(image.width(), image.height(), FamilyFont(EquationsFontName, 10), &image);
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

void TLumacurveForm::ShowForStart()
{
    if (options_.screenshot || options_.automation) {
        show();
        return;
    }
    // Restored, the window stands in the middle of the screen, an eighth of
    // the screen from each edge (a document's Window record may move it).
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        setGeometry(
            area.adjusted(area.width() / 8, area.height() / 8, -area.width() / 8, -area.height() / 8));
    }
    showMaximized();
}

void TLumacurveForm::ShowStartupScreen()
{
    if (startupWindow_)
        return;
    startupWindow_ = new TStartupWindow(this);
    // A key that closed the screen is the first key of an equation.
    connect(startupWindow_, &TStartupWindow::Closed, this, [this](char key) {
        QDockWidget* panel = Panel("EquationsDockPanel");
        if (!key) {
            if (panel && panel->isVisible() && isActiveWindow())
                equations_->setFocus();
            return;
        }
        QWidget* target = ActiveMathsWindow();
        const QString text(QChar::fromLatin1(key));
        const int code = QChar::fromLatin1(key).toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &release);
    });
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
    // The editor goes first: its period ends and a played value is an
    // undo step and a modified document before the question is asked.
    FreeDynamicEditor();
    // Started for automation, the window closes when nothing is modified or the line being edited can
    // be finished; the client keeps the document.
    if (options_.automation ? !AutomationModified() || equations_->FinishPendingEdit() : AskToSave()) {
        if (help_)
            help_->close();
        // A client that set its site still fetches the document: the window hides until it lets go.
        if (automation_->WindowClosing()) {
            event->ignore();
            hide();
            return;
        }
        event->accept();
    } else {
        event->ignore();
    }
}

// ---------------------------------------------------------------------------
// Documents

TGraphParams& TLumacurveForm::GraphParams()
{
    return graphArea_->Params();
}

// ---------------------------------------------------------------------------
// Pictures and printing

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

// ---------------------------------------------------------------------------
// Whiteboard

void TLumacurveForm::LineDragged()
{
    // The dragged line changed its definition: every line drawn from it
    // follows, and its text is laid out again.
    graphArea_->LinesChanged(0);
    LineRewritten();
    SetModified(true);
    UndoPostAction();
}

void TLumacurveForm::LineRewritten()
{
    equations_->ScheduleIdle();
    equations_->update();
}

void TLumacurveForm::UndoPostAction()
{
    // A load, New or Undo records its one step itself; a line being edited is no state yet, nor is a
    // list open in the coordinate editor (its editing is one step, recorded when it closes).
    if (loading_ || equations_->Line() || (shapes_ && shapes_->CoordinateEditorBound())) {
        UpdateCommands();
        return;
    }
    undo_.Record(Snapshot());
    UpdateCommands();
}
