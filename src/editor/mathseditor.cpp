#include "editor/mathseditor.h"

#include "expr/parser.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "platform/codepage.h"
#include "platform/mainwindowbase.h"
#include "settings/mathsreader.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cstring>

namespace {

// The characters typing accepts.
bool AllowedCharacter(char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return c != '\0' && std::strchr(" !()*+,-./<=>?^|", c) != nullptr;
}

// The code-page character of a typed character, or 0 when the code page lacks it.
char AnsiOf(QChar typed)
{
    const std::string text = QStringToAnsi(QString(typed));
    return text.size() == 1 && (text[0] != '?' || typed == QLatin1Char('?')) ? text[0] : '\0';
}

constexpr char PlusMinus = static_cast<char>(0xB1);
constexpr char Times = static_cast<char>(0xB4);
constexpr char LessOrEqual = static_cast<char>(0xA3);
constexpr char GreaterOrEqual = static_cast<char>(0xB3);

} // namespace

TMathsEditor::TMathsEditor(QWidget* parent, bool withLine) : TCanvasControl(parent)
{
    setCursor(Qt::IBeamCursor);
    setFocusPolicy(withLine ? Qt::StrongFocus : Qt::ClickFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setFont(FormulaFont(FormulaReferenceHeight));
    setWindowTitle("Algebra Draw");
    const int flash = QApplication::cursorFlashTime();
    blink_.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&blink_, &QTimer::timeout, this, [this] {
        if (QApplication::cursorFlashTime() <= 0)
            return;
        caretOn_ = !caretOn_;
        UpdateCaret();
    });
    autoScroll_.setInterval(100);
    connect(&autoScroll_, &QTimer::timeout, this, [this] {
        if (!AutoScroll())
            autoScroll_.stop();
    });
    if (withLine)
        SetLine(std::make_unique<TEditor>());
}

TMathsEditor::~TMathsEditor()
{
    if (ActiveMathsEditor == this)
        ActiveMathsEditor = nullptr;
    if (focusRequested_)
        --PendingFocusRequests;
    if (line_)
        line_->window = nullptr;
}

// ---- The line ----------------------------------------------------------------

std::unique_ptr<TEditor> TMathsEditor::SetLine(std::unique_ptr<TEditor> line)
{
    std::unique_ptr<TEditor> previous = std::move(line_);
    if (previous)
        previous->window = nullptr;
    line_ = std::move(line);
    if (line_) {
        line_->window = this;
        if (!line_->Elements())
            line_->SetElements(TElementList(new TEditorObject));
        Tidy(line_->ElementList(), tmPaste, line_.get());
        line_->Remeasure();
        if (!line_->caret.element)
            line_->ResetCaret();
        line_->offsetX = 0;
        line_->offsetY = std::max(0, (height() - line_->height) / 2);
        if (Scrolling)
            Scrolling->horizontalScrollBar()->setSingleStep(10);
        line_->SetCaret(line_->caret.element, line_->caret.offset);
        line_->SnapCaret();
    }
    update();
    return previous;
}

bool TMathsEditor::StartEdit(bool newLine, TEquationObject* parent, std::uint16_t canDoList)
{
    if (OnStartEdit) {
        bool newEditor = newLine;
        OnStartEdit(this, newEditor, parent, canDoList);
    }
    return line_ != nullptr;
}

bool TMathsEditor::FinishEdit()
{
    if (!OnFinishEdit)
        return false;
    bool stopped = false;
    OnFinishEdit(this, stopped);
    return stopped;
}

bool TMathsEditor::CanEdit()
{
    if (line_)
        return true;
    return StartEdit(true) && line_->CanType();
}

void TMathsEditor::InsertPi()
{
    if (!CanEdit())
        return;
    setFocus();
    line_->TypeSymbol('p');
}

void TMathsEditor::InsertTheta()
{
    if (CanEdit())
        line_->TypeSymbol('q');
}

