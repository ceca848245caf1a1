#include "app/lcvprintdialog.h"

#include "app/lumacurveform.h"
#include "settings/configuration.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int HelpTopic = 213;

// A titled column of radio buttons, the first one numbered 0.
QGroupBox* RadioGroup(const QString& title, const char* name, const QStringList& captions,
                      QButtonGroup*& group, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(2);
    group = new QButtonGroup(box);
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions[i], box);
        button->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(i));
        group->addButton(button, i);
        layout->addWidget(button);
    }
    return box;
}

// The dialog is disabled and the hourglass shown while the page is drawn,
// and both come back however the drawing ends.
class TBusyDialog {
public:
    explicit TBusyDialog(QWidget& dialog) : dialog_(dialog)
    {
        dialog_.setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TBusyDialog()
    {
        QApplication::restoreOverrideCursor();
        dialog_.setEnabled(true);
    }
    TBusyDialog(const TBusyDialog&) = delete;
    TBusyDialog& operator=(const TBusyDialog&) = delete;

private:
    QWidget& dialog_;
};

} // namespace

TLCVPrintDialog::TLCVPrintDialog(TLumacurveForm& form)
    : QDialog(&form), form_(form), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName("TLCVPrintDialog");
    setWindowTitle(tr("Print preview"));
    printer_->setDocName(ProgramName);
    BuildControls();
    resize(788, 538);
}

TLCVPrintDialog::~TLCVPrintDialog() = default;

void TLCVPrintDialog::BuildControls()
{
    auto* layout = new QHBoxLayout(this);
    previewArea_ = new QWidget(this);
    previewArea_->setObjectName("PreviewArea");
    previewArea_->setMinimumSize(200, 200);
    previewArea_->installEventFilter(this);
    previewPanel_ = new QFrame(previewArea_);
    previewPanel_->setObjectName("PreviewPanel");
    previewPanel_->setFrameShape(QFrame::Box);
    previewPanel_->setLineWidth(1);
    auto* panelLayout = new QVBoxLayout(previewPanel_);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    previewImage_ = new QLabel(previewPanel_);
    previewImage_->setObjectName("PreviewImage");
    previewImage_->setAlignment(Qt::AlignCenter);
    panelLayout->addWidget(previewImage_);
    layout->addWidget(previewArea_, 1);

    auto* side = new QVBoxLayout;
    layout->addLayout(side);
    choices_ = new QGroupBox(tr("Print choices"), this);
    choices_->setObjectName("PrintChoices");
    side->addWidget(choices_);
    auto* grid = new QVBoxLayout(choices_);
    auto* pair = new QHBoxLayout;
    pair->addWidget(RadioGroup(tr("Print in"), "ColourRadioGroup", {tr("Colour"), tr("Grey"), tr("Black")},
                               colour_, choices_));
    pair->addWidget(RadioGroup(tr("Orientation"), "OrientationRadioGroup", {tr("Portrait"), tr("Landscape")},
                               orientation_, choices_));
    grid->addLayout(pair);
    fillPage_ = new QCheckBox(tr("Fill page"), choices_);
    fillPage_->setObjectName("FIllpageCheck");
    printEquations_ = new QCheckBox(tr("Print equations"), choices_);
    printEquations_->setObjectName("PrintEquationsCheck");
    grid->addWidget(fillPage_);
    grid->addWidget(printEquations_);
    auto* aligns = new QHBoxLayout;
    aligns->addWidget(RadioGroup(tr("Align graph across"), "AlignAcrossRadioGroup",
                                 {tr("Left"), tr("Centre"), tr("Right")}, across_, choices_));
    aligns->addWidget(RadioGroup(tr("Align graph up down"), "AlignVertRadioGroup",
                                 {tr("Bottom"), tr("Centre"), tr("Top")}, upDown_, choices_));
    grid->addLayout(aligns);
    auto* form = new QFormLayout;
    copies_ = new QSpinBox(choices_);
    copies_->setObjectName("CopiesSpin");
    copies_->setRange(1, 99);
    form->addRow(tr("Copies"), copies_);
    printName_ = new QLineEdit(choices_);
    printName_->setObjectName("PrintName");
    printName_->setMaxLength(static_cast<int>(TConfiguration::PrintNameLength));
    form->addRow(tr("Printout name"), printName_);
    grid->addLayout(form);
    side->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    auto* print = buttons->addButton(tr("Print"), QDialogButtonBox::AcceptRole);
    print->setObjectName("PrintBtn");
    print->setDefault(true);
    auto* setUp = buttons->addButton(tr("Printer"), QDialogButtonBox::ActionRole);
    setUp->setObjectName("SetUpBtn");
    setUp->setToolTip(tr("Change printer settings"));
    setUp->setAutoDefault(false);
    buttons->addButton(QDialogButtonBox::Cancel)->setAutoDefault(false);
    buttons->addButton(QDialogButtonBox::Help)->setAutoDefault(false);
    side->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { form_.ShowHelp(HelpTopic); });
    connect(setUp, &QPushButton::clicked, this, &TLCVPrintDialog::SetUpPrinter);

    // Each choice is program-wide and redraws the preview.
    connect(colour_, &QButtonGroup::idClicked, this, [this](int id) {
        PrintColourOption = static_cast<std::uint8_t>(id);
        DrawPreview();
    });
    connect(orientation_, &QButtonGroup::idClicked, this, [this](int id) {
        printer_->setPageOrientation(id == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
        PrinterChanged();
    });
    connect(across_, &QButtonGroup::idClicked, this, [this](int id) {
        PrintChoices.AlignAcross = id;
        DrawPreview();
    });
    connect(upDown_, &QButtonGroup::idClicked, this, [this](int id) {
        PrintChoices.AlignUpDown = id;
        DrawPreview();
    });
    connect(fillPage_, &QCheckBox::toggled, this, [this](bool on) {
        PrintChoices.FillPage = on;
        DrawPreview();
    });
    connect(printEquations_, &QCheckBox::toggled, this, [this](bool on) {
        PrintChoices.PrintEquations = on;
        DrawPreview();
    });
    connect(copies_, &QSpinBox::valueChanged, this, [this](int copies) { printer_->setCopyCount(copies); });
    connect(printName_, &QLineEdit::textEdited, this, [this](const QString& text) {
        Configuration.SetPrintName(text.toStdString());
        nameChanged_ = true;
    });
    connect(printName_, &QLineEdit::editingFinished, this, [this] {
        if (nameChanged_)
            DrawPreview();
    });
}

