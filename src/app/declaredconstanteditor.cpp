#include "app/declaredconstanteditor.h"

#include "document/equationlist.h"
#include "editor/mathseditor.h"
#include "entry/declarationlines.h"
#include "equations/equationswindow.h"
#include "expr/parser.h"
#include "graphwindow/graphwindow.h"
#include "platform/mainwindowbase.h"
#include "settings/configuration.h"

#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

namespace {

// The graph window as the editor's logic sees it.
class TWindowGraph : public TDynamicGraph {
public:
    explicit TWindowGraph(TGraphWindow& window) : window_(window) {}
    [[nodiscard]] TGraphParams& Params() override { return window_.Params(); }
    [[nodiscard]] QSize PictureSize() const override { return window_.size(); }
    [[nodiscard]] qreal PictureRatio() const override { return window_.devicePixelRatioF(); }
    [[nodiscard]] QFont GraphFont() const override { return window_.GraphFont(); }
    [[nodiscard]] int HighlightedLine() const override { return window_.SelectedIndex(); }
    [[nodiscard]] unsigned PictureGeneration() const override { return window_.PictureGeneration(); }
    QImage ShowFrame(QImage frame) override { return window_.ShowFrame(std::move(frame)); }
    void RedrawLines() override { window_.LinesChanged(0); }

private:
    TGraphWindow& window_;
};

enum class TGlyph { FastBack, Backward, Stop, Forward, FastForward, Finish, Help };

// The buttons' pictures, drawn for both pixel ratios so they stay crisp.
QIcon GlyphIcon(TGlyph glyph)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(16, 16) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(32, 64, 128));
        auto triangle = [&](qreal left, qreal right) {
            QPainterPath path;
            path.moveTo(left, 3);
            path.lineTo(right, 8);
            path.lineTo(left, 13);
            path.closeSubpath();
            painter.drawPath(path);
        };
        switch (glyph) {
        case TGlyph::FastBack:
            triangle(8, 2);
            triangle(14, 8);
            break;
        case TGlyph::Backward:
            painter.drawRect(QRectF(3, 3, 2, 10));
            triangle(13, 6);
            break;
        case TGlyph::Stop:
            painter.drawRect(QRectF(4, 4, 8, 8));
            break;
        case TGlyph::Forward:
            triangle(3, 10);
            painter.drawRect(QRectF(11, 3, 2, 10));
            break;
        case TGlyph::FastForward:
            triangle(2, 8);
            triangle(8, 14);
            break;
        case TGlyph::Finish: {
            QPen pen(QColor(0, 128, 0), 2.2);
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
            break;
        }
        case TGlyph::Help: {
            QFont font = painter.font();
            font.setPixelSize(13);
            font.setBold(true);
            painter.setFont(font);
            painter.setPen(QColor(32, 64, 128));
            painter.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QToolButton* AddButton(QToolBar* bar, const char* name, const char* hint, TGlyph glyph)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(GlyphIcon(glyph));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(button);
    return button;
}

} // namespace

TDeclaredConstantEditor::TDeclaredConstantEditor(QDockWidget* panel, TEquationsWindow* equations,
                                                 TGraphWindow* graph,
                                                 const TDynamicConstantEquation* constant)
    : QWidget(nullptr), panel_(panel), equations_(equations), graphWindow_(graph)
{
    setObjectName("TDeclaredConstantEditor");
    setWindowTitle(tr(Caption));
    BuildControls();
    graph_ = std::make_unique<TWindowGraph>(*graph);
    editing_ = std::make_unique<TDynamicConstantEditing>(equations->List(), graph_.get(), *this, constant);
    PlaceControls();
    // While the editor exists its redraws own the curves: none can be dragged.
    DynamicEditorOpen = true;
    RedrawSelectedCurve();
    timer_.setParent(this); // (a member: it leaves its parent before the parent goes)
    dropTimer_.setParent(this);
    timer_.setObjectName("Timer");
    timer_.setInterval(TDynamicConstantEditing::InitialInterval);
    connect(&timer_, &QTimer::timeout, this, [this] { editing_->Tick(); });
    dropTimer_.setSingleShot(true);
    dropTimer_.setInterval(0);
    connect(&dropTimer_, &QTimer::timeout, this, [this] { dropPresses_ = false; });
    connect(qApp, &QApplication::focusChanged, this, &TDeclaredConstantEditor::FocusChanged);
    if (panel_) {
        panel_->setWindowTitle(tr(Caption));
        panel_->setWidget(this);
        panel_->installEventFilter(this);
        PlaceOnScreen();
    }
}