void TMathsEditor::InsertSquareRoot()
{
    if (!CanEdit())
        return;
    setFocus();
    line_->TypeSquareRoot();
}

void TMathsEditor::InsertPlusMinus()
{
    if (CanEdit())
        line_->TypeSymbol(PlusMinus);
}

void TMathsEditor::InsertFraction()
{
    if (!CanEdit())
        return;
    setFocus();
    line_->TypeFraction();
}

void TMathsEditor::InsertIndex()
{
    if (!CanEdit())
        return;
    setFocus();
    line_->TypeIndex();
}

void TMathsEditor::TabForward()
{
    if (CanEdit())
        line_->TabForward();
}

void TMathsEditor::MoveRightAcross()
{
    if (CanEdit())
        line_->MoveRightAcross();
}

void TMathsEditor::MoveLeftAcross()
{
    if (CanEdit())
        line_->MoveLeftAcross();
}

// ---- Number fields -------------------------------------------------------------

TRealReaderPtr TMathsEditor::NumberFromLine(TParseParams& params)
{
    if (!line_)
        return nullptr;
    TEditorObject* list = line_->Elements();
    if (AllowBlank && ListIsEmpty(list))
        return nullptr;
    if (HasError(params))
        return nullptr;
    StartParse(params, list, 0, nullptr, true, EndOrTabTerminators());
    TRealReaderPtr number = NumberFromParse(params);
    if (Positive && number && !HasError(params) && number->Value() < 0)
        ForceErrorAt(params, "This must be a positive number", list, 0);
    if (HasError(params))
        ShowError(params);
    return number;
}

bool TMathsEditor::ValidateNumber()
{
    if (!line_ || ListIsEmpty(line_->Elements()))
        return AllowBlank;
    TParseParams params;
    TRealReaderPtr number = NumberFromLine(params);
    return !HasError(params);
}

bool TMathsEditor::ReadNumber(TRealReaderPtr& target, TParseParams& params,
                              const std::function<void(Extended)>& callback)
{
    if (line_)
        line_->modified = false;
    ClearError(params);
    TRealReaderPtr number = NumberFromLine(params);
    if (HasError(params)) {
        if (line_)
            line_->modified = true;
        return true;
    }
    if (callback && number)
        callback(number->Value());
    target = std::move(number);
    return false;
}

void TMathsEditor::ShowError(const TParseParams& params)
{
    std::string text = " " + std::string(params.error.message ? params.error.message : "") + " ";
    if (text.size() > 60)
        text.resize(60);
    if (line_)
        line_->SetCaret(params.error.element, params.error.position);
    QApplication::beep();
    const QString shown = AnsiToQString(text);
    if (ErrorReporter) {
        ErrorReporter->setText(shown);
        ErrorReporter->setStyleSheet("QLabel { color: red; font-weight: bold; }");
        ErrorShown = true;
    } else if (ShowErrorDialog) {
        ShowMessage(shown.trimmed(), QMessageBox::Critical, FormulaHelpTopic);
    }
    if (!focusRequested_) {
        focusRequested_ = true;
        ++PendingFocusRequests;
        QCoreApplication::postEvent(this, new QEvent(TakeFocusEventType));
    }
}

void TMathsEditor::ShowNumber(const TRealReader& number)
{
    if (!line_)
        return;
    TElementList list;
    try {
        list = ElementsFromText(number.GetText(10, 0));
    } catch (const eReaderror&) {
        list.reset(new TEditorObject);
    }
    line_->SetElements(std::move(list));
    Tidy(line_->ElementList(), tmPaste, line_.get());
    line_->Remeasure();
    line_->CaretToStart();
    update();
}

void TMathsEditor::SetElements(TElementList list)
{
    if (!line_)
        return;
    if (!list)
        list.reset(new TEditorObject);
    line_->SetElements(std::move(list));
    Tidy(line_->ElementList(), tmPaste, line_.get());
    line_->Remeasure();
    line_->CaretToEnd();
    update();
}

