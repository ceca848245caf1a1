// TLCVPrintDialog: the print preview. It shows the page exactly as the page
// drawing prints it and offers the print choices (colour, orientation, fill
// page, equations, where the graph stands, copies and the printout name);
// "Print" answers OK and the main window prints with the dialog's printer.
// The dialog and its printer live for the run, so the choices are kept.
#pragma once

#include "app/pagedrawing.h"

#include <QDialog>
#include <QImage>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QSpinBox;

class TLCVPrintDialog : public QDialog {
    Q_OBJECT
public:
    explicit TLCVPrintDialog(TLumacurveForm& form);
    ~TLCVPrintDialog() override;

    // The printer the preview measures and "Print" prints on.
    [[nodiscard]] QPrinter& Printer() { return *printer_; }
    // Draws the page into the preview picture with the choices in force.
    void DrawPreview();
    // The preview picture as last drawn.
    [[nodiscard]] const QImage& PreviewPicture() const { return picture_; }
    // Whether the printer's millimetres have been read since it last changed.
    [[nodiscard]] bool PrinterMeasured() const { return printerMeasured_; }
    // Forgets the measured printer (after its set-up changed) and redraws.
    void PrinterChanged();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // Takes the print name, colour option and orientation in force.
    void ShowChoices();
    // Fits the preview panel to its area with the page's proportions.
    void SizePanel();
    void SetUpPrinter();

    TLumacurveForm& form_;
    std::unique_ptr<QPrinter> printer_;
    QWidget* previewArea_ = nullptr;
    QFrame* previewPanel_ = nullptr;
    QLabel* previewImage_ = nullptr;
    QGroupBox* choices_ = nullptr;
    QButtonGroup* colour_ = nullptr;
    QButtonGroup* orientation_ = nullptr;
    QButtonGroup* across_ = nullptr;
    QButtonGroup* upDown_ = nullptr;
    QCheckBox* fillPage_ = nullptr;
    QCheckBox* printEquations_ = nullptr;
    QSpinBox* copies_ = nullptr;
    QLineEdit* printName_ = nullptr;
    QImage picture_;
    TPageDevice measured_;
    bool printerMeasured_ = false;
    bool nameChanged_ = false;
};
