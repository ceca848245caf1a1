// TDeclaredConstantEditor: the dynamic constant editor's window, docked in
// the main window's panel "DynamicEditorDockPanel". It shows the list of
// the document's dynamic constants, the value and step boxes and the play
// buttons, turns keys, clicks and its timer into the operations of the
// editor's logic (TDynamicConstantEditing), and gives the logic the graph
// window to animate. It is made when first asked for and freed when it
// closes; while it exists curves cannot be dragged.
#pragma once

#include "document/dynamicediting.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QDockWidget;
class QLabel;
class QToolBar;
class QToolButton;
class TEquationsWindow;
class TGraphWindow;
class TMathsEditor;

class TDeclaredConstantEditor : public QWidget, public TDynamicEditorView {
    Q_OBJECT
public:
    // The caption of the editor and of its panel.
    static constexpr const char* Caption = "Dynamic constant editor";
    static constexpr int HelpTopic = 206;

    // Builds the editor into panel (borrowed) on the lines of equations,
    // animating graph (both borrowed), chooses constant (or the first), and
    // sizes and places itself.
    TDeclaredConstantEditor(QDockWidget* panel, TEquationsWindow* equations, TGraphWindow* graph,
                            const TDynamicConstantEquation* constant = nullptr);
    // Freeing ends the period (its undo step), lets curves be dragged again
    // and hides the panel, remembering where it was.
    ~TDeclaredConstantEditor() override;

    // The logic the window drives.
    [[nodiscard]] TDynamicConstantEditing& Editing() { return *editing_; }
    // Shows the panel and the editor; a floating panel takes the editor's size.
    void ShowPanel() override;
    // Ends a running period while the lines still exist (before the document's lines are replaced).
    void EndPeriod();

    // Called when the value changed: the main window marks its document modified.
    std::function<void()> OnDocumentModified;
    // Opens help at a topic (the main window's help).
    std::function<void(int topic)> OnHelp;

    // The editor's last position on the screen, once it was freed.
    static inline QPoint LastPosition{-1, -1};

    // ---- TDynamicEditorView ----------------------------------------------------------
    TEditor& BoxLine(TDynamicBox box) override;
    void ShowBoxNumber(TDynamicBox box, const TRealReader& number, bool changed) override;
    void ClearBox(TDynamicBox box) override;
    void ShowBoxError(TDynamicBox box, const TParseParams& params) override;
    void ConstantListChanged(const std::vector<std::string>& names, int selected) override;
    void TimerChanged(bool running, int interval) override;
    void PlayDirectionShown(int direction) override;
    void UsersRedrawn() override;
    void ConstantLineRefreshed(int index, bool heightChanged) override;
    void SuspendIdle(bool suspended) override;
    [[nodiscard]] bool CanFinishEquationsEdit() override;
    void DocumentModified() override;
    void CloseRequested() override;
    void TakeFocus() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void PlaceControls();
    void PlaceOnScreen();
    [[nodiscard]] TMathsEditor* Box(TDynamicBox box) const;
    [[nodiscard]] bool Contains(const QWidget* widget) const;
    void FocusChanged(QWidget* old, QWidget* now);
    // Keys for the whole editor: true when the key was used.
    bool PreviewKey(QKeyEvent* event);
    // The redraw of the drag handles of the selected curve, as the gate changed.
    void RedrawSelectedCurve();

    QPointer<QDockWidget> panel_;
    TEquationsWindow* equations_;
    TGraphWindow* graphWindow_;
    std::unique_ptr<TDynamicGraph> graph_;
    std::unique_ptr<TDynamicConstantEditing> editing_;

    QComboBox* currentConstant_ = nullptr;
    TMathsEditor* variableEdit_ = nullptr;
    QLabel* step_ = nullptr;
    TMathsEditor* stepEditor_ = nullptr;
    QToolBar* finishBar_ = nullptr;
    QToolBar* playBar_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QToolButton* help_ = nullptr;
    QToolButton* fastBack_ = nullptr;
    QToolButton* backward_ = nullptr;
    QToolButton* stop_ = nullptr;
    QToolButton* forward_ = nullptr;
    QToolButton* fastForward_ = nullptr;
    QTimer timer_;
    // Presses on the step and play buttons queued during a redraw are
    // dropped until the events pending after it have been handled: a timer
    // of interval 0 runs only once the window system's queue is empty (a
    // queued call would run before them).
    QTimer dropTimer_;
    bool dropPresses_ = false;
    bool closing_ = false;
    bool filling_ = false;
};
