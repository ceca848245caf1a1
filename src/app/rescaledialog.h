// TRescaleDialog: the "Rescale" dialog. Four maths editors take the x and y
// ranges, a chooser shows one curve at a time for "Autoscale ", "Last Scales"
// steps through the stored scales, Apply shows typed scales on the graph at
// once, OK keeps them and Cancel (Escape, the close box) takes back all that
// was applied while the dialog was open. The work on the scales is
// TRescaleModel's; this file holds the controls.
#pragma once

#include "graph/rescalemodel.h"

#include <QDialog>

#include <functional>

#include <vector>

class QAbstractButton;
class QLabel;
class QPushButton;
class QScrollBar;
class TCurvePLotter;
class TGraphParams;
class TMathsEditor;
class TScaleHost;

// The one-curve chooser: the formula of one curve, and a scroll bar that
// steps through the curves.
class TCurveChooser : public QWidget {
    Q_OBJECT
public:
    explicit TCurveChooser(QWidget* parent = nullptr);
    // The curves offered (borrowed) and the one shown first.
    void SetCurves(std::vector<TCurvePLotter*> curves, int shown);
    [[nodiscard]] int Shown() const { return shown_; }
    [[nodiscard]] TCurvePLotter* ShownCurve() const;
    void Show(int index);
    [[nodiscard]] QSize sizeHint() const override;

signals:
    void ShownChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::vector<TCurvePLotter*> curves_;
    QScrollBar* bar_;
    int shown_ = 0;
};

class TRescaleDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 200;

    // For the scales of params shown in window (both borrowed); curves are
    // the lines offered for automatic scaling, selected the one the equations
    // window has selected (-1: none).
    TRescaleDialog(TGraphParams& params, TScaleHost* window, std::vector<TCurvePLotter*> curves, int selected,
                   QWidget* parent = nullptr);
    ~TRescaleDialog() override;

    [[nodiscard]] TRescaleModel& Model() { return model_; }
    [[nodiscard]] TMathsEditor* Editor(int index) const { return editors_[index]; }
    [[nodiscard]] TCurveChooser* Chooser() const { return chooser_; }
    [[nodiscard]] QPushButton* AutoscaleButton() const { return autoscale_; }
    [[nodiscard]] QPushButton* LastScalesButton() const { return lastScales_; }
    [[nodiscard]] QPushButton* ApplyButton() const { return apply_; }
    [[nodiscard]] QPushButton* OKButton() const { return ok_; }
    [[nodiscard]] bool EntriesValid() const { return entriesValid_; }
    // Asks for help at a topic (the main window's help window).
    std::function<void(int topic)> ShowHelp;

    // The handlers, as the buttons run them.
    void AutoscaleClick();
    void LastScalesClick();
    void ApplyBtnClick();
    void OKBtnClick();
    // Cancel, Escape and the close box: everything applied is taken back.
    void reject() override;

private:
    // Shows the four bounds in the editors (typed forms as typed).
    void ShowBounds(const TScaleEntries& entries);
    // Reads the editors (to, y from, y to, x from), stopping at the first
    // error, which the editor shows; entriesValid_ tells whether all were read.
    [[nodiscard]] TScaleEntries ReadEntries();
    [[nodiscard]] bool EntriesModified() const;
    void UpdateAutoscaleCaption();

    TRescaleModel model_;
    TMathsEditor* editors_[4] = {}; // x from, x to, y from, y to
    TCurveChooser* chooser_ = nullptr;
    QPushButton* autoscale_ = nullptr;
    QPushButton* lastScales_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* ok_ = nullptr;
    QLabel* error_ = nullptr;
    bool entriesValid_ = true;
};
