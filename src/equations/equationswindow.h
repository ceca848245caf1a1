// TEquationsWindow: the list of every line of a document, one under the
// other, as a maths editor that holds many lines. The user selects lines with
// the mouse and the arrow keys, edits one in place and enters it with Enter,
// reorders lines by dragging and copies or cuts whole lines as markup text.
// The lines themselves live in a TEquationList, which the graph window reads
// as its line source; requests the objects make through their state bits are
// carried out when the event loop is idle.
#pragma once

#include "document/equationlist.h"
#include "document/lineediting.h"
#include "editor/mathseditor.h"

#include <QTimer>

#include <functional>
#include <memory>

class QMimeData;
class TEquationsScrolling;
class Canvas;

class TEquationsWindow : public TMathsEditor {
    Q_OBJECT
public:
    explicit TEquationsWindow(QWidget* parent = nullptr);
    ~TEquationsWindow() override;

    // ---- events for the owner ----------------------------------------------------
    // After an object was inserted.
    std::function<void(TEquationObject* object)> OnInsertCurve;
    // Just before an object is removed.
    std::function<void(TEquationObject* object)> OnDeleteCurve;
    // After a line left the list, before it is freed (any removal, a
    // replacement, clearing the list): whoever borrows it lets go.
    std::function<void(TEquationObject* object)> OnLineLeaving;
    // The selection left (select false) or reached (select true) an object.
    std::function<void(TEquationsWindow* sender, TEquationObject* object, bool select)> OnSelectCurve;
    // The lines changed in a way the graph must show (entered, deleted, moved,
    // recalculated).
    std::function<void()> OnLinesChanged;
    // Idle processing did something; the owner brings its commands up to date.
    std::function<void()> OnChangesProcessed;

    // Sets the graph window's mouse mode: 400 on every selection (view modes
    // and active tools stay, other modes end), a command's mode after it
    // started a line.
    std::function<void(int mode)> SetGraphMouseMode;

    // A press on a line that is not being edited may start dragging it.
    bool CanDrag = true;

    // ---- the lines -----------------------------------------------------------------
    [[nodiscard]] TEquationList& List() { return list_; }
    [[nodiscard]] const TEquationList& List() const { return list_; }
    [[nodiscard]] TLineEditing& Editing() { return editing_; }
    [[nodiscard]] int Count() const { return list_.Count(); }
    [[nodiscard]] TEquationObject* ItemAt(int index) const { return list_.ItemAt(index); }
    [[nodiscard]] TEquationObject* SelectedObject() const { return list_.SelectedObject(); }
    [[nodiscard]] int SelectedIndex() const { return list_.SelectedIndex(); }

    // ---- geometry --------------------------------------------------------------------
    // The rectangle of the line at index: indented one tab stop per ancestor,
    // as wide as the line rounded up to a tab stop. Index 30000 gives the
    // total: bottom the total height, right the largest right edge.
    [[nodiscard]] QRect LineRect(int index) const;
    // The line containing a pixel; Count() below all lines; -1 otherwise.
    [[nodiscard]] int LineAt(QPoint pixel) const;
    // The first line whose bottom is below y, or -1.
    [[nodiscard]] int LineAtY(int y) const;

    // ---- selection and editing -----------------------------------------------------------
    // Changes the selection, finishing any edit first, and starts editing where
    // the new-line position was chosen or the selected line was clicked again;
    // answers whether a line is being edited.
    bool SelectLine(int index, TEquationObject* parent = nullptr, int candoList = 0);
    // SelectLine(selected index + step) when that is inside the list.
    void SelectRelative(int step);
    // Sets the selection without telling anybody.
    void SetSelected(int index);
    // Stops editing without finishing and selects nothing.
    void Deselect();
    // Removes the selected object when it is not valid; then true when no line
    // is being edited or finishing it succeeded.
    bool FinishPendingEdit();
    // The default handlers of the start and end of editing; an owner that
    // installs its own calls these from them.
    void StartEditDefault(bool& newEditor, TEquationObject* parent, int candoList);
    void FinishEditDefault(bool& editStopped);

