// TShapeWork: the main window's part for points and shapes. It docks the
// coordinate editor and the coordinate list in their panels, runs the
// commands of the Shapes and Stats menus that make lists and shapes (New
// shape, Data Points, Flag, Triangle to Octagon, Polygon, Coordinate list,
// Swap x and y) and Area, the popup's Delete point, Label and Shade, places
// shapes with the mouse, and gives the curves the equations list and graph
// they ask for (the plot host).
#pragma once

#include "plot/curveplotter.h"

#include <QObject>
#include <QPoint>

class QAction;
class QDockWidget;
class TCoordCurve;
class TCoordinateEditor;
class TCoordinateLister;
class TLumacurveForm;
struct TCommandFacts;

class TShapeWork : public QObject, public TPlotHost {
    Q_OBJECT
public:
    explicit TShapeWork(TLumacurveForm& form);
    ~TShapeWork() override;

    // Docks the panels, registers the commands and joins the equations
    // window's events (after the window's own handlers are in place).
    void Register();
    // The main window is going: nothing of this part may act from now on.
    void Shutdown();

    [[nodiscard]] TCoordinateEditor* Editor() const { return editor_; }
    [[nodiscard]] TCoordinateLister* Lister() const { return lister_; }
    [[nodiscard]] QDockWidget* EditorPanel() const { return editorPanel_; }
    [[nodiscard]] QDockWidget* ListerPanel() const { return listerPanel_; }
    // A list is open in the coordinate editor (no undo steps are taken meanwhile).
    [[nodiscard]] bool CoordinateEditorBound() const;
    // Opens the coordinate editor on list, docked the first time, and focuses it.
    void OpenCoordinateEditor(TCoordCurve* list);
    // Settles what the coordinate editor holds (Undo, saving); false on a fault in a row.
    bool SettleInput();
    // The facts of the commands this part enables.
    void AddFacts(TCommandFacts& facts) const;
    // The popup menu opens for object at point of the graph (onGraph) or the equations window.
    void PopupOpening(TEquationObject* object, QPoint point, bool onGraph);

    // ---- TPlotHost ----
    void RedrawCurve(TCurvePLotter& curve) override;
    [[nodiscard]] int LineIndexOf(const TEquationObject* object) const override;
    [[nodiscard]] std::vector<TEquationObject*> Lines() const override;
    [[nodiscard]] std::unique_ptr<TEquationObject>
    ReplaceLine(TEquationObject& old, std::unique_ptr<TEquationObject> replacement) override;
    [[nodiscard]] TGraphParams* GraphParams() override;
    void SetGraphMouseMode(int code) override;

private:
    void RegisterCommands();
    void JoinEvents();
    // A new list of the kind (5 or 6), put in the equations list and the coordinate editor.
    void NewList(int kind);
    void NewFlag();
    void NewShape(int sides);
    void NewPolygonLine();
    // Finishes the line being typed; a fault goes to the status line and answers false.
    bool FinishPendingLine();
    // Puts object in the equations list as a new line, selected; answers it (borrowed).
    TEquationObject* AddLine(std::unique_ptr<TEquationObject> object);
    void ShowArea();
    void SwapXY();
    void ListChanged(TCurvePLotter* curve);
    void FocusChanged(QWidget* now);

    TLumacurveForm& form_;
    TPlotHost* previousHost_ = nullptr;
    TCoordinateEditor* editor_ = nullptr;
    TCoordinateLister* lister_ = nullptr;
    QDockWidget* editorPanel_ = nullptr;
    QDockWidget* listerPanel_ = nullptr;
    QAction* popupDeletePoint_ = nullptr;
    QAction* popupLabel_ = nullptr;
    QAction* popupShade_ = nullptr;
    TEquationObject* popupObject_ = nullptr; // checked against the list before use
    QPoint popupPoint_;
};