void TMathsEditor::Clear()
{
    SetElements(TElementList(new TEditorObject));
}

std::string TMathsEditor::LineText() const
{
    return line_ ? ElementsToText(line_->Elements()) : std::string();
}

void TMathsEditor::ClearModified()
{
    if (line_)
        line_->modified = false;
}

// ---- Clipboard ---------------------------------------------------------------------

void TMathsEditor::CopyToClipboard()
{
    if (!line_ || !line_->HasSelection())
        return;
    const std::string text = line_->CopySelection();
    if (!text.empty())
        QGuiApplication::clipboard()->setText(AnsiToQString(text));
}

void TMathsEditor::CutToClipboard()
{
    if (!line_ || !line_->HasSelection())
        return;
    const std::string text = line_->CutSelection();
    if (!text.empty())
        QGuiApplication::clipboard()->setText(AnsiToQString(text));
}

void TMathsEditor::PasteFromClipboard()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    if (!line_ && !StartEdit(true))
        return;
    // A huge clipboard is refused before it is converted.
    if (static_cast<std::size_t>(text.size()) > TEditor::MaxPasteBytes) {
        ShowTooLong();
        return;
    }
    if (line_->PasteText(QStringToAnsi(text)) == TPasteResult::ReadError)
        ShowMessage(QString::fromLatin1(eReaderror().what()), QMessageBox::Warning, FormulaHelpTopic);
}

// ---- Window of the line ---------------------------------------------------------

void TMathsEditor::InvalidateLine(const QRect& rect)
{
    if (!line_ || rect.isEmpty())
        return;
    update(rect.translated(line_->offsetX, line_->offsetY).adjusted(-1, -1, 1, 1));
}

void TMathsEditor::LineChanged(TEditor&)
{
    if (ErrorShown && ErrorReporter) {
        ErrorReporter->clear();
        ErrorShown = false;
    }
    Changed();
}

void TMathsEditor::ShowTooLong()
{
    ShowMessage("The formula is too long.", QMessageBox::Warning, FormulaHelpTopic);
}

void TMathsEditor::ShowTooDeep()
{
    ShowMessage(TooDeepMessage, QMessageBox::Warning, FormulaHelpTopic);
}

void TMathsEditor::InsertionRefused()
{
    QApplication::beep();
}

void TMathsEditor::CaretMoved()
{
    if (!line_)
        return;
    if (ErrorShown && ErrorReporter) {
        ErrorReporter->clear();
        ErrorShown = false;
    }
    ScrollCaretIntoView();
    caretOn_ = true;
    if (hasFocus())
        blink_.start();
    UpdateCaret();
}

void TMathsEditor::UpdateCaret()
{
    update(shownCaret_);
    if (line_) {
        shownCaret_ = line_->CaretRect().translated(line_->offsetX, line_->offsetY).adjusted(-1, -1, 1, 1);
        update(shownCaret_);
    }
}

bool TMathsEditor::CaretShown() const
{
    return line_ && caretOn_ && hasFocus() && !line_->HasSelection() && !dragging_;
}

void TMathsEditor::ClampScroll()
{
    if (!line_ || Scrolling)
        return;
    const int widest = std::max(0, line_->leftMargin + line_->width + FormulaHeight() - width());
    line_->offsetX = std::clamp(line_->offsetX, -widest, 0);
    if (line_->height <= height())
        line_->offsetY = (height() - line_->height) / 2;
    else
        line_->offsetY = std::clamp(line_->offsetY, height() - line_->height, 0);
}

