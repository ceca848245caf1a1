// TCustomCurve: the "Custom curve" dialog. Up and down arrows step through
// the lines; for the line shown it offers ten table colours and "More", the
// line thickness 1 to 9, shading and labels where the line has them, and
// "Rename the curve", which shows a name of the user's instead of the
// equation. Choices are applied to a line when another line is shown and at
// OK, each as one undoable change; Cancel drops only the choices not yet
// applied.
#pragma once

#include "document/curvestyle.h"

#include <QDialog>

#include <functional>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;
class TEquationObject;
class TMathsEditor;

class TCustomCurve : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 202;

    // For the lines in list order (borrowed), showing the line at index first.
    TCustomCurve(std::vector<TEquationObject*> lines, int index, QWidget* parent = nullptr);
    ~TCustomCurve() override;

    // A line's look or name changed: remeasure it and redraw it.
    std::function<void(TEquationObject& line)> LineChanged;
    // Record an undoable change (each applied choice is one).
    std::function<void()> RecordChange;
    std::function<void(int topic)> ShowHelp;

    // Something was applied to a line while the dialog was open.
    [[nodiscard]] bool AnythingChanged() const { return anythingChanged_; }
    [[nodiscard]] int Shown() const { return shown_; }
    [[nodiscard]] TMathsEditor* Editor() const { return editor_; }
    [[nodiscard]] QRadioButton* ColourButton(int index) const { return colours_[index]; }
    [[nodiscard]] QPushButton* MoreButton() const { return more_; }
    [[nodiscard]] QSpinBox* Thickness() const { return thickness_; }
    [[nodiscard]] QCheckBox* ShadeBox() const { return shade_; }
    [[nodiscard]] QCheckBox* LabelBox() const { return label_; }
    [[nodiscard]] QPushButton* RenameButton() const { return rename_; }
    [[nodiscard]] QToolButton* UpButton() const { return up_; }
    [[nodiscard]] QToolButton* DownButton() const { return down_; }
    [[nodiscard]] QPushButton* OKButton() const { return ok_; }

    // Applies the pending choices, then shows the line at index (nothing
    // more for an index outside the list).
    void ShowLine(int index);
    void RenameClick();
    void MoreClick();
    void OKBtnClick();

private:
    // The editor's name, when it was changed, becomes the line's; an emptied
    // name is refused. Clears canClose_ when refused.
    void ApplyName();
    void ApplyStyle();
    void StyleChosen();

    std::vector<TEquationObject*> lines_;
    int shown_ = -1;
    TCurveStyle style_;
    bool styleChanged_ = false;
    bool canClose_ = true;
    bool anythingChanged_ = false;
    bool showing_ = false; // the controls are being filled: no choice is being made
    TMathsEditor* editor_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QPushButton* rename_ = nullptr;
    QRadioButton* colours_[TableColourCount + 1] = {};
    QButtonGroup* colourGroup_ = nullptr;
    QPushButton* more_ = nullptr;
    QSpinBox* thickness_ = nullptr;
    QCheckBox* shade_ = nullptr;
    QCheckBox* label_ = nullptr;
    QPushButton* ok_ = nullptr;
};
