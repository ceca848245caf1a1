// TCustomDlg: the "Custom Lumacurve" dialog, five pages of settings and the
// axis scale factors of the scaling in force. It edits a copy of the
// settings (TCustomSettings); on OK the copy holds what the user chose and
// the main window puts it in force. The "Set password" / "Enter password"
// button opens the password box, whose lock disables the draggable curves
// setting.
#pragma once

#include "graph/customsettings.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TMathsEditor;

class TCustomDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCustomDlg(const TCustomSettings& settings, QWidget* parent = nullptr);
    ~TCustomDlg() override;

    // The settings as chosen (after OK) and how they differ from those the
    // dialog opened with.
    [[nodiscard]] const TCustomSettings& Settings() const { return settings_; }
    [[nodiscard]] TCustomChanges Changes() const { return CompareSettings(before_, settings_); }
    // The password was set to another text while the dialog was open.
    [[nodiscard]] bool PasswordChanged() const { return passwordChanged_; }

    [[nodiscard]] QTabWidget* Pages() const { return pages_; }
    [[nodiscard]] TMathsEditor* ScaleFactorEditor(int kind) const { return kind == 0 ? xScale_ : yScale_; }
    // The page shown when the dialog last closed (for the whole run).
    [[nodiscard]] static int LastPage();
    static void SetLastPage(int page);

    void accept() override;
    void done(int result) override;
    // Opens the password box for the lock state shown.
    void PasswordBtnClick();

private:
    QWidget* DrawingPage();
    QWidget* GraphPage();
    QWidget* AppearancePage();
    QWidget* LayoutPage();
    QWidget* OtherPage();
    void ShowLockState();
    void ShowBackground();
    // Reads a scale factor editor; false (the problem shown) when it cannot be used.
    bool ReadScaleFactor(TMathsEditor* editor, std::string& text);

    TCustomSettings before_, settings_;
    TPasswordLock lock_;
    bool passwordChanged_ = false;
    QTabWidget* pages_ = nullptr;
    QSpinBox *mouseFigures_ = nullptr, *accuracy_ = nullptr, *repeatsDelay_ = nullptr;
    QSpinBox *thickness_ = nullptr, *zoom_ = nullptr;
    QCheckBox *auto_ = nullptr, *demonstration_ = nullptr, *pause_ = nullptr, *construction_ = nullptr;
    QCheckBox *shadeSide_ = nullptr, *labelCoords_ = nullptr, *shadeShapes_ = nullptr;
    QCheckBox *drawAxes_ = nullptr, *drawGrid_ = nullptr, *labelAxes_ = nullptr, *transformDialogs_ = nullptr;
    QCheckBox *dragLayout_ = nullptr, *docking_ = nullptr, *defineConstants_ = nullptr,
              *dragCurves_ = nullptr;
    QButtonGroup *angle_ = nullptr, *grid_ = nullptr, *paper_ = nullptr, *equationsSide_ = nullptr,
                 *toolbarSide_ = nullptr;
    TMathsEditor *xScale_ = nullptr, *yScale_ = nullptr;
    QFontComboBox* fontName_ = nullptr;
    QString shownFamily_; // the family the font box showed on opening
    QComboBox* fontSize_ = nullptr;
    QPushButton *background_ = nullptr, *password_ = nullptr;
};
