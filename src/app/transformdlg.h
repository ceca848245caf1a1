// The Rotation, Translation, Reflection and Enlargement dialogs, which set up
// a transformation of the selected line without typing it. Each dialog either
// edits a transformation whose first step is of its kind or makes a new one;
// "Draw" and OK turn the values into the step's line, which the main window
// enters as a typed line is entered, so documents and undo treat both alike.
#pragma once

#include "geometry/transformation.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class TEquationObject;
class TMathsEditor;

class TDialogTransform : public QDialog {
    Q_OBJECT
public:
    // Puts step (the markup of a first step) into line, or into a new line
    // of the parent when line is nullptr; answers the transformation that now
    // shows it, or nullptr when nothing could be drawn.
    using TApply = std::function<TTransformation*(TTransformation* line, const std::string& step)>;

    // existing: the transformation edited (borrowed), or nullptr for a new one.
    TDialogTransform(const QString& title, TTransformation* existing, QWidget* parent = nullptr);
    ~TDialogTransform() override;

    TApply Apply;
    // The lines whose declared names a centre may use, as they stand when it
    // is read (drawing replaces lines); none when empty.
    std::function<std::vector<TEquationObject*>()> DeclaredNames;

    [[nodiscard]] QPushButton* DrawButton() const { return draw_; }
    [[nodiscard]] QPushButton* OKButton() const { return ok_; }
    [[nodiscard]] QLabel* ErrorLabel() const { return error_; }
    // The transformation the dialog now edits (nullptr until a new one is drawn).
    [[nodiscard]] TTransformation* Editing() const { return line_; }

    // Checks the values; applies them when they changed; false when a value is wrong.
    bool DrawBtnClick();
    // DrawBtnClick, then closes when the values were good.
    void OKBtnClick();

protected:
    // The first step the values describe, or an empty text after showing
    // what is wrong.
    virtual std::string StepMarkup() = 0;
    // A row of the form: the caption and one or two controls.
    void AddRow(const QString& caption, QWidget* field, QWidget* second = nullptr);
    // Adds the buttons under the rows (the descendants call it last).
    void FinishLayout();
    // Any change of a value enables "Draw".
    void Changed();
    // Enter in field moves the focus on to the next control.
    void EnterMovesOn(QWidget* field);
    // An "(x, y)" field showing centre ("(0, 0)" when null).
    TMathsEditor* MakeCentreEditor(const TCoordinates* centre);
    // The markup of the "(x, y)" in editor; false after showing its fault there.
    bool ReadCentre(TMathsEditor* editor, std::string& markup);
    // Shows message for field and gives it the focus.
    void ShowFieldError(QWidget* field, const char* message);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TTransformation* line_;
    bool changed_ = false;
    QGridLayout* grid_ = nullptr;
    QWidget* lastControl_ = nullptr; // the last control of the rows so far
    QLabel* error_ = nullptr;
    QPushButton* draw_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// AngleCombo, DirectionCombo and EditorCentre.
class TRotationDialog : public TDialogTransform {
    Q_OBJECT
public:
    // clockwise: the direction shown first for a new rotation.
    TRotationDialog(TTransformation* existing, bool clockwise, QWidget* parent = nullptr);
    [[nodiscard]] static bool Edits(const TTransformation& line);

    [[nodiscard]] QComboBox* AngleCombo() const { return angle_; }
    [[nodiscard]] QComboBox* DirectionCombo() const { return direction_; }
    [[nodiscard]] TMathsEditor* EditorCentre() const { return centre_; }

protected:
    std::string StepMarkup() override;

private:
    QComboBox* angle_;
    QComboBox* direction_;
    TMathsEditor* centre_;
};

// AcrossEdit, AcrossCombo, UpDownEdit and UPDownCombo.
class TTranslationDialog : public TDialogTransform {
    Q_OBJECT
public:
    explicit TTranslationDialog(TTransformation* existing, QWidget* parent = nullptr);
    [[nodiscard]] static bool Edits(const TTransformation& line);

    [[nodiscard]] QLineEdit* AcrossEdit() const { return across_; }
    [[nodiscard]] QLineEdit* UpDownEdit() const { return upDown_; }
    [[nodiscard]] QComboBox* AcrossCombo() const { return acrossCombo_; }
    [[nodiscard]] QComboBox* UpDownCombo() const { return upDownCombo_; }

protected:
    std::string StepMarkup() override;

private:
    QLineEdit* across_;
    QLineEdit* upDown_;
    QComboBox* acrossCombo_;
    QComboBox* upDownCombo_;
    // The parts of the line edited (across, up) until the user changes them.
    std::string kept_[2];
};

// MirrorCombo.
class TReflectionDialog : public TDialogTransform {
    Q_OBJECT
public:
    explicit TReflectionDialog(TTransformation* existing, QWidget* parent = nullptr);
    [[nodiscard]] static bool Edits(const TTransformation& line);
    // The item for a mirror at angle phi to the x axis: 0 x-axis, 1 y=x,
    // 2 y-axis, 3 y=-x (the nearest, whichever way the line runs).
    [[nodiscard]] static int MirrorItem(Extended phi);

    [[nodiscard]] QComboBox* MirrorCombo() const { return mirror_; }

protected:
    std::string StepMarkup() override;

private:
    QComboBox* mirror_;
};

// Factoredit and EditorCentre.
class TEnlargementDialog : public TDialogTransform {
    Q_OBJECT
public:
    explicit TEnlargementDialog(TTransformation* existing, QWidget* parent = nullptr);
    [[nodiscard]] static bool Edits(const TTransformation& line);

    [[nodiscard]] QLineEdit* FactorEdit() const { return factor_; }
    [[nodiscard]] TMathsEditor* EditorCentre() const { return centre_; }

protected:
    std::string StepMarkup() override;

private:
    QLineEdit* factor_;
    TMathsEditor* centre_;
    // The factor of the line edited until the user changes it.
    std::string keptFactor_;
};

// The dialog a command opens for the selected line: it edits the line when
// that is a transformation whose first step is of the dialog's kind, else it
// makes a new transformation of it. nullptr for a command without a dialog
// (Stretch, Shear, Matrix).
[[nodiscard]] std::unique_ptr<TDialogTransform>
MakeTransformDialog(TTransformCommand command, TEquationObject* selected, QWidget* parent = nullptr);
