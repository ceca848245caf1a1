// TDockSiteWindow: the main window's docking layer on QMainWindow. It holds
// the dock panels and the toolbars, writes and restores their arrangement as
// text lines for documents (the screen layout block and the Toolbar
// records), keeps the toolbar layout file "Bars.ini" in the user's
// configuration folder, floats toolbars at given places and applies the
// layout lock.
#pragma once

#include "settings/toolbarrecord.h"

#include <QMainWindow>

#include <map>
#include <string>
#include <vector>

class QDockWidget;
class QToolBar;

class TDockSiteWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TDockSiteWindow(QWidget* parent = nullptr);
    ~TDockSiteWindow() override;

    // Adds a dock panel holding the widget (owned by the panel).
    QDockWidget* AddPanel(const QString& name, const QString& caption, QWidget* content,
                          Qt::DockWidgetArea area);
    // The dock panel of that component name, or nullptr.
    [[nodiscard]] QDockWidget* Panel(const QString& name) const;
    // Adds a toolbar by side; floating toolbars float at a default place.
    QToolBar* AddBar(const QString& name, const QString& caption, const std::string& side, bool visible);
    // The toolbar of that component name, or nullptr.
    [[nodiscard]] QToolBar* Bar(const QString& name) const;
    // Every toolbar in creation order.
    [[nodiscard]] const std::vector<QToolBar*>& Bars() const { return bars_; }

    // The dock panels' layout as text lines (none of them a tab and "Screen layout").
    [[nodiscard]] std::vector<std::string> LayoutText() const;
    // Restores a layout written by LayoutText; false when the text is not one.
    bool RestoreLayoutText(const std::vector<std::string>& lines);
    // The Toolbar record of one toolbar as it stands.
    [[nodiscard]] TToolbarPlace RecordOf(QToolBar* bar) const;
    // The Toolbar records of every toolbar.
    [[nodiscard]] std::vector<TToolbarPlace> ToolbarRecords() const;
    // Applies a record to the toolbar it names; false when it names none.
    bool ApplyToolbarRecord(const TToolbarPlace& record, bool applyRow = true);
    // Hides every toolbar (a document's records then show the ones it names).
    void HideAllBars();
    // Shows or hides a toolbar where it stands (floating ones with their
    // window); false when no toolbar has that name.
    bool ShowBar(const QString& name, bool visible);
    // The toolbar chooser: the panels and docked toolbars, then the floating
    // toolbars, each shown or hidden by its check.
    QMenu* createPopupMenu() override;

    // When locked, panels other than the unlocked one move only while
    // floating, and toolbars do not move.
    void SetLayoutLocked(bool locked);
    [[nodiscard]] bool LayoutLocked() const { return locked_; }
    // The panel that stays movable under the layout lock.
    void SetAlwaysMovablePanel(QDockWidget* panel) { alwaysMovable_ = panel; }

    // The full path of "Bars.ini".
    [[nodiscard]] static QString BarsFile();
    // Stores the toolbar and panel arrangement in "Bars.ini"; false on failure.
    bool SaveBars() const;
    // Restores the arrangement from "Bars.ini"; false when there is none.
    bool LoadBars();

private:
    void Float(QToolBar* bar, const QRect& clientRect);
    void Dock(QToolBar* bar, Qt::ToolBarArea area, bool alone);
    void ApplyLock();

    std::vector<QToolBar*> bars_;
    std::map<QToolBar*, QWidget*> floatHosts_;
    QDockWidget* alwaysMovable_ = nullptr;
    bool locked_ = false;
};