TDeclaredConstantEditor::~TDeclaredConstantEditor()
{
    closing_ = true;
    timer_.stop();
    disconnect(qApp, nullptr, this, nullptr);
    // The period ends while the boxes still exist: what they hold is read,
    // and a changed value becomes one undo step.
    editing_.reset();
    if (panel_) {
        panel_->removeEventFilter(this);
        if (panel_->isFloating())
            LastPosition = panel_->pos();
        panel_->hide();
    }
    DynamicEditorOpen = false;
    RedrawSelectedCurve();
}

void TDeclaredConstantEditor::BuildControls()
{
    currentConstant_ = new QComboBox(this);
    currentConstant_->setObjectName("CurrentConstant");
    currentConstant_->setToolTip(tr("The dynamic constant to change"));
    variableEdit_ = new TMathsEditor(this);
    variableEdit_->setObjectName("VariableEdit");
    step_ = new QLabel(tr("Step"), this);
    step_->setObjectName("Step");
    stepEditor_ = new TMathsEditor(this);
    stepEditor_->setObjectName("StepEditor");
    for (TMathsEditor* box : {variableEdit_, stepEditor_}) {
        // Errors show in the box itself (the caret at the fault), never in a message box.
        box->ShowErrorDialog = false;
        box->setFocusPolicy(Qt::StrongFocus);
    }
    finishBar_ = new QToolBar(this);
    finishBar_->setObjectName("FinishBar");
    playBar_ = new QToolBar(this);
    playBar_->setObjectName("PlayBar");
    for (QToolBar* bar : {finishBar_, playBar_}) {
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
    }
    closeButton_ = AddButton(finishBar_, "CloseButton", "Finish", TGlyph::Finish);
    help_ = AddButton(finishBar_, "Help", "Help", TGlyph::Help);
    fastBack_ = AddButton(playBar_, "FastBack", "Play back", TGlyph::FastBack);
    backward_ = AddButton(playBar_, "Backward", "Step back", TGlyph::Backward);
    stop_ = AddButton(playBar_, "Stop", "Stop", TGlyph::Stop);
    forward_ = AddButton(playBar_, "Forward", "Step forward", TGlyph::Forward);
    fastForward_ = AddButton(playBar_, "FastForward", "Play forward", TGlyph::FastForward);
    fastBack_->setCheckable(true);
    fastForward_->setCheckable(true);

    // Every control starts a period when it is used with the focus elsewhere.
    auto activated = [this] {
        if (!Contains(QApplication::focusWidget()))
            variableEdit_->setFocus(Qt::OtherFocusReason);
        editing_->Activate();
    };
    connect(closeButton_, &QToolButton::clicked, this, [this] { editing_->Finish(); });
    connect(help_, &QToolButton::clicked, this, [this] {
        if (OnHelp)
            OnHelp(HelpTopic);
    });
    connect(fastBack_, &QToolButton::clicked, this, [this, activated] {
        activated();
        editing_->Play(-1);
    });
    connect(fastForward_, &QToolButton::clicked, this, [this, activated] {
        activated();
        editing_->Play(1);
    });
    connect(stop_, &QToolButton::clicked, this, [this] { editing_->Play(0); });
    connect(backward_, &QToolButton::pressed, this, [this, activated] {
        activated();
        editing_->HoldStep(-1);
    });
    connect(forward_, &QToolButton::pressed, this, [this, activated] {
        activated();
        editing_->HoldStep(1);
    });
    for (QToolButton* button : {backward_, forward_})
        connect(button, &QToolButton::released, this, [this] { editing_->HoldStep(0); });
    connect(currentConstant_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (!filling_)
            editing_->ChooseConstant(index);
    });
    // The keys are read for the whole editor first.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void TDeclaredConstantEditor::PlaceControls()
{
    const QFontMetrics metrics(font());
    const int em = metrics.horizontalAdvance(QLatin1Char('M'));
    constexpr int Margin = 4;
    const int boxHeight = variableEdit_->sizeHint().height();
    const int barHeight = std::max(finishBar_->sizeHint().height(), playBar_->sizeHint().height());
    const int barsWidth = finishBar_->sizeHint().width() + playBar_->sizeHint().width();
    const int half = metrics.height() / 2;
    const int listWidth = std::max(5 * em, currentConstant_->sizeHint().width());
    const int boxLeft = Margin + listWidth + Margin;
    const int boxWidth = std::max(10 * em, barsWidth - boxLeft - half);
    const int listHeight = currentConstant_->sizeHint().height();
    currentConstant_->setGeometry(Margin, Margin + (boxHeight - listHeight) / 2, listWidth, listHeight);
    variableEdit_->setGeometry(boxLeft, Margin, boxWidth, boxHeight);
    stepEditor_->setGeometry(boxLeft, variableEdit_->geometry().bottom() + 1 + Margin, boxWidth, boxHeight);
    step_->setGeometry(Margin, stepEditor_->y(), listWidth, boxHeight);
    step_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int stepBottom = stepEditor_->geometry().bottom() + 1;
    finishBar_->setGeometry(0, stepBottom + 4, finishBar_->sizeHint().width(), barHeight);
    playBar_->setGeometry(finishBar_->width(), stepBottom + 4, playBar_->sizeHint().width(), barHeight);
    // The client area: the lower toolbar under the step box, as wide as the
    // step box reaches plus half the font's size.
    setFixedSize(stepEditor_->geometry().right() + 1 + half, barHeight + stepBottom + 4);
}

