// File > Export picture: the graph, or the graphs and equations as Copy
// screen takes them, written as a PNG, SVG or PDF file of a chosen size (in
// pixels, or in millimetres at a resolution). The picture is drawn by the
// window's own picture drawing (the one Copy graphs and Copy screen use), so
// SVG and PDF keep lines and text as vectors, and the file is written to a
// temporary file that replaces the target only once it is complete.
#pragma once

#include "app/lumacurveform.h"

#include <QDialog>
#include <QSize>
#include <QString>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// What to export.
struct TPictureExport {
    TLumacurveForm::TPictureArea area = TLumacurveForm::TPictureArea::Graphs;
    QSize pixels; // the picture's size in pixels
    int dpi = 96; // its resolution, which gives its size in millimetres
    QString path; // ends in .png, .svg or .pdf (any letter case)
};

// The limits of an exported picture.
inline constexpr int MinExportSide = 16;
inline constexpr int MaxExportSide = 10000;
inline constexpr qint64 MaxExportPixels = 40'000'000;
inline constexpr int MinExportDpi = 30;
inline constexpr int MaxExportDpi = 2400;

// The format named by the path's extension: "png", "svg", "pdf", or empty.
[[nodiscard]] QString ExportFormat(const QString& path);
// Pixels for a length in millimetres at a resolution.
[[nodiscard]] int MillimetresToPixels(double millimetres, int dpi);
// Writes the picture; false with the reason when the request is out of bounds
// or the file cannot be written (an existing file is then left as it was).
bool ExportPicture(TLumacurveForm& form, const TPictureExport& request, QString& error);

// The dialog: what, size, unit, resolution and file; Export writes the picture.
class TExportPictureDialog : public QDialog {
    Q_OBJECT
public:
    explicit TExportPictureDialog(TLumacurveForm& form);

    // The export the fields describe.
    [[nodiscard]] TPictureExport Request() const;
    // The reason the last Export failed (empty when it did not).
    [[nodiscard]] QString LastError() const { return lastError_; }

    void accept() override;

private:
    void AreaChanged();
    void SizeChanged(bool widthChanged);
    void UnitChanged();
    void FormatChanged();
    void Browse();
    void ShowPixels();
    [[nodiscard]] bool Millimetres() const;

    TLumacurveForm& form_;
    QComboBox* area_;
    QDoubleSpinBox* width_;
    QDoubleSpinBox* height_;
    QComboBox* unit_;
    QSpinBox* dpi_;
    QCheckBox* keepProportions_;
    QLabel* pixels_;
    QComboBox* format_;
    QLineEdit* path_;
    double aspect_ = 1; // height over width of the area on screen
    bool updating_ = false;
    QString lastError_;
};
