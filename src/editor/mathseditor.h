// TMathsEditor: the control that edits one formula line in two-dimensional
// notation. It turns keys, Ctrl chords, Alt chords (event 1045), mouse
// presses and drags into the editing operations of its TEditor line, paints
// the line with its selection and blinking caret, scrolls the caret into
// view, talks to the clipboard in formula markup, and reads numbers for
// dialog fields. The equations window derives from it and overrides the
// virtual operations marked below.
//
// Ownership: a line handed over with SetLine belongs to the control until it
// is destroyed or another line replaces it (SetLine answers the old one).
#pragma once

#include "editor/canvascontrol.h"
#include "expr/realreader.h"
#include "formula/editor.h"

#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QScrollArea;
struct TParseParams;

// Event 1040: the control takes the focus (posted after a number error, so
// that the focus comes back to the field).
inline const QEvent::Type TakeFocusEventType = static_cast<QEvent::Type>(1040);
// Event 1045: an Alt chord forwarded by the application's key filter.
inline const QEvent::Type AltChordEventType = static_cast<QEvent::Type>(1045);

// An Alt chord for the focused control: key is the Qt key (Key_0 to Key_9,
// Key_S, Key_X, Key_Y, Key_Minus, Key_Period); keypad tells that it came
// from the numeric keypad. The control sets answered when it used the chord,
// and the sender then marks the key handled.
class TAltChordEvent : public QEvent {
public:
    TAltChordEvent(int key, bool keypad) : QEvent(AltChordEventType), key(key), keypad(keypad) {}
    int key;
    bool keypad;
    bool answered = false;
};

class TMathsEditor;

// The maths editor that has the focus, or nullptr; the main window sends its
// insert commands there.
inline TMathsEditor* ActiveMathsEditor = nullptr;
// Set by the keypad's "Alt key" button: typed characters go into an index.
inline bool QuickSuperscript = false;
// Focus requests (event 1040) posted and not yet delivered, over all
// controls. While any is pending, losing the focus validates nothing, so two
// fields with errors cannot take the focus from each other for ever.
inline int PendingFocusRequests = 0;

// The help topic of the editor's messages.
inline constexpr int FormulaHelpTopic = 207;
// The warning for an insertion that would nest cells deeper than a document
// can hold.
inline constexpr const char* TooDeepMessage = "The formula is nested too deeply.";

class TMathsEditor : public TCanvasControl, public TLineWindow {
    Q_OBJECT
public:
    // A control with an empty line (a dialog field) or, withLine false,
    // without one (the equations window).
    explicit TMathsEditor(QWidget* parent = nullptr, bool withLine = true);
    ~TMathsEditor() override;

    // ---- The line ----
    // The line being edited, or nullptr (owned by the control).
    [[nodiscard]] TEditor* Line() const { return line_.get(); }
    // Makes line the edited one (nullptr: none); answers the line it replaces.
    std::unique_ptr<TEditor> SetLine(std::unique_ptr<TEditor> line);
    // Asks OnStartEdit for a line; answers whether a line is now edited.
    bool StartEdit(bool newLine, TEquationObject* parent = nullptr, std::uint16_t canDoList = 0);
    // Asks OnFinishEdit; answers whether the edit stopped.
    bool FinishEdit();
    // True when a line is edited, or a new one from StartEdit accepts typing.
    bool CanEdit();

    // ---- Commands of the main window's buttons (nothing unless CanEdit) ----
    void InsertPi();
    void InsertTheta();
    void InsertSquareRoot();
    void InsertPlusMinus();
    void InsertFraction();
    void InsertIndex();
    void TabForward();
    void MoveRightAcross();
    void MoveLeftAcross();

