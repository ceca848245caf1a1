#include "app/exportpicture.h"

#include "graphwindow/graphwindow.h"
#include "settings/usersettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSpinBox>
#include <QSvgGenerator>

#include <cmath>

namespace {

constexpr double MillimetresPerInch = 25.4;

// Draws the area filling the picture; the white ground keeps PNG and PDF alike.
void DrawPicture(TLumacurveForm& form, const TPictureExport& request, QPaintDevice* device)
{
    QPainter painter(device);
    const QRectF target(QPointF(0, 0), QSizeF(request.pixels));
    painter.fillRect(target, Qt::white);
    form.DrawArea(request.area, painter, target);
}

} // namespace

QString ExportFormat(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "png" || suffix == "svg" || suffix == "pdf" ? suffix : QString();
}

int MillimetresToPixels(double millimetres, int dpi)
{
    return static_cast<int>(std::lround(millimetres / MillimetresPerInch * dpi));
}

bool ExportPicture(TLumacurveForm& form, const TPictureExport& request, QString& error)
{
    const QString format = ExportFormat(request.path);
    const QSize size = request.pixels;
    if (format.isEmpty()) {
        error = QObject::tr("The picture's name must end in .png, .svg or .pdf.");
        return false;
    }
    if (size.width() < MinExportSide || size.height() < MinExportSide || size.width() > MaxExportSide ||
        size.height() > MaxExportSide || qint64(size.width()) * size.height() > MaxExportPixels) {
        error =
            QObject::tr("A picture can be from %1 to %2 pixels on each side and %3 million pixels in all; "
                        "this one would be %4 by %5.")
                .arg(MinExportSide)
                .arg(MaxExportSide)
                .arg(MaxExportPixels / 1'000'000)
                .arg(size.width())
                .arg(size.height());
        return false;
    }
    if (request.dpi < MinExportDpi || request.dpi > MaxExportDpi) {
        error = QObject::tr("The resolution must be from %1 to %2 dots per inch.")
                    .arg(MinExportDpi)
                    .arg(MaxExportDpi);
        return false;
    }
    QSaveFile file(request.path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QObject::tr("Cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(request.path), file.errorString());
        return false;
    }
    bool drawn = true;
    if (format == "png") {
        QImage image(size, QImage::Format_RGB32);
        const int dotsPerMetre = static_cast<int>(std::lround(request.dpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        DrawPicture(form, request, &image);
        drawn = image.save(&file, "PNG");
    } else if (format == "svg") {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setResolution(request.dpi);
        generator.setTitle("Lumacurve graph");
        DrawPicture(form, request, &generator);
    } else {
        QPdfWriter writer(&file);
        writer.setCreator("Lumacurve");
        writer.setTitle("Lumacurve graph");
        writer.setResolution(request.dpi);
        writer.setPageSize(QPageSize(QSizeF(size) * 72.0 / request.dpi, QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        DrawPicture(form, request, &writer);
    }
    // Only a complete picture replaces the file.
    if (!drawn || !file.commit()) {
        error = QObject::tr("Cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(request.path),
                         drawn ? file.errorString() : QObject::tr("the picture could not be made"));
        file.cancelWriting();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// The dialog

TExportPictureDialog::TExportPictureDialog(TLumacurveForm& form) : QDialog(&form), form_(form)
{
    setObjectName("ExportPictureDialog");
    setWindowTitle(tr("Export picture"));
    QSettings settings = UserSettings();

    area_ = new QComboBox;
    area_->setObjectName("ExportArea");
    area_->addItem(tr("Graphs"), int(TLumacurveForm::TPictureArea::Graphs));
    area_->addItem(tr("Graphs and equations"), int(TLumacurveForm::TPictureArea::Screen));

    width_ = new QDoubleSpinBox;
    width_->setObjectName("ExportWidth");
    height_ = new QDoubleSpinBox;
    height_->setObjectName("ExportHeight");
    unit_ = new QComboBox;
    unit_->setObjectName("ExportUnit");
    unit_->addItems({tr("pixels"), tr("millimetres")});
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(width_);
    sizeRow->addWidget(new QLabel(QStringLiteral("\u00d7")));
    sizeRow->addWidget(height_);
    sizeRow->addWidget(unit_);
    sizeRow->addStretch(1);

    keepProportions_ = new QCheckBox(tr("Keep the proportions of the window"));
    keepProportions_->setObjectName("ExportKeepProportions");
    keepProportions_->setChecked(true);

    dpi_ = new QSpinBox;
    dpi_->setObjectName("ExportResolution");
    dpi_->setRange(MinExportDpi, MaxExportDpi);
    dpi_->setSuffix(tr(" dots per inch"));
    dpi_->setValue(std::clamp(settings.value("Export/Resolution", 96).toInt(), MinExportDpi, MaxExportDpi));

    pixels_ = new QLabel;
    pixels_->setObjectName("ExportPixels");

    format_ = new QComboBox;
    format_->setObjectName("ExportFormat");
    format_->addItem(tr("PNG picture"), "png");
    format_->addItem(tr("SVG drawing"), "svg");
    format_->addItem(tr("PDF document"), "pdf");
    path_ = new QLineEdit;
    path_->setObjectName("ExportFile");
    path_->setMinimumWidth(320);
    auto* browse = new QPushButton(tr("Browse\u2026"));
    browse->setObjectName("ExportBrowse");
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(path_, 1);
    fileRow->addWidget(browse);

    auto* fields = new QFormLayout;
    fields->addRow(tr("Picture of:"), area_);
    fields->addRow(tr("Size:"), sizeRow);
    fields->addRow(QString(), keepProportions_);
    auto* dpiRow = new QHBoxLayout;
    dpiRow->addWidget(dpi_);
    dpiRow->addStretch(1);
    fields->addRow(tr("Resolution:"), dpiRow);
    fields->addRow(tr("In pixels:"), pixels_);
    fields->addRow(tr("Format:"), format_);
    fields->addRow(tr("File:"), fileRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Export"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);

    // The last format, unit and folder the user chose; the name follows the document's.
    const int format = format_->findData(settings.value("Export/Format", "png").toString());
    format_->setCurrentIndex(std::max(0, format));
    unit_->setCurrentIndex(settings.value("Export/Unit").toString() == "mm" ? 1 : 0);
    const QString name = form.DocumentName().isEmpty() ? QStringLiteral("graph") : form.DocumentName();
    const QString folder = settings.value("Export/Folder", QDir::homePath()).toString();
    path_->setText(QDir(folder).filePath(name + "." + format_->currentData().toString()));

    connect(area_, &QComboBox::currentIndexChanged, this, &TExportPictureDialog::AreaChanged);
    connect(width_, &QDoubleSpinBox::valueChanged, this, [this] { SizeChanged(true); });
    connect(height_, &QDoubleSpinBox::valueChanged, this, [this] { SizeChanged(false); });
    connect(unit_, &QComboBox::currentIndexChanged, this, &TExportPictureDialog::UnitChanged);
    connect(dpi_, &QSpinBox::valueChanged, this, &TExportPictureDialog::ShowPixels);
    connect(keepProportions_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            SizeChanged(true);
    });
    connect(format_, &QComboBox::currentIndexChanged, this, &TExportPictureDialog::FormatChanged);
    connect(browse, &QPushButton::clicked, this, &TExportPictureDialog::Browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &TExportPictureDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TExportPictureDialog::reject);
    UnitChanged();
    AreaChanged();
}

bool TExportPictureDialog::Millimetres() const
{
    return unit_->currentIndex() == 1;
}

void TExportPictureDialog::AreaChanged()
{
    // The picture starts at the size the area has on screen.
    const QSize size =
        form_.AreaSize(static_cast<TLumacurveForm::TPictureArea>(area_->currentData().toInt()));
    const QSize screen = size.isEmpty() ? QSize(800, 600) : size;
    aspect_ = double(screen.height()) / screen.width();
    const double factor = Millimetres() ? MillimetresPerInch / dpi_->value() : 1.0;
    updating_ = true;
    width_->setValue(screen.width() * factor);
    height_->setValue(screen.height() * factor);
    updating_ = false;
    ShowPixels();
}

void TExportPictureDialog::SizeChanged(bool widthChanged)
{
    if (updating_)
        return;
    if (keepProportions_->isChecked()) {
        updating_ = true;
        if (widthChanged)
            height_->setValue(width_->value() * aspect_);
        else
            width_->setValue(height_->value() / aspect_);
        updating_ = false;
    }
    ShowPixels();
}

void TExportPictureDialog::UnitChanged()
{
    // The same picture in the other unit.
    const bool mm = Millimetres();
    const double factor = mm ? MillimetresPerInch / dpi_->value() : dpi_->value() / MillimetresPerInch;
    const double maximum = mm ? MaxExportSide * MillimetresPerInch / MinExportDpi : MaxExportSide;
    updating_ = true;
    for (QDoubleSpinBox* box : {width_, height_}) {
        const double value = box->value() * factor;
        box->setDecimals(mm ? 1 : 0);
        box->setRange(mm ? 1 : MinExportSide, maximum);
        box->setSuffix(mm ? tr(" mm") : tr(" px"));
        box->setValue(value);
    }
    updating_ = false;
    ShowPixels();
}

void TExportPictureDialog::FormatChanged()
{
    const QString suffix = format_->currentData().toString();
    QFileInfo file(path_->text());
    if (!path_->text().isEmpty())
        path_->setText(QDir(file.path()).filePath(file.completeBaseName() + "." + suffix));
}

void TExportPictureDialog::Browse()
{
    const QString filter = format_->currentText() + " (*." + format_->currentData().toString() + ")";
    const QString chosen = QFileDialog::getSaveFileName(this, tr("Export picture"), path_->text(), filter);
    if (chosen.isEmpty())
        return;
    path_->setText(chosen);
    const int format = format_->findData(ExportFormat(chosen));
    if (format >= 0)
        format_->setCurrentIndex(format);
    else
        FormatChanged();
}

TPictureExport TExportPictureDialog::Request() const
{
    TPictureExport request;
    request.area = static_cast<TLumacurveForm::TPictureArea>(area_->currentData().toInt());
    request.dpi = dpi_->value();
    request.pixels = Millimetres()
                         ? QSize(MillimetresToPixels(width_->value(), request.dpi),
                                 MillimetresToPixels(height_->value(), request.dpi))
                         : QSize(int(std::lround(width_->value())), int(std::lround(height_->value())));
    request.path = path_->text().trimmed();
    // A name without the format's extension gets it.
    if (!request.path.isEmpty() && ExportFormat(request.path).isEmpty())
        request.path += "." + format_->currentData().toString();
    return request;
}

void TExportPictureDialog::ShowPixels()
{
    const TPictureExport request = Request();
    pixels_->setText(tr("%1 \u00d7 %2 pixels").arg(request.pixels.width()).arg(request.pixels.height()));
}

void TExportPictureDialog::accept()
{
    const TPictureExport request = Request();
    lastError_.clear();
    if (request.path.isEmpty()) {
        lastError_ = tr("Give the picture a file name.");
    } else if (QFileInfo::exists(request.path) && !form_.Quiet() &&
               QMessageBox::question(
                   this, tr("Export picture"),
                   tr("%1 already exists. Replace it?").arg(QDir::toNativeSeparators(request.path))) !=
                   QMessageBox::Yes) {
        return;
    } else if (ExportPicture(form_, request, lastError_)) {
        QSettings settings = UserSettings();
        settings.setValue("Export/Format", ExportFormat(request.path));
        settings.setValue("Export/Unit", Millimetres() ? "mm" : "px");
        settings.setValue("Export/Resolution", request.dpi);
        settings.setValue("Export/Folder", QFileInfo(request.path).absolutePath());
        form_.ShowStatusFlags(tr("The picture was saved as %1").arg(QDir::toNativeSeparators(request.path)),
                              2);
        QDialog::accept();
        return;
    }
    form_.Inform(lastError_, QMessageBox::Warning);
}