void TDeclaredConstantEditor::PlaceOnScreen()
{
    if (!panel_)
        return;
    QWidget* main = panel_->parentWidget() ? panel_->parentWidget()->window() : nullptr;
    if (!panel_->isFloating() && LastPosition == QPoint(-1, -1))
        panel_->setFloating(true);
    panel_->adjustSize();
    if (!panel_->isFloating())
        return;
    QPoint place = LastPosition;
    if (place == QPoint(-1, -1) && main) {
        // The first time: the bottom right corner of the main window.
        const QRect frame = main->geometry();
        place = frame.bottomRight() - QPoint(panel_->width() + 16, panel_->height() + 40);
    }
    if (const QScreen* screen = main ? main->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        place.setX(std::clamp(place.x(), area.left(), std::max(area.left(), area.right() - panel_->width())));
        place.setY(std::clamp(place.y(), area.top(), std::max(area.top(), area.bottom() - panel_->height())));
    }
    panel_->move(place);
}

void TDeclaredConstantEditor::ShowPanel()
{
    if (!panel_)
        return;
    panel_->show();
    panel_->raise();
    if (panel_->isFloating())
        panel_->adjustSize();
    show();
}

void TDeclaredConstantEditor::EndPeriod()
{
    if (editing_->Active())
        editing_->Deactivate();
    else if (editing_->InPeriod())
        editing_->EndEditing();
}

TMathsEditor* TDeclaredConstantEditor::Box(TDynamicBox box) const
{
    return box == TDynamicBox::Value ? variableEdit_ : stepEditor_;
}

bool TDeclaredConstantEditor::Contains(const QWidget* widget) const
{
    return widget && (widget == this || isAncestorOf(widget));
}

void TDeclaredConstantEditor::RedrawSelectedCurve()
{
    // The handles of the selected curve follow the drag gate.
    const int selected = graphWindow_->SelectedIndex();
    if (TEquationObject* line = equations_->ItemAt(selected)) {
        line->ShowDragHandles(false);
        line->ShowDragHandles(true);
        graphWindow_->LinesChanged(selected);
    }
}

// ---- focus and keys ----------------------------------------------------------------------------

void TDeclaredConstantEditor::FocusChanged(QWidget* old, QWidget* now)
{
    if (closing_ || !editing_)
        return;
    const bool wasIn = Contains(old), isIn = Contains(now);
    if (!wasIn && isIn) {
        editing_->Activate();
    } else if (wasIn && !isIn) {
        editing_->Deactivate();
        return;
    } else if (wasIn && isIn && old != now) {
        // The box left is read, unless the period has ended.
        if (old == variableEdit_)
            editing_->CommitBox(TDynamicBox::Value);
        else if (old == stepEditor_)
            editing_->CommitBox(TDynamicBox::Step);
    }
    if (isIn && now == stepEditor_)
        editing_->Play(0);
}