void TMathsEditor::ScrollCaretIntoView()
{
    if (!line_)
        return;
    const QRect caret = line_->CaretRect();
    if (Scrolling) {
        FitScrollRange();
        const QPoint inScroll = mapTo(Scrolling->widget() ? Scrolling->widget() : this,
                                      caret.topLeft() + QPoint(line_->offsetX, line_->offsetY));
        Scrolling->ensureVisible(inScroll.x(), inScroll.y() + caret.height() / 2, 3, caret.height());
        return;
    }
    const int oldX = line_->offsetX;
    const int oldY = line_->offsetY;
    const int x = caret.x() + line_->offsetX;
    if (x > width() - 3)
        line_->offsetX -= x - (width() - 3);
    else if (x < 0)
        line_->offsetX -= x;
    const int y = caret.y() + line_->offsetY;
    if (y + caret.height() > height())
        line_->offsetY -= y + caret.height() - height();
    else if (y < 0)
        line_->offsetY -= y;
    ClampScroll();
    if (line_->offsetX != oldX || line_->offsetY != oldY)
        update();
}

bool TMathsEditor::AutoScroll()
{
    if (!line_)
        return false;
    line_->PlaceAtPoint(dragPoint_, true);
    const int oldX = line_->offsetX;
    if (dragPoint_.x() > width())
        line_->offsetX -= dragPoint_.x() - width();
    else if (dragPoint_.x() < 0)
        line_->offsetX -= dragPoint_.x();
    ClampScroll();
    if (line_->offsetX == oldX)
        return false;
    update();
    return true;
}

// ---- Painting ----------------------------------------------------------------------

void TMathsEditor::PaintEditedLine(Canvas& canvas, QPainter& painter)
{
    if (!line_)
        return;
    canvas.MoveTo(line_->offsetX, line_->offsetY);
    PaintLine(canvas, *line_);
    if (line_->HasSelection()) {
        // The selection is shown inverted.
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(line_->SelectionRect().translated(line_->offsetX, line_->offsetY), Qt::white);
        painter.restore();
    }
    if (CaretShown())
        painter.fillRect(line_->CaretRect().translated(line_->offsetX, line_->offsetY), Qt::black);
}

void TMathsEditor::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    Canvas canvas(&painter);
    canvas.SetBrushColour(clWhite);
    canvas.SetBrushStyle(TBrushStyle::Solid);
    canvas.FillRect(event->rect());
    PaintEditedLine(canvas, painter);
}

QSize TMathsEditor::sizeHint() const
{
    return QSize(12 * FormulaReferenceHeight, 2 * FormulaTextHeight(FormulaReferenceHeight));
}

void TMathsEditor::resizeEvent(QResizeEvent* event)
{
    TCanvasControl::resizeEvent(event);
    ClampScroll();
}

// ---- Keys --------------------------------------------------------------------------

bool TMathsEditor::event(QEvent* event)
{
    if (event->type() == TakeFocusEventType) {
        // Counted down only after the focus has moved, so that the control
        // losing it now does not validate and bounce the focus back.
        setFocus(Qt::OtherFocusReason);
        if (focusRequested_) {
            focusRequested_ = false;
            --PendingFocusRequests;
        }
        return true;
    }
    if (event->type() == AltChordEventType) {
        auto* chord = static_cast<TAltChordEvent*>(event);
        char character = 0;
        const int key = chord->key;
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            character = static_cast<char>('0' + (key - Qt::Key_0));
        else if (key == Qt::Key_X || key == Qt::Key_Y)
            character = key == Qt::Key_X ? 'x' : 'y';
        else if (key == Qt::Key_Minus)
            character = '-';
        else if (key == Qt::Key_Period || key == Qt::Key_Comma)
            character = '.';
        else if (key != Qt::Key_S)
            return true;
        if (CanEdit()) {
            line_->TypeIndex(character);
            chord->answered = true;
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Tab belongs to the line when Enter does too (the equations window).
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && OnFinishEdit) {
            keyPressEvent(key);
            return true;
        }
    }
    return TCanvasControl::event(event);
}

