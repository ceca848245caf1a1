#include "app/customdlg.h"

#include "app/passwordform.h"
#include "editor/mathseditor.h"
#include "expr/parser.h"
#include "formula/formulalayout.h"
#include "platform/fontfamilies.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* ProgramTitle = "Lumacurve";
constexpr int FontSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36};
constexpr const char* Sides[] = {"Top", "Bottom", "Left", "Right"};

int lastPage = 0; // the page shown when the dialog last closed, for the run

QSpinBox* SpinBox(QWidget* parent, const char* name, int min, int max, int step, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(min, max);
    box->setSingleStep(step);
    box->setValue(value);
    return box;
}

// A form whose number fields keep their natural width.
QFormLayout* FieldForm(QWidget* parent = nullptr)
{
    auto* form = new QFormLayout(parent);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    return form;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& caption, bool checked)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

// A framed group of radio buttons, one per caption, the checked one's id chosen.
QButtonGroup* RadioGroup(QWidget* parent, QVBoxLayout* into, const char* name, const QString& caption,
                         const std::vector<QString>& captions, int checked, bool across = false)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    QBoxLayout* layout = across ? static_cast<QBoxLayout*>(new QHBoxLayout(frame)) : new QVBoxLayout(frame);
    auto* group = new QButtonGroup(frame);
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        auto* button = new QRadioButton(captions[static_cast<std::size_t>(i)], frame);
        group->addButton(button, i);
        layout->addWidget(button);
        button->setChecked(i == checked);
    }
    into->addWidget(frame);
    return group;
}

TDockSide SideChosen(const QButtonGroup* group)
{
    return group->checkedId() < 0 ? TDockSide::Unchanged : static_cast<TDockSide>(group->checkedId());
}

} // namespace

int TCustomDlg::LastPage()
{
    return lastPage;
}

void TCustomDlg::SetLastPage(int page)
{
    lastPage = page;
}

TCustomDlg::TCustomDlg(const TCustomSettings& settings, QWidget* parent)
    : QDialog(parent), before_(settings), settings_(settings), lock_(settings_.config)
{
    setObjectName("TCustomDlg");
    setWindowTitle(tr("Custom Lumacurve"));
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl");
    pages_->addTab(DrawingPage(), tr("Drawing"));
    pages_->addTab(GraphPage(), tr("Graph"));
    pages_->addTab(AppearancePage(), tr("Appearance"));
    pages_->addTab(LayoutPage(), tr("Layout"));
    pages_->addTab(OtherPage(), tr("Other"));
    pages_->setCurrentIndex(std::clamp(lastPage, 0, pages_->count() - 1));
    layout->addWidget(pages_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TCustomDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TCustomDlg::reject);
    ShowLockState();
}

TCustomDlg::~TCustomDlg() = default;

QWidget* TCustomDlg::DrawingPage()
{
    const TConfiguration& c = settings_.config;
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* form = FieldForm();
    layout->addLayout(form);
    mouseFigures_ = SpinBox(page, "MouseDisplayFigures", 2, 5, 1, c.MouseFigures);
    form->addRow(tr("Mouse accuracy"), mouseFigures_);
    auto* accuracyRow = new QHBoxLayout;
    accuracy_ = SpinBox(page, "Accuracy", 1, 1000, 10, c.Accuracy);
    auto_ = CheckBox(page, "AutoAccuracy", tr("Auto"), c.AutoAccuracy);
    accuracyRow->addWidget(accuracy_);
    accuracyRow->addWidget(auto_);
    form->addRow(tr("Accuracy"), accuracyRow);
    // Auto shows the accuracy measured at start-up and takes it.
    const auto showAuto = [this](bool on) {
        accuracy_->setEnabled(!on);
        if (on)
            accuracy_->setValue(AutomaticAccuracy);
    };
    connect(auto_, &QCheckBox::toggled, this, showAuto);
    showAuto(c.AutoAccuracy);

    auto* demo = new QGroupBox(tr("Demonstration"), page);
    auto* demoLayout = FieldForm(demo);
    demonstration_ = CheckBox(demo, "DemonstrationDraw", tr("Drawing"), c.DemonstrationDraw);
    pause_ = CheckBox(demo, "PauseBetweenCurves", tr("Pause between curves"), c.Pause);
    construction_ = CheckBox(demo, "Constructionlines", tr("Construction lines"), c.ConstructionLines);
    repeatsDelay_ = SpinBox(demo, "RepeatsDelay", 0, 20, 1, c.RepeatsDelay);
    demoLayout->addRow(demonstration_);
    demoLayout->addRow(pause_);
    demoLayout->addRow(construction_);
    demoLayout->addRow(tr("Time delay"), repeatsDelay_);
    layout->addWidget(demo);
    layout->addStretch();
    return page;
}

