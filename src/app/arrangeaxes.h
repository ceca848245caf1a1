// TArrangeAxes: the "Arrange scale list" dialog. It lists the scale in force
// and every stored scale as rows of four numbers in columns; clicking a row
// shows its scales on the graph at once, dragging a row moves it, and the
// Delete button (also a drop target) removes the selected row. Whatever row
// is in force when the dialog closes stays in force. The work on the scales
// is TArrangeModel's; this file holds the controls.
#pragma once

#include "graph/arrangemodel.h"

#include <QDialog>
#include <QPoint>

#include <functional>
#include <memory>
#include <vector>

class QToolButton;
class TEditor;
class TGraphParams;
class TScaleHost;

class TArrangeAxes;

// The rows: each the four bounds laid out as formulas in columns ten "M" wide.
class TScaleRows : public QWidget {
    Q_OBJECT
public:
    TScaleRows(TArrangeAxes& dialog, TArrangeModel& model);
    ~TScaleRows() override;
    // Builds the rows' formulas again from the model.
    void Rebuild();
    // The row at a point of the widget: below the last row the last row, -1 for none.
    [[nodiscard]] int RowAt(QPoint point) const;
    [[nodiscard]] QRect RowRect(int row) const;
    [[nodiscard]] QSize sizeHint() const override;
    // The width of a column: ten "M" of the formula font.
    [[nodiscard]] int ColumnWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TArrangeAxes& dialog_;
    TArrangeModel& model_;
    std::vector<std::array<std::unique_ptr<TEditor>, 4>> rows_;
    std::vector<int> heights_;
    QPoint pressPoint_;
    bool pressed_ = false;
    bool dragging_ = false;
};

class TArrangeAxes : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 209;
    // Where the dialog stood when last closed, for the rest of the run (-1, -1: never shown).
    static inline QPoint ArrangePosition{-1, -1};

    // Works on the scales of params shown in window (both borrowed); placed at
    // the bottom right of placeBy the first time.
    TArrangeAxes(TGraphParams& params, TScaleHost* window, QWidget* placeBy = nullptr);
    ~TArrangeAxes() override;

    [[nodiscard]] TArrangeModel& Model() { return model_; }
    [[nodiscard]] TScaleRows* Rows() const { return rows_; }
    [[nodiscard]] QToolButton* FinishButton() const { return finish_; }
    [[nodiscard]] QToolButton* HelpButton() const { return help_; }
    [[nodiscard]] QToolButton* DeleteButton() const { return delete_; }
    std::function<void(int topic)> ShowHelp;

    // Selects a row and puts it in force.
    void SelectRow(int row);
    // Deletes the selected row; closes when one row is left.
    void DeleteBtnClick();
    // A row dragged from the list is over global point; answers whether a
    // drop there does something, showing the Delete button pressed over it.
    bool DragOver(QPoint global);
    // The drag ended at global point: onto a row it moves there, onto Delete it deletes.
    void DragDrop(QPoint global);
    void UpdateDeleteButton();

protected:
    void done(int result) override;

private:
    TArrangeModel model_;
    TScaleRows* rows_ = nullptr;
    QToolButton* finish_ = nullptr;
    QToolButton* help_ = nullptr;
    QToolButton* delete_ = nullptr;
};