void TLCVPrintDialog::ShowChoices()
{
    const QSignalBlocker blockName(printName_);
    printName_->setText(QString::fromStdString(Configuration.PrintName));
    if (QAbstractButton* button = colour_->button(std::clamp<int>(PrintColourOption, 0, 2)))
        button->setChecked(true);
    orientation_->button(printer_->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0)
        ->setChecked(true);
    const QSignalBlocker blockFill(fillPage_);
    const QSignalBlocker blockEquations(printEquations_);
    fillPage_->setChecked(PrintChoices.FillPage);
    printEquations_->setChecked(PrintChoices.PrintEquations);
    across_->button(std::clamp(PrintChoices.AlignAcross, 0, 2))->setChecked(true);
    upDown_->button(std::clamp(PrintChoices.AlignUpDown, 0, 2))->setChecked(true);
    const QSignalBlocker blockCopies(copies_);
    copies_->setValue(std::clamp(printer_->copyCount(), 1, 99));
}

void TLCVPrintDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ShowChoices();
    SizePanel();
    DrawPreview();
}

bool TLCVPrintDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == previewArea_ && event->type() == QEvent::Resize && isVisible()) {
        SizePanel();
        DrawPreview();
    }
    return QDialog::eventFilter(watched, event);
}

void TLCVPrintDialog::SizePanel()
{
    if (!printerMeasured_) {
        measured_ = MeasurePrinter(*printer_);
        printerMeasured_ = true;
    }
    const QSize area = previewArea_->size() - QSize(20, 20);
    const QRect panel = PreviewPanelRect(area, measured_.Pixels, PixelAspect);
    previewPanel_->setVisible(!panel.isEmpty());
    if (!panel.isEmpty())
        previewPanel_->setGeometry(panel);
}

void TLCVPrintDialog::PrinterChanged()
{
    printerMeasured_ = false;
    SizePanel();
    DrawPreview();
}

void TLCVPrintDialog::SetUpPrinter()
{
    QPrintDialog setUp(printer_.get(), this);
    setUp.setWindowTitle(tr("Printer"));
    if (setUp.exec() != QDialog::Accepted)
        return;
    ShowChoices();
    PrinterChanged();
}

void TLCVPrintDialog::DrawPreview()
{
    if (!printerMeasured_)
        SizePanel();
    const QSize size = previewPanel_->contentsRect().size();
    if (size.isEmpty() || measured_.Pixels.isEmpty())
        return;
    const TBusyDialog busy(*this);
    const qreal ratio = devicePixelRatioF();
    QImage picture(size * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    // The picture's millimetres are the printer's, so graph paper, ticks
    // and pens appear at the proportions they will have on paper.
    if (measured_.MillimetresAcross > 0 && measured_.MillimetresDown > 0) {
        picture.setDotsPerMeterX(
            static_cast<int>(std::lround(picture.width() / measured_.MillimetresAcross * 1000)));
        picture.setDotsPerMeterY(
            static_cast<int>(std::lround(picture.height() / measured_.MillimetresDown * 1000)));
    }
    picture.fill(Qt::white);
    TPageDevice page = measured_;
    page.Pixels = size;
    page.Aspect = 1;
    {
        QPainter painter(&picture);
        (void)DrawPage(form_, painter, page, PrintChoices, QString::fromStdString(Configuration.PrintName));
    }
    picture_ = picture;
    previewImage_->setPixmap(QPixmap::fromImage(picture_));
    nameChanged_ = false;
}
