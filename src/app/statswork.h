// TStatsWork: the main window's part for statistics. It docks the
// Statistics window, runs the Stats menu's best-fit, regression and
// polynomial commands, "Show stats" and "Options", and the popup's "Stats
// options" on a statistics line, and keeps the window on the selected data
// set as it changes.
#pragma once

#include <QObject>

class QAction;
class QDockWidget;
class TEquationObject;
class TLumacurveForm;
class TStatsDisplayForm;
struct TStatsOptions;

class TStatsWork : public QObject {
    Q_OBJECT
public:
    explicit TStatsWork(TLumacurveForm& form);

    // Docks the window (hidden), registers the commands and joins the
    // equations window's events (after the other parts have joined them).
    void Register();
    // A document is being opened: the window hides.
    void DocumentOpening();
    // The popup menu opens for object (or none).
    void PopupOpening(TEquationObject* object);

    [[nodiscard]] TStatsDisplayForm* Display() const { return display_; }
    [[nodiscard]] QDockWidget* Panel() const { return panel_; }
    // Opens the options dialog on options; true when OK stored new choices.
    bool EditOptions(TStatsOptions& options);

private:
    void RegisterCommands();
    void JoinEvents();
    void ShowWindow();
    void PrintWindow();
    void EditLineOptions();

    TLumacurveForm& form_;
    TStatsDisplayForm* display_ = nullptr;
    QDockWidget* panel_ = nullptr;
    QAction* popupOptions_ = nullptr;
    TEquationObject* popupObject_ = nullptr; // checked against the list before use
};