    // ---- lines for commands ------------------------------------------------------------
    // Starts a new line (under the selected object with withParent) and puts
    // list in it; a mouse mode other than 0 then goes to the graph window.
    // Answers whether a line is being edited.
    bool AddLineWith(TElementList list, int mouseMode, bool withParent, int candoList);
    // Puts a field list into the line being edited (after the field list the
    // caret stands at, or at the start), or starts a new line with it.
    bool AddFixedList(std::unique_ptr<TFixedList> fields, int mouseMode, int candoList);
    // A line of the fixed description and an empty matrix of rows by columns.
    bool AddMatrixLine(int description, int rows, int columns);

    // ---- changes -----------------------------------------------------------------------
    int InsertObject(std::unique_ptr<TEquationObject> object);
    void DeleteObject(TEquationObject* object);
    void DeleteDependents(TEquationObject* object);
    void RemoveObject(TEquationObject* object);
    // The Delete curve path (refusals included); answers the warning shown, or
    // an empty text when the line was deleted.
    QString DeleteCurve(TEquationObject* object);
    // Frees every line, first taking the edited line away from the editor.
    void ClearAll();
    // Runs the idle work now (normally run by the event loop).
    bool ProcessChanges();
    // Arms the idle work to run once the pending events are handled.
    void ScheduleIdle();
    // Holds the idle work back (while a constant is being played) or lets
    // it run again, at once when some was asked for meanwhile.
    void SuspendIdle(bool suspended);
    [[nodiscard]] bool IdleSuspended() const { return idleSuspended_; }

    // ---- view ------------------------------------------------------------------------
    void ScrollToSelected();
    void UpdateScrollRanges();
    void FitScrollRange() override { UpdateScrollRanges(); }
    // The edited line grew or shrank: the lines below it move.
    void LineHeightChanged() override;
    // Repaints a line widened by extra pixels; a positive extra repaints
    // everything from the line's top down.
    void InvalidateLine(int index, int extra = 0);
    using TMathsEditor::InvalidateLine;
    // Measures every line again with the window's font.
    void RemeasureAll();
    // Every curve drops its cached drawing.
    void DiscardAllLineStores();
    // Paints the lines onto canvas for a picture (printing: for a printer,
    // on white), without the selection frame or the edited line's highlight.
    void PaintAll(Canvas& canvas, bool printing, QPoint offset = {});
    // Paints the lines for printing: no selection frame or highlight.
    void PrintLines(Canvas& canvas, QPoint offset = {});
    // Draws the page title (caption, ":  " and the print name when there is
    // one, "    Page n" from page 2) centred on the page; answers its height.
    int PrintHeader(Canvas& canvas, int pageWidth, int pageNumber, const QString& caption,
                    const QString& printName);

    // ---- clipboard and drag -------------------------------------------------------------
    void CopyToClipboard() override;
    void CutToClipboard() override;
    // Leaving the window keeps the selection inside the edited line.
    bool DropSelectionOnExit() override { return false; }
    // The drag payload of the selected line (owned by the caller).
    [[nodiscard]] QMimeData* LineMimeData() const;
    // Whether the selected line may be dropped at a pixel, and dropping it.
    [[nodiscard]] bool CanDropAt(QPoint pixel) const;
    bool DropAt(QPoint pixel);

    [[nodiscard]] TDrawObject* ObjectAt(QPoint pixel) override;
    void HintFlags(QPoint pixel, std::uint32_t& flags) override;

    TEquationsScrolling* ScrollBox = nullptr; // borrowed

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void MeasureObject(TEquationObject& line);
    // marks: the selection frame and the edited line with its highlight, as on screen.
    void PaintLines(Canvas& canvas, const QRect& clip, bool printing, bool marks, QPoint offset);
    void SelectionSlid(const TEquationObject* before);
    void LineLeaving(TEquationObject* line);
    // The list owns every line, the edited one too: the editor's hold on it
    // is always let go of, never used to free it.
    void AttachLine(TEditor* line);
    void DetachLine();
    void ShowFault(const TFinishResult& result);
    void RunIdle();
    void StartDrag();
    [[nodiscard]] int TabStop() const;
    // The rectangle of line when its top is at top.
    [[nodiscard]] QRect RectAt(const TEquationObject& line, int top) const;

    TEquationList list_;
    TLineEditing editing_{list_};
    QTimer idle_;
    bool idleSuspended_ = false;
    bool idleWaiting_ = false;
    QPoint pressPoint_;
    bool dragArmed_ = false;
};