QWidget* TCustomDlg::GraphPage()
{
    const TConfiguration& c = settings_.config;
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* inequalities = new QGroupBox(tr("Inequalities"), page);
    shadeSide_ = CheckBox(inequalities, "ShadeSide", tr("Shade correct side"), c.ShadeSide);
    (new QVBoxLayout(inequalities))->addWidget(shadeSide_);
    layout->addWidget(inequalities);

    auto* scaling = new QGroupBox(tr("Axis scaling"), page);
    auto* scalingLayout = new QFormLayout(scaling);
    const std::string* texts[] = {&settings_.xScaling, &settings_.yScaling};
    for (int kind = 0; kind < 2; ++kind) {
        auto* editor = new TMathsEditor(scaling);
        editor->setObjectName(kind == 0 ? "xScaleFactor" : "yScaleFactor");
        editor->AllowBlank = true;
        editor->SelectAllOnFocus = true;
        editor->setMinimumHeight(FormulaTextHeight(FormulaHeight()) + 10);
        editor->setMinimumWidth(160);
        if (!texts[kind]->empty())
            if (const TRealReaderPtr number = NumberFromText(*texts[kind], nullptr))
                editor->ShowNumber(*number);
        editor->ClearModified();
        // Enter in a scale factor answers OK.
        editor->OnFinishEdit = [this](TMathsEditor*, bool& stopped) {
            stopped = false;
            accept();
        };
        scalingLayout->addRow(kind == 0 ? tr("x-axis") : tr("y-axis"), editor);
        (kind == 0 ? xScale_ : yScale_) = editor;
    }
    layout->addWidget(scaling);

    auto* row = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    angle_ = RadioGroup(page, left, "AngleMeasure", tr("Angle measure"), {tr("Degrees"), tr("Radians")},
                        c.Radians() ? 1 : 0);
    grid_ = RadioGroup(page, left, "GridRadioGroup", tr("Grid"), {tr("Cartesian"), tr("Polar")},
                       c.PolarGrid ? 1 : 0);
    row->addLayout(left);
    auto* coords = new QGroupBox(tr("Coordinates"), page);
    auto* coordsLayout = new QVBoxLayout(coords);
    labelCoords_ = CheckBox(coords, "LabelCoords", tr("Label "), c.LabelCoordinates);
    shadeShapes_ = CheckBox(coords, "ShadeCheckBox", tr("Shade"), c.ShadeShapes);
    coordsLayout->addWidget(labelCoords_);
    coordsLayout->addWidget(shadeShapes_);
    coordsLayout->addStretch();
    row->addWidget(coords);
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

QWidget* TCustomDlg::AppearancePage()
{
    const TConfiguration& c = settings_.config;
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* form = FieldForm();
    thickness_ = SpinBox(page, "Thicklines", 1, 9, 1, c.ThickLines);
    form->addRow(tr("Line thickness"), thickness_);
    layout->addLayout(form);

    auto* axes = new QGroupBox(tr("Axes"), page);
    auto* axesLayout = new QVBoxLayout(axes);
    drawAxes_ = CheckBox(axes, "DrawAxes", tr("Draw axes"), c.DrawAxes);
    drawGrid_ = CheckBox(axes, "DrawGrid", tr("Draw grid"), c.Grid);
    labelAxes_ = CheckBox(axes, "Labelaxes", tr("Number axes"), c.LabelAxes);
    labelAxes_->setEnabled(c.DrawAxes);
    connect(drawAxes_, &QCheckBox::toggled, labelAxes_, &QCheckBox::setEnabled);
    for (QCheckBox* box : {drawAxes_, drawGrid_, labelAxes_})
        axesLayout->addWidget(box);
    auto* row = new QHBoxLayout;
    row->addWidget(axes);
    auto* right = new QVBoxLayout;
    paper_ = RadioGroup(page, right, "mmColourRadio", tr("Graph paper colour"), {tr("Green"), tr("Blue")},
                        settings_.graphPaperColour == 1 ? 1 : 0);
    transformDialogs_ =
        CheckBox(page, "TranformDialogsCheck", tr("Transformation dialog boxes"), c.TransformDialogs);
    right->addWidget(transformDialogs_);
    row->addLayout(right);
    layout->addLayout(row);

    auto* look = new QGroupBox(tr("Appearance"), page);
    auto* lookLayout = new QFormLayout(look);
    fontName_ = new QFontComboBox(look);
    fontName_->setObjectName("FontName");
    fontName_->setCurrentFont(FamilyFont(settings_.fontName));
    shownFamily_ = fontName_->currentFont().family();
    fontSize_ = new QComboBox(look);
    fontSize_->setObjectName("FontSize");
    fontSize_->setEditable(true);
    for (int size : FontSizes)
        fontSize_->addItem(QString::number(size));
    // Digits only; the size typed need not be one offered.
    fontSize_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{1,3}"), fontSize_));
    fontSize_->setEditText(QString::number(settings_.fontPoints));
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(fontName_, 1);
    fontRow->addWidget(fontSize_);
    lookLayout->addRow(tr("Font"), fontRow);
    background_ = new QPushButton(look);
    background_->setObjectName("BackgroundColour");
    background_->setAutoDefault(false);
    background_->setMaximumWidth(100);
    lookLayout->addRow(tr("Background colour"), background_);
    ShowBackground();
    // The colour is taken only when the colour dialog is accepted.
    connect(background_, &QPushButton::clicked, this, [this] {
        const QColor chosen =
            QColorDialog::getColor(ToQColor(settings_.background), this, tr("Background colour"));
        if (chosen.isValid()) {
            settings_.background = FromQColor(chosen);
            ShowBackground();
        }
    });
    layout->addWidget(look);
    layout->addStretch();
    return page;
}

QWidget* TCustomDlg::LayoutPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    std::vector<QString> sides;
    for (const char* side : Sides)
        sides.push_back(tr(side));
    // Neither group shows a choice until one is clicked: only a click moves panels.
    equationsSide_ =
        RadioGroup(page, layout, "EquationsWindowPosition", tr("Equations window"), sides, -1, true);
    toolbarSide_ = RadioGroup(page, layout, "ToolbarPosition", tr("Toolbar "), sides, -1, true);
    dragLayout_ = CheckBox(page, "CheckBoxToolbarDragging", tr("Drag layout"), settings_.dragLayout);
    docking_ = CheckBox(page, "CheckBoxDocking", tr("Allow docking"), settings_.config.AllowDocking);
    layout->addWidget(dragLayout_);
    layout->addWidget(docking_);
    layout->addStretch();
    return page;
}

