#include "app/statsdisplay.h"

#include "geometry/coordcurve.h"
#include "geometry/statsgrid.h"

#include <QAction>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QTableWidget* MakeGrid(const char* name, QWidget* parent)
{
    auto* grid = new QTableWidget(parent);
    grid->setObjectName(name);
    grid->horizontalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setContextMenuPolicy(Qt::NoContextMenu); // the window's own popup serves
    grid->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return grid;
}

void Fill(QTableWidget& grid, const TStatsGrid& rows)
{
    // As many columns as the widest row fills (a row may end in empty cells).
    std::size_t columns = 0;
    for (const auto& row : rows)
        for (std::size_t c = row.size(); c > columns; --c)
            if (!row[c - 1].empty()) {
                columns = c;
                break;
            }
    grid.clearContents();
    grid.setRowCount(static_cast<int>(rows.size()));
    grid.setColumnCount(static_cast<int>(columns));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < std::min(columns, rows[r].size()); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(rows[r][c]));
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid.setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    grid.setVisible(!rows.empty());
}

TStatsGrid GridCells(const QTableWidget& grid)
{
    TStatsGrid rows;
    if (grid.isHidden())
        return rows;
    for (int r = 0; r < grid.rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < grid.columnCount(); ++c) {
            const QTableWidgetItem* item = grid.item(r, c);
            row.push_back(item ? item->text().toStdString() : std::string());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

TStatsDisplayForm::TStatsDisplayForm(QWidget* parent) : QWidget(parent)
{
    setObjectName("StatsDisplayForm");
    setWindowTitle(tr("Statistics"));
    axisGrid_ = MakeGrid("xyStatsGrid", this);
    generalGrid_ = MakeGrid("GenStatsGrid", this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(axisGrid_);
    layout->addWidget(generalGrid_);
    layout->addStretch(1);

    popup_ = new QMenu(this);
    print_ = popup_->addAction(tr("Print"));
    copy_ = popup_->addAction(tr("Copy"));
    connect(print_, &QAction::triggered, this, &TStatsDisplayForm::PrintRequested);
    connect(copy_, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(QString::fromStdString(GridsText())); });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](QPoint point) { popup_->popup(mapToGlobal(point)); });
    for (QTableWidget* grid : {axisGrid_, generalGrid_}) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, grid](QPoint point) { popup_->popup(grid->viewport()->mapToGlobal(point)); });
    }
    ShowStats(nullptr);
}

void TStatsDisplayForm::ShowStats(TEquationObject* object)
{
    shown_ = dynamic_cast<TDataPoints*>(object);
    Refresh();
}

void TStatsDisplayForm::Refresh()
{
    if (!shown_) {
        Fill(*axisGrid_, {});
        Fill(*generalGrid_, {});
        return;
    }
    TGatherStatistics stats;
    shown_->GatherStatistics(stats);
    Fill(*axisGrid_, AxisStatsGrid(stats, StatsOptions));
    Fill(*generalGrid_, GeneralStatsGrid(stats, StatsOptions));
    SizeColumns();
}

void TStatsDisplayForm::LineLeaving(const TEquationObject* line)
{
    if (line && line == shown_)
        ShowStats(nullptr);
}

void TStatsDisplayForm::SizeColumns()
{
    const QFontMetrics metrics(font());
    const int label = metrics.horizontalAdvance(QStringLiteral("Coefficient of correlation")) * 6 / 5;
    const int value = metrics.horizontalAdvance(QStringLiteral("0.00000000000000"));
    const int row = metrics.height() * 6 / 5;
    for (QTableWidget* grid : {axisGrid_, generalGrid_}) {
        grid->setColumnWidth(0, label);
        for (int c = 1; c < grid->columnCount(); ++c)
            grid->setColumnWidth(c, value);
        // A fitted line's formula may be longer than a number: its column grows to show it whole.
        if (grid == generalGrid_ && grid->columnCount() > 1) {
            grid->resizeColumnToContents(1);
            grid->setColumnWidth(1, std::max(value, grid->columnWidth(1)));
        }
        for (int r = 0; r < grid->rowCount(); ++r)
            grid->setRowHeight(r, row);
        int height = 2 * grid->frameWidth();
        for (int r = 0; r < grid->rowCount(); ++r)
            height += grid->rowHeight(r);
        grid->setFixedHeight(height);
    }
    // Every cell stays in view: the window is never narrower than its grids.
    setMinimumWidth(sizeHint().width());
    updateGeometry();
}

QSize TStatsDisplayForm::sizeHint() const
{
    // Wide enough for a label and two values (or a fitted line), whatever is shown now.
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(QStringLiteral("Coefficient of correlation")) * 6 / 5 +
                2 * metrics.horizontalAdvance(QStringLiteral("0.00000000000000"));
    int height = 0;
    for (const QTableWidget* grid : {axisGrid_, generalGrid_}) {
        int columns = 2 * grid->frameWidth();
        for (int c = 0; c < grid->columnCount(); ++c)
            columns += grid->columnWidth(c);
        width = std::max(width, columns);
        if (!grid->isHidden())
            height += grid->height() + layout()->spacing();
    }
    const QMargins margins = layout()->contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

std::string TStatsDisplayForm::GridsText() const
{
    return StatsGridText(GridCells(*axisGrid_), GridCells(*generalGrid_));
}

void TStatsDisplayForm::PaintGrids(QPainter& painter) const
{
    const QFontMetrics metrics(painter.font());
    const int line = metrics.height() * 6 / 5;
    const int gap = metrics.horizontalAdvance(QStringLiteral("  "));
    int y = 0;
    for (const QTableWidget* grid : {axisGrid_, generalGrid_}) {
        const TStatsGrid rows = GridCells(*grid);
        // Each column as wide as its widest cell.
        std::vector<int> widths;
        for (const auto& row : rows)
            for (std::size_t c = 0; c < row.size(); ++c) {
                widths.resize(std::max(widths.size(), c + 1), 0);
                widths[c] = std::max(widths[c], metrics.horizontalAdvance(QString::fromStdString(row[c])));
            }
        for (const auto& row : rows) {
            int x = 0;
            for (std::size_t c = 0; c < row.size(); ++c) {
                const QRect cell(x, y, widths[c], line);
                painter.drawText(cell, (c ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                                 QString::fromStdString(row[c]));
                x += widths[c] + gap;
            }
            y += line;
        }
        if (!rows.empty())
            y += line / 2;
    }
}