    // ---- Number fields ----
    // An empty line is valid exactly with AllowBlank; otherwise the number
    // must read without error (an error is shown).
    bool ValidateNumber();
    // The number the line holds (nullptr for a blank line with AllowBlank or
    // after an earlier error); errors are recorded in params and shown.
    [[nodiscard]] TRealReaderPtr NumberFromLine(TParseParams& params);
    // Reads the number into target (and calls callback with its value);
    // answers true when an error occurred, leaving target alone.
    bool ReadNumber(TRealReaderPtr& target, TParseParams& params,
                    const std::function<void(Extended)>& callback = {});
    // Shows the recorded error: caret at it, beep, label or message box, and
    // the focus comes back to the control.
    void ShowError(const TParseParams& params);
    // Shows a number with 10 significant figures, caret at the start.
    void ShowNumber(const TRealReader& number);
    // Replaces the line's elements (caret at the end); Clear empties it.
    void SetElements(TElementList list);
    void Clear();
    // The markup of the line ("" without a line).
    [[nodiscard]] std::string LineText() const;
    [[nodiscard]] bool Modified() const { return line_ && line_->modified; }
    void ClearModified();

    // ---- Operations the equations window overrides ----
    // True: leaving the control collapses the selection.
    virtual bool DropSelectionOnExit() { return true; }
    // The hook, called with 1000 after a deletion that only removed a
    // selection and after a paste; does nothing here.
    virtual void Hook(int value) { (void)value; }
    // Copies the selection as markup text (only with a selection).
    virtual void CopyToClipboard();
    // Pastes markup text at the caret; malformed text shows the reader's
    // message and pastes nothing.
    virtual void PasteFromClipboard();
    // Copies the selection, then deletes it.
    virtual void CutToClipboard();

    // ---- Properties and events ----
    // Typing puts in every printable character as text (a comment box), not
    // only the characters of formulas.
    bool AnyText = false;
    bool AllowBlank = false;
    bool SelectAllOnFocus = false;
    bool ShowErrorDialog = true;
    bool Positive = false;
    // The scroll box the control sits in, or nullptr (borrowed).
    QScrollArea* Scrolling = nullptr;
    // Asked when the focus leaves for receiver; setting validate runs
    // ValidateNumber when receiver is in the same window.
    std::function<void(TMathsEditor* sender, bool& validate, QWidget* receiver)> OnKillFocus;
    // Fired when the focus arrives.
    std::function<void(TMathsEditor* sender)> ReceiveFocus;
    // Enter on an edited line; setting editStopped ends the edit.
    std::function<void(TMathsEditor* sender, bool& editStopped)> OnFinishEdit;
    // Asks the owner for a line (which it hands over with SetLine).
    std::function<void(TMathsEditor* sender, bool& newEditor, TEquationObject* parent,
                       std::uint16_t canDoList)>
        OnStartEdit;
    // Fired first for every typed character; may change it (0 drops it).
    std::function<void(TMathsEditor* sender, char& key)> OnKeyPress;

    // True while a left-button drag selects.
    [[nodiscard]] bool Dragging() const { return dragging_; }
    // True while the blinking caret is drawn.
    [[nodiscard]] bool CaretShown() const;

    // TCanvasControl: the edited line when the pixel lies on it.
    [[nodiscard]] TDrawObject* ObjectAt(QPoint pixel) override;
    void HintFlags(QPoint pixel, std::uint32_t& flags) override;

    // TLineWindow.
    void InvalidateLine(const QRect& rect) override;
    void LineChanged(TEditor& line) override;
    void ShowTooLong() override;
    void ShowTooDeep() override;
    void InsertionRefused() override;
    void CaretMoved() override;
    void LineHook(int value) override { Hook(value); }

    [[nodiscard]] QSize sizeHint() const override;

    // Scrolls the edited line so that its caret is in view.
    void ScrollCaretIntoView();

protected:
    // Shows a message box (tests replace it).
    virtual void ShowMessage(const QString& text, QMessageBox::Icon icon, int helpTopic);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // Paints the line with its selection and caret; the equations window
    // paints its other lines around this.
    void PaintEditedLine(Canvas& canvas, QPainter& painter);
    // Makes the scroll box's range hold the edited line as it now stands,
    // before the caret is scrolled into view (the equations window's).
    virtual void FitScrollRange() {}

private:
    bool HandleKey(QKeyEvent* event);
    void TypeCharacter(char character);
    bool AutoScroll();
    void ClampScroll();
    void UpdateCaret();

    std::unique_ptr<TEditor> line_;
    QTimer blink_;
    QTimer autoScroll_;
    bool caretOn_ = false;
    QRect shownCaret_;
    bool dragging_ = false;
    QPoint dragPoint_;
    bool focusRequested_ = false;
};