bool TMathsEditor::HandleKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool ctrlOnly = modifiers == Qt::ControlModifier;
    const int key = event->key();
    if (!line_ && ctrlOnly &&
        (key == Qt::Key_K || key == Qt::Key_O || key == Qt::Key_P || key == Qt::Key_S || key == Qt::Key_T ||
         key == Qt::Key_Equal || key == Qt::Key_Plus || key == Qt::Key_Slash))
        StartEdit(true);
    if (!line_)
        return false;
    switch (key) {
    case Qt::Key_Tab:
        if (modifiers & Qt::ShiftModifier)
            line_->TabBack();
        else
            line_->TabForward();
        return true;
    case Qt::Key_Backtab:
        line_->TabBack();
        return true;
    case Qt::Key_Left:
        line_->MoveLeft();
        return true;
    case Qt::Key_Right:
        line_->MoveRight();
        return true;
    case Qt::Key_Up:
        line_->MoveUp();
        return true;
    case Qt::Key_Down:
        line_->MoveDown();
        return true;
    case Qt::Key_Home:
        line_->CaretToStart();
        return true;
    case Qt::Key_End:
        line_->CaretToEnd();
        return true;
    case Qt::Key_Delete:
        line_->DeleteAtCaret(0);
        return true;
    default:
        break;
    }
    // Ctrl with the < and > keys, which take Shift on most keyboards, types
    // the same signs as Ctrl with the comma and full-stop keys under them.
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) &&
        (key == Qt::Key_Less || key == Qt::Key_Greater)) {
        line_->TypeSymbol(key == Qt::Key_Less ? LessOrEqual : GreaterOrEqual);
        return true;
    }
    if (!ctrlOnly)
        return false;
    switch (key) {
    case Qt::Key_K:
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        line_->TypeSymbol(PlusMinus);
        return true;
    case Qt::Key_O:
    case Qt::Key_Slash:
        line_->TypeFraction();
        return true;
    case Qt::Key_P:
        line_->TypeSymbol('p');
        return true;
    case Qt::Key_S:
        line_->TypeSquareRoot();
        return true;
    case Qt::Key_T:
        line_->TypeSymbol('q');
        return true;
    case Qt::Key_Comma:
        line_->TypeSymbol(LessOrEqual);
        return true;
    case Qt::Key_Period:
        line_->TypeSymbol(GreaterOrEqual);
        return true;
    case Qt::Key_C:
        CopyToClipboard();
        return true;
    case Qt::Key_V:
        PasteFromClipboard();
        return true;
    case Qt::Key_X:
        CutToClipboard();
        return true;
    default:
        return false;
    }
}

void TMathsEditor::TypeCharacter(char character)
{
    // Comment boxes take any printable character as text, but never what
    // the markup gives a meaning to ("{" and "}"): a box holding them could
    // not be read back from its document.
    const auto code = static_cast<unsigned char>(character);
    const bool printable = code >= 0x20 && code != 0x7F && character != '{' && character != '}';
    if (!(AllowedCharacter(character) || (AnyText && printable)) || !line_->CanType()) {
        if (AnyText && character != '\x1B')
            QApplication::beep();
        return;
    }
    if (character == '*')
        line_->TypeSymbol(Times);
    else if (QuickSuperscript)
        line_->TypeIndex(character);
    else
        line_->TypeText(std::string_view(&character, 1));
}

void TMathsEditor::keyPressEvent(QKeyEvent* event)
{
    if (HandleKey(event)) {
        event->accept();
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (line_)
            FinishEdit();
        else
            StartEdit(false);
        event->accept();
        return;
    }
    // Chords with Ctrl, Alt or Meta type nothing.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        TCanvasControl::keyPressEvent(event);
        return;
    }
    char character = 0;
    if (key == Qt::Key_Backspace)
        character = '\b';
    else if (key == Qt::Key_Escape)
        character = '\x1B';
    else if (const QString text = event->text(); text.size() == 1 && text[0].unicode() < 0x80)
        character = static_cast<char>(text[0].unicode());
    else if (AnyText && text.size() == 1 && text[0].isPrint())
        character = AnsiOf(text[0]);
    if (!character) {
        TCanvasControl::keyPressEvent(event);
        return;
    }
    if (OnKeyPress)
        OnKeyPress(this, character);
    if (!character)
        return;
    // Escape types nothing: it goes on to the window (a dialog closes).
    if (character == '\x1B' && line_) {
        event->ignore();
        return;
    }
    if (!line_ && (character == '\x1B' || !StartEdit(true)))
        return;
    if (!line_)
        return;
    event->accept();
    if (character == '\b')
        line_->DeleteAtCaret(1);
    else
        TypeCharacter(character);
}

