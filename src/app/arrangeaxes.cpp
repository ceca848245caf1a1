#include "app/arrangeaxes.h"

#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "graph/graphparams.h"
#include "platform/canvas.h"
#include "settings/configuration.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A formula line of one bound's markup (a bound that cannot be read shows nothing).
std::unique_ptr<TEditor> BoundLine(const std::string& markup)
{
    auto line = std::make_unique<TEditor>();
    try {
        line->SetElements(ElementsFromText(markup));
    } catch (const std::exception&) {
        line->SetElements(TElementList(new TEditorObject));
    }
    line->leftMargin = 0;
    MeasureLine(*line);
    return line;
}

} // namespace

// ---- TScaleRows ---------------------------------------------------------------------

TScaleRows::TScaleRows(TArrangeAxes& dialog, TArrangeModel& model) : dialog_(dialog), model_(model)
{
    setObjectName("AxesList");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    Rebuild();
}

TScaleRows::~TScaleRows() = default;

int TScaleRows::ColumnWidth() const
{
    return 10 * TabUnit();
}

void TScaleRows::Rebuild()
{
    rows_.clear();
    heights_.clear();
    for (int row = 0; row < model_.RowCount(); ++row) {
        const auto texts = model_.RowTexts(row);
        std::array<std::unique_ptr<TEditor>, 4> lines;
        int height = FormulaTextHeight(FormulaHeight());
        for (std::size_t i = 0; i < 4; ++i) {
            lines[i] = BoundLine(texts[i]);
            height = std::max(height, lines[i]->height);
        }
        rows_.push_back(std::move(lines));
        heights_.push_back(height + 2);
    }
    updateGeometry();
    update();
}

QRect TScaleRows::RowRect(int row) const
{
    int top = 0;
    for (int i = 0; i < row && i < static_cast<int>(heights_.size()); ++i)
        top += heights_[static_cast<std::size_t>(i)];
    const int height =
        row >= 0 && row < static_cast<int>(heights_.size()) ? heights_[static_cast<std::size_t>(row)] : 0;
    return {0, top, width(), height};
}

int TScaleRows::RowAt(QPoint point) const
{
    if (heights_.empty() || point.y() < 0)
        return -1;
    int top = 0;
    for (std::size_t i = 0; i < heights_.size(); ++i) {
        top += heights_[i];
        if (point.y() < top)
            return static_cast<int>(i);
    }
    return static_cast<int>(heights_.size()) - 1; // below the last row: the last row
}

QSize TScaleRows::sizeHint() const
{
    int height = 0;
    for (int h : heights_)
        height += h;
    return {4 * ColumnWidth() + 8, std::max(height, 4 * FormulaTextHeight(FormulaHeight()))};
}

void TScaleRows::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    Canvas canvas(&painter);
    const int column = ColumnWidth();
    for (int row = 0; row < static_cast<int>(rows_.size()); ++row) {
        const QRect rect = RowRect(row);
        if (row == model_.Selected())
            painter.fillRect(rect, palette().color(QPalette::Button));
        for (std::size_t i = 0; i < 4; ++i) {
            TEditor& line = *rows_[static_cast<std::size_t>(row)][i];
            canvas.MoveTo(static_cast<int>(i) * column + 4, rect.top() + 1);
            PaintLine(canvas, line);
        }
    }
    if (hasFocus() && model_.Selected() >= 0) {
        painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(RowRect(model_.Selected()).adjusted(0, 0, -1, -1));
    }
}

void TScaleRows::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int row = RowAt(event->position().toPoint());
    if (row < 0 || event->position().y() >= RowRect(static_cast<int>(heights_.size()) - 1).bottom() + 1)
        return;
    // Pressing a row selects it (its scales go in force) and may start a drag.
    dialog_.SelectRow(row);
    pressPoint_ = event->position().toPoint();
    pressed_ = true;
    dragging_ = false;
}

void TScaleRows::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_)
        return;
    const QPoint point = event->position().toPoint();
    if (!dragging_ && (point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        dragging_ = true;
        setCursor(Qt::DragMoveCursor);
    }
    if (dragging_)
        setCursor(dialog_.DragOver(mapToGlobal(point)) ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
}

void TScaleRows::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    unsetCursor();
    if (dragging_) {
        dragging_ = false;
        dialog_.DragDrop(mapToGlobal(event->position().toPoint()));
    }
}

void TScaleRows::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        dialog_.SelectRow(std::max(0, model_.Selected() - 1));
        break;
    case Qt::Key_Down:
        dialog_.SelectRow(std::min(model_.RowCount() - 1, model_.Selected() + 1));
        break;
    case Qt::Key_Delete:
        dialog_.DeleteBtnClick();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