bool TDeclaredConstantEditor::PreviewKey(QKeyEvent* event)
{
    const TDynamicKey action = DynamicKeyAction(event->key(), event->modifiers().testFlag(Qt::ShiftModifier),
                                                event->modifiers().testFlag(Qt::ControlModifier));
    if (action == TDynamicKey::PassOn)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // The editor's keys are never the main window's shortcuts (F1 opens
        // this topic, Ctrl with "<" plays rather than typing an inequality).
        event->accept();
        return true;
    }
    if (action == TDynamicKey::Help) {
        if (OnHelp)
            OnHelp(HelpTopic);
        return true;
    }
    editing_->Activate();
    return editing_->Key(action);
}

bool TDeclaredConstantEditor::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // Presses that waited while the users were redrawn would step again.
        if (dropPresses_ &&
            (watched == fastBack_ || watched == backward_ || watched == forward_ || watched == fastForward_))
            return true;
        break;
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (watched != panel_ && !closing_ && PreviewKey(static_cast<QKeyEvent*>(event)))
            return true;
        break;
    case QEvent::Close:
        if (watched == panel_)
            CloseRequested();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- the view of the logic ---------------------------------------------------------------------

TEditor& TDeclaredConstantEditor::BoxLine(TDynamicBox box)
{
    return *Box(box)->Line();
}

void TDeclaredConstantEditor::ShowBoxNumber(TDynamicBox box, const TRealReader& number, bool changed)
{
    TMathsEditor* editor = Box(box);
    editor->ShowNumber(number);
    editor->Line()->modified = changed;
}

void TDeclaredConstantEditor::ClearBox(TDynamicBox box)
{
    Box(box)->Clear();
    Box(box)->ClearModified();
}

void TDeclaredConstantEditor::ShowBoxError(TDynamicBox box, const TParseParams& params)
{
    TMathsEditor* editor = Box(box);
    if (TEditor* line = editor->Line())
        line->SetCaret(params.error.element, params.error.position);
    editor->update();
    QApplication::beep();
    // The reason goes to the status line; no box interrupts the lesson.
    const std::string message = params.error.message ? params.error.message : ParseMessage::NotUnderstood;
    ShowStatus(message, false, true);
    if (Contains(QApplication::focusWidget()))
        editor->setFocus(Qt::OtherFocusReason);
}

void TDeclaredConstantEditor::ConstantListChanged(const std::vector<std::string>& names, int selected)
{
    filling_ = true;
    currentConstant_->clear();
    for (const std::string& name : names)
        currentConstant_->addItem(QString::fromStdString(name));
    currentConstant_->setCurrentIndex(selected);
    filling_ = false;
    setEnabled(!names.empty());
}

void TDeclaredConstantEditor::TimerChanged(bool running, int interval)
{
    if (timer_.interval() != interval)
        timer_.setInterval(interval); // restarts a running timer: a hold waits from now
    if (running && !timer_.isActive())
        timer_.start();
    else if (!running)
        timer_.stop();
}

void TDeclaredConstantEditor::PlayDirectionShown(int direction)
{
    fastBack_->setChecked(direction < 0);
    fastForward_->setChecked(direction > 0);
}

void TDeclaredConstantEditor::UsersRedrawn()
{
    // Clicks made on the step and play buttons during the redraw wait in the
    // queue; they are dropped until the events pending now have been
    // handled. Stop and Finish are never dropped.
    dropPresses_ = true;
    dropTimer_.start();
}

void TDeclaredConstantEditor::ConstantLineRefreshed(int index, bool heightChanged)
{
    equations_->InvalidateLine(index, heightChanged ? 1 : 0);
    if (heightChanged)
        equations_->UpdateScrollRanges();
}

void TDeclaredConstantEditor::SuspendIdle(bool suspended)
{
    equations_->SuspendIdle(suspended);
}

bool TDeclaredConstantEditor::CanFinishEquationsEdit()
{
    return equations_->FinishPendingEdit();
}

void TDeclaredConstantEditor::DocumentModified()
{
    if (OnDocumentModified)
        OnDocumentModified();
}

void TDeclaredConstantEditor::CloseRequested()
{
    if (closing_)
        return;
    closing_ = true;
    timer_.stop();
    // Freed once the operation that asked has returned.
    deleteLater();
}

void TDeclaredConstantEditor::TakeFocus()
{
    if (Contains(QApplication::focusWidget()))
        return;
    if (panel_ && panel_->isFloating())
        panel_->activateWindow();
    variableEdit_->setFocus(Qt::OtherFocusReason);
}