// ---- Mouse -----------------------------------------------------------------------

void TMathsEditor::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        TCanvasControl::mousePressEvent(event);
        return;
    }
    const bool hadFocus = hasFocus();
    if (MouseDown(event))
        return;
    setFocus(Qt::MouseFocusReason);
    if (line_ && (hadFocus || !SelectAllOnFocus)) {
        dragging_ = true;
        dragPoint_ = event->position().toPoint();
        line_->PlaceAtPoint(dragPoint_, false);
        UpdateCaret();
    }
}

void TMathsEditor::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_ || !line_)
        return;
    dragPoint_ = event->position().toPoint();
    autoScroll_.stop();
    if (AutoScroll())
        autoScroll_.start();
}

void TMathsEditor::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_)
        return;
    autoScroll_.stop();
    dragging_ = false;
    if (line_) {
        line_->SnapCaret();
        CaretMoved();
    }
}

// ---- Focus -----------------------------------------------------------------------

void TMathsEditor::focusInEvent(QFocusEvent* event)
{
    TCanvasControl::focusInEvent(event);
    if (ReceiveFocus)
        ReceiveFocus(this);
    ActiveMathsEditor = this;
    if (line_) {
        // The focus coming back to an error keeps the caret at the error
        // (and the error on show) instead of selecting everything.
        if (SelectAllOnFocus && event->reason() != Qt::PopupFocusReason && !focusRequested_)
            line_->SelectAll();
        caretOn_ = true;
        blink_.start();
        UpdateCaret();
    }
}

void TMathsEditor::focusOutEvent(QFocusEvent* event)
{
    TCanvasControl::focusOutEvent(event);
    blink_.stop();
    caretOn_ = false;
    UpdateCaret();
    if (line_ && line_->HasSelection() && DropSelectionOnExit() && event->reason() != Qt::PopupFocusReason) {
        InvalidateLine(line_->SelectionRect());
        line_->SetCaret(line_->anchor.element, line_->anchor.offset);
        update();
    }
    if (ActiveMathsEditor == this)
        ActiveMathsEditor = nullptr;
    if (OnKillFocus && window() && !window()->testAttribute(Qt::WA_WState_Hidden) &&
        PendingFocusRequests == 0) {
        bool validate = false;
        QWidget* receiver = QApplication::focusWidget();
        OnKillFocus(this, validate, receiver);
        if (validate && receiver && receiver->window() == window())
            ValidateNumber();
    }
}

// ---- Control base ------------------------------------------------------------------

TDrawObject* TMathsEditor::ObjectAt(QPoint pixel)
{
    if (!line_)
        return nullptr;
    const QRect rect(line_->offsetX, line_->offsetY, line_->leftMargin + line_->width, line_->height);
    return rect.contains(pixel) ? line_.get() : nullptr;
}

void TMathsEditor::HintFlags(QPoint, std::uint32_t&) {}

void TMathsEditor::ShowMessage(const QString& text, QMessageBox::Icon icon, int helpTopic)
{
    QMessageBox box(icon, QApplication::applicationName(), text, QMessageBox::Ok | QMessageBox::Help, this);
    // Escape closes it as OK does (beside Help, Qt would give Escape no button).
    box.setEscapeButton(QMessageBox::Ok);
    if (box.exec() == QMessageBox::Help && MainWindow) // the help window is the main window's
        MainWindow->ShowHelp(helpTopic);
}