// ---- TArrangeAxes ---------------------------------------------------------------------

TArrangeAxes::TArrangeAxes(TGraphParams& params, TScaleHost* window, QWidget* placeBy)
    : QDialog(placeBy), model_(params, window)
{
    setObjectName("TArrangeAxes");
    setWindowTitle(tr("Arrange scale list"));
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    layout->addLayout(left, 1);
    rows_ = new TScaleRows(*this, model_);
    // The heading's captions stand over the rows' columns of ten "M".
    auto* heading = new QHBoxLayout;
    heading->setSpacing(0);
    heading->setContentsMargins(4 + 1, 0, 0, 0);
    for (const char* caption : {"x-axis from...", "to...", "y-axis from...", "to..."}) {
        auto* label = new QLabel(tr(caption), this);
        label->setFixedWidth(rows_->ColumnWidth());
        heading->addWidget(label);
    }
    heading->addStretch(1);
    left->addLayout(heading);
    auto* scroller = new QScrollArea(this);
    scroller->setWidget(rows_);
    scroller->setWidgetResizable(true);
    scroller->setMinimumSize(rows_->sizeHint().width() + 24, 8 * FormulaTextHeight(FormulaHeight()));
    left->addWidget(scroller, 1);

    auto* tools = new QToolBar(this);
    tools->setOrientation(Qt::Vertical);
    tools->setIconSize(QSize(24, 24));
    layout->addWidget(tools);
    const bool hints = Configuration.ShowHints;
    auto tool = [&](const char* name, const QString& hint, QStyle::StandardPixmap icon) {
        auto* button = new QToolButton(tools);
        button->setObjectName(name);
        button->setIcon(style()->standardIcon(icon));
        button->setAccessibleName(hint);
        button->setAutoRaise(true);
        if (hints)
            button->setToolTip(hint);
        tools->addWidget(button);
        return button;
    };
    finish_ = tool("ToolButton1", tr("Finish arranging"), QStyle::SP_DialogApplyButton);
    help_ = tool("Ok", tr("Help"), QStyle::SP_MessageBoxQuestion);
    delete_ = tool("DeleteBtn", tr("Delete"), QStyle::SP_TrashIcon);
    connect(finish_, &QToolButton::clicked, this, [this] { accept(); });
    connect(help_, &QToolButton::clicked, this, [this] {
        if (ShowHelp)
            ShowHelp(HelpTopic);
    });
    connect(delete_, &QToolButton::clicked, this, &TArrangeAxes::DeleteBtnClick);

    adjustSize();
    if (ArrangePosition == QPoint(-1, -1)) {
        if (placeBy) {
            const QRect main = placeBy->frameGeometry();
            move(main.right() + 1 - frameGeometry().width(), main.bottom() + 1 - frameGeometry().height());
        }
    } else {
        move(ArrangePosition);
    }
    SelectRow(0);
    UpdateDeleteButton();
    rows_->setFocus();
}

TArrangeAxes::~TArrangeAxes() = default;

void TArrangeAxes::SelectRow(int row)
{
    model_.Select(row);
    rows_->update();
}

void TArrangeAxes::UpdateDeleteButton()
{
    delete_->setEnabled(model_.RowCount() > 1);
}

void TArrangeAxes::DeleteBtnClick()
{
    if (model_.RowCount() <= 1)
        return;
    const bool open = model_.DeleteSelected();
    rows_->Rebuild();
    UpdateDeleteButton();
    rows_->setFocus();
    if (!open)
        accept();
}

bool TArrangeAxes::DragOver(QPoint global)
{
    const bool overDelete = delete_->isEnabled() && delete_->rect().contains(delete_->mapFromGlobal(global));
    delete_->setDown(overDelete);
    return overDelete || rows_->rect().contains(rows_->mapFromGlobal(global));
}

void TArrangeAxes::DragDrop(QPoint global)
{
    delete_->setDown(false);
    if (delete_->isEnabled() && delete_->rect().contains(delete_->mapFromGlobal(global))) {
        DeleteBtnClick();
        return;
    }
    const QPoint local = rows_->mapFromGlobal(global);
    if (!rows_->rect().contains(local))
        return;
    const int target = rows_->RowAt(local);
    if (target < 0 || !model_.MoveSelected(target))
        return;
    rows_->Rebuild();
}

void TArrangeAxes::done(int result)
{
    // Every way of closing keeps the row in force.
    model_.Finish();
    ArrangePosition = pos();
    QDialog::done(result);
}
