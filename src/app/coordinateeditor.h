// TCoordinateEditor: the coordinate editor ("Coordinate editor"), which
// edits the rows of one coordinate list or data set in a grid of "(x, y)"
// lines that the user types into, and lets the user add points by clicking
// on the graph and move them by dragging (mouse mode 206). Every change is
// drawn at once, only the list itself over the graph's picture. The editor
// borrows the list and lets go of it as soon as it leaves the equations list.
#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QScrollArea;
class QToolBar;
class TBitMapMarker;
class TCoordCurve;
class TEquationObject;
class TEquationsWindow;
class TEditor;
class TGraphWindow;
class TMouseCoords;
class Canvas;

class TCoordinateEditor : public QWidget {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 203;
    // What committing the row being edited gave.
    enum TCommit { crChanged = 0, crUnchanged = 1, crError = 2 };

    explicit TCoordinateEditor(QWidget* parent = nullptr);
    ~TCoordinateEditor() override;

    // The windows the editor works with (borrowed): the main equations
    // window (names, the lines' font) and the graph window.
    void SetWindows(TEquationsWindow* mainEquations, TGraphWindow* graph);
    // The label faults of a row are shown in.
    void SetErrorReporter(QLabel* label);

    // ---- operations of the main window ------------------------------------------------
    // Opens the editor on list (borrowed): one grid row per row, the last selected.
    void EditList(TCoordCurve* list);
    // When shown, a different list selected in the equations window is edited instead.
    void FollowSelection(TEquationObject* object);
    // A line left the equations list: when it is the edited list, the editor lets it go.
    void LineLeaving(const TEquationObject* line);
    // A list is open, it has at most one row, and that row is empty.
    [[nodiscard]] bool IsFreshEntry() const;
    // Settles the row being edited (Undo, saving, another list); false on a fault.
    bool SettleInput();
    // Ends the editing of the list: trailing gaps go, an empty list is deleted; false on a fault.
    bool Finish();
    // The editor gains or loses the focus as a whole (its panel).
    void Activate();
    void Deactivate();
    [[nodiscard]] bool Active() const { return active_; }
    // The main window is going: the editor lets go of the graph and the list.
    void Shutdown();

    // ---- the grid ---------------------------------------------------------------------
    // 0 the row changed, 1 nothing changed, 2 a fault (shown; the row stays in editing).
    TCommit CommitRow();
    // Insert command and Enter: a blank row before or after the current one.
    void Insert();
    // Delete point command: removes the current row.
    void DeletePoint();
    // Selects row index (of the grid) for editing.
    bool SelectRow(int index);

    // ---- point entry on the graph (the mouse control calls these) -------------------------
    void Hover(QPoint pixel, Qt::KeyboardModifiers modifiers);
    void ShiftChanged(bool down);
    bool Press(QPoint pixel);
    void DragTo(QPoint pixel);
    void Release();
    // Draws the list over the graph's picture.
    void PaintCurve(Canvas& canvas);
    // The mouse control is going.
    void MouseControlGone(TMouseCoords* control);

    [[nodiscard]] TCoordCurve* Curve() const { return curve_; }
    [[nodiscard]] TEquationsWindow* Grid() const { return grid_; }
    [[nodiscard]] int CurrentRow() const;
    [[nodiscard]] int HoverIndex() const { return hoverIndex_; }
    [[nodiscard]] bool MarkerShown() const { return markerShown_; }
    [[nodiscard]] TBitMapMarker* Marker() const { return marker_.get(); }
    [[nodiscard]] QAction* Action(const char* name) const;
    [[nodiscard]] QLineEdit* FirstLetterEdit() const { return firstLetter_; }

signals:
    // The list changed (the document is modified).
    void ListChanged();
    // The editor was closed with Finish (the main window hides its panel).
    void Finished();
    void HelpRequested(int topic);
    // Asks the main window for a new list (the editor was activated without one).
    void NewListRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void Unbind();
    void FillGrid();
    void ShowOptions();
    void ShowMarker();
    void HideMarker();
    void Redraw();
    void RetakeBackground();
    void Changed();
    void AttachMouse();
    void DetachMouse();
    void InsertRowAt(int row);
    void RemoveRowAt(int row);
    void RemoveSpareBlanks();
    void NewLineAt(int position);
    void PutPoint(QPoint pixel);
    // The grid handlers.
    void GridStartEdit(bool& newEditor);
    void GridFinishEdit(bool& editStopped);
    void GridSelect(bool selected);
    [[nodiscard]] bool RowEmpty() const;
    [[nodiscard]] int RowCount() const;

    QMenuBar* menu_ = nullptr;
    QToolBar* bar_ = nullptr;
    QScrollArea* viewer_ = nullptr;
    TEquationsWindow* grid_ = nullptr;
    QLineEdit* firstLetter_ = nullptr;
    QAction* firstLetterAction_ = nullptr;
    QAction* ok_ = nullptr;
    QAction* insert_ = nullptr;
    QAction* delete_ = nullptr;
    QAction* closed_ = nullptr;
    QAction* joined_ = nullptr;
    QAction* help_ = nullptr;
    QAction* label_ = nullptr;
    QAction* shade_ = nullptr;

    TEquationsWindow* mainEquations_ = nullptr; // borrowed
    QPointer<TGraphWindow> graph_;              // borrowed
    TCoordCurve* curve_ = nullptr;              // borrowed; none when unbound
    std::unique_ptr<TBitMapMarker> marker_;
    TMouseCoords* mouseControl_ = nullptr; // owned by the graph window while installed
    int hoverIndex_ = -1;
    bool markerShown_ = false;
    bool dragging_ = false;
    bool inMouseAction_ = false;
    bool creatingShape_ = false;
    bool bound_ = false;
    bool active_ = false;
    bool unbinding_ = false;
};