QWidget* TCustomDlg::OtherPage()
{
    const TConfiguration& c = settings_.config;
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* form = FieldForm();
    zoom_ = SpinBox(page, "Zoomfactor", 150, 500, 50, c.ZoomFactor);
    form->addRow(tr("Zoom factor - %"), zoom_);
    layout->addLayout(form);
    auto* constants = new QGroupBox(tr("Dynamic constants"), page);
    defineConstants_ = CheckBox(constants, "DefineConstants", tr("Define from editor"), c.DefineConstants);
    (new QVBoxLayout(constants))->addWidget(defineConstants_);
    layout->addWidget(constants);
    auto* lockRow = new QHBoxLayout;
    dragCurves_ = CheckBox(page, "DraggingCurvesCheck", tr("Draggable curves"), c.DragCurves);
    password_ = new QPushButton(page);
    password_->setObjectName("PasswordBtn");
    password_->setAutoDefault(false);
    connect(password_, &QPushButton::clicked, this, &TCustomDlg::PasswordBtnClick);
    lockRow->addWidget(dragCurves_);
    lockRow->addStretch();
    lockRow->addWidget(password_);
    layout->addLayout(lockRow);
    layout->addStretch();
    return page;
}

void TCustomDlg::ShowLockState()
{
    const bool unlocked = lock_.Unlocked();
    dragCurves_->setEnabled(unlocked);
    password_->setText(unlocked ? tr("Set password") : tr("Enter password"));
}

