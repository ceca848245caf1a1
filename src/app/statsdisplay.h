// TStatsDisplayForm: the Statistics window. Two grids show the statistics of
// the selected data set: one column per axis for the means, medians and
// spreads, and one column for the count, the correlation and the fitted
// lines. It borrows the set it shows and lets go of it as soon as the set
// leaves the equations list; its popup prints the window or copies both
// grids as text.
#pragma once

#include <QWidget>

#include <string>

class QAction;
class QMenu;
class QPainter;
class QTableWidget;
class TDataPoints;
class TEquationObject;

class TStatsDisplayForm : public QWidget {
    Q_OBJECT
public:
    explicit TStatsDisplayForm(QWidget* parent = nullptr);

    // Shows the statistics of object (borrowed) when it is a data set; any
    // other line (or none) empties the grids.
    void ShowStats(TEquationObject* object);
    // Builds the grids again from the set shown (its data or the options changed).
    void Refresh();
    // The line left the equations list: when it is the set shown, the grids empty.
    void LineLeaving(const TEquationObject* line);

    [[nodiscard]] TDataPoints* Shown() const { return shown_; }
    // Both grids as Copy puts them on the clipboard: cells apart by tabs,
    // rows ended by CR LF, the per-axis grid first.
    [[nodiscard]] std::string GridsText() const;
    // Paints both grids, one under the other, from the top left of the painter's window.
    void PaintGrids(QPainter& painter) const;
    [[nodiscard]] QSize sizeHint() const override;

    [[nodiscard]] QTableWidget* AxisGrid() const { return axisGrid_; }
    [[nodiscard]] QTableWidget* GeneralGrid() const { return generalGrid_; }
    [[nodiscard]] QMenu* Popup() const { return popup_; }
    [[nodiscard]] QAction* CopyAction() const { return copy_; }

signals:
    void PrintRequested();

private:
    void SizeColumns();

    QTableWidget* axisGrid_;
    QTableWidget* generalGrid_;
    QMenu* popup_;
    QAction* print_;
    QAction* copy_;
    TDataPoints* shown_ = nullptr; // borrowed
};