void TCustomDlg::ShowBackground()
{
    const QColor colour = ToQColor(settings_.background);
    background_->setStyleSheet(
        QString("background-color: %1; border: 1px solid gray; min-width: 60px; min-height: 20px;")
            .arg(colour.name()));
    background_->setToolTip(colour.name());
}

void TCustomDlg::PasswordBtnClick()
{
    const TPasswordMode mode = lock_.Unlocked() ? TPasswordMode::Set : TPasswordMode::Enter;
    TPasswordForm form(lock_, mode, this);
    if (form.exec() == QDialog::Accepted && form.PasswordChanged())
        passwordChanged_ = true;
    ShowLockState();
}

bool TCustomDlg::ReadScaleFactor(TMathsEditor* editor, std::string& text)
{
    if (!editor->Modified())
        return true;
    TParseParams parse;
    const TRealReaderPtr number = editor->NumberFromLine(parse);
    if (HasError(parse))
        return false; // the editor shows what is wrong
    const std::string problem = ScaleFactorProblem(number.get());
    if (!problem.empty()) {
        pages_->setCurrentIndex(1);
        QMessageBox box(QMessageBox::Warning, ProgramTitle, tr(problem.c_str()), QMessageBox::Ok, this);
        box.exec();
        editor->setFocus();
        return false;
    }
    text = number ? number->GetText(10, 0) : std::string();
    return true;
}

void TCustomDlg::accept()
{
    // Both scale factors must be usable, or nothing is taken.
    std::string xText = settings_.xScaling, yText = settings_.yScaling;
    if (!ReadScaleFactor(xScale_, xText) || !ReadScaleFactor(yScale_, yText))
        return;
    settings_.xScaling = xText;
    settings_.yScaling = yText;

    TConfiguration& c = settings_.config;
    c.MouseFigures = static_cast<std::uint8_t>(mouseFigures_->value());
    c.AutoAccuracy = auto_->isChecked();
    c.Accuracy = static_cast<std::int16_t>(accuracy_->value());
    c.DemonstrationDraw = demonstration_->isChecked();
    c.Pause = pause_->isChecked();
    c.ConstructionLines = construction_->isChecked();
    c.RepeatsDelay = static_cast<std::uint8_t>(repeatsDelay_->value());
    c.ShadeSide = shadeSide_->isChecked();
    c.AngleFactor = angle_->checkedId() == 1 ? 1.0L : DegreesFactor;
    c.PolarGrid = grid_->checkedId() == 1 ? 1 : 0;
    c.LabelCoordinates = labelCoords_->isChecked();
    c.ShadeShapes = shadeShapes_->isChecked();
    c.ThickLines = static_cast<std::int16_t>(thickness_->value());
    c.DrawAxes = drawAxes_->isChecked();
    c.Grid = drawGrid_->isChecked();
    c.LabelAxes = labelAxes_->isChecked();
    c.TransformDialogs = transformDialogs_->isChecked();
    c.AllowDocking = docking_->isChecked();
    c.ZoomFactor = static_cast<std::int16_t>(zoom_->value());
    c.DefineConstants = defineConstants_->isChecked();
    c.DragCurves = dragCurves_->isChecked();
    settings_.graphPaperColour = paper_->checkedId() == 1 ? 1 : 0;
    settings_.dragLayout = dragLayout_->isChecked();
    settings_.equationsSide = SideChosen(equationsSide_);
    settings_.toolbarSide = SideChosen(toolbarSide_);
    // A font the box could not show stays unless another was chosen.
    if (fontName_->currentFont().family() != shownFamily_)
        settings_.fontName = fontName_->currentFont().family().toStdString();
    bool ok = false;
    const int points = fontSize_->currentText().toInt(&ok);
    if (ok && points >= 1)
        settings_.fontPoints = points; // an empty or zero size keeps the size
    QDialog::accept();
}

void TCustomDlg::done(int result)
{
    lastPage = pages_->currentIndex();
    QDialog::done(result);
}
