#include "app/customcurve.h"

#include "editor/mathseditor.h"
#include "formula/editor.h"
#include "formula/equationobject.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "plot/shownname.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A swatch of a colour for a radio button.
QIcon Swatch(TColour colour)
{
    QPixmap pixmap(28, 16);
    pixmap.fill(ToQColor(colour));
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

} // namespace

TCustomCurve::TCustomCurve(std::vector<TEquationObject*> lines, int index, QWidget* parent)
    : QDialog(parent), lines_(std::move(lines))
{
    setObjectName("TCustomCurve");
    setWindowTitle(tr("Custom curve"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(tr("Select the curve"), this));
    auto* lineRow = new QHBoxLayout;
    layout->addLayout(lineRow);
    editor_ = new TMathsEditor(this);
    editor_->setObjectName("Editor");
    editor_->AnyText = true;
    editor_->setMinimumSize(320, FormulaTextHeight(FormulaHeight()) + 14);
    lineRow->addWidget(editor_, 1);
    auto* spin = new QVBoxLayout;
    spin->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setObjectName("EquationSpinUp");
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setObjectName("EquationSpinDown");
    down_->setArrowType(Qt::DownArrow);
    spin->addWidget(up_);
    spin->addWidget(down_);
    lineRow->addLayout(spin);
    rename_ = new QPushButton(tr("Rename the curve"), this);
    rename_->setObjectName("Rename");
    rename_->setAutoDefault(false);
    layout->addWidget(rename_, 0, Qt::AlignLeft);

    auto* colours = new QGroupBox(tr("Select the colour you want"), this);
    auto* grid = new QGridLayout(colours);
    colourGroup_ = new QButtonGroup(this);
    for (int n = 0; n < TableColourCount; ++n) {
        auto* button = new QRadioButton(colours);
        button->setObjectName(QStringLiteral("Colour%1").arg(n + 1));
        button->setIcon(Swatch(CurveColour(n)));
        button->setIconSize(QSize(28, 16));
        colourGroup_->addButton(button, n);
        colours_[n] = button;
        grid->addWidget(button, n / 5, n % 5);
    }
    colours_[MoreColoursButton] = new QRadioButton(tr("Other"), colours);
    colours_[MoreColoursButton]->setObjectName("MoreColours");
    colourGroup_->addButton(colours_[MoreColoursButton], MoreColoursButton);
    grid->addWidget(colours_[MoreColoursButton], 2, 0, 1, 2);
    more_ = new QPushButton(tr("More"), colours);
    more_->setObjectName("ColourButton");
    more_->setAutoDefault(false);
    grid->addWidget(more_, 2, 2, 1, 2, Qt::AlignLeft);
    colours_[0]->setChecked(true);
    layout->addWidget(colours);

    auto* lower = new QHBoxLayout;
    layout->addLayout(lower);
    auto* thicknessLabel = new QLabel(tr("Line thickness"), this);
    thickness_ = new QSpinBox(this);
    thickness_->setObjectName("LineThickness");
    thickness_->setRange(1, 9);
    thicknessLabel->setBuddy(thickness_);
    lower->addWidget(thicknessLabel);
    lower->addWidget(thickness_);
    lower->addSpacing(16);
    shade_ = new QCheckBox(tr("Shade"), this);
    shade_->setObjectName("ShadeCheckBox");
    label_ = new QCheckBox(tr("Label"), this);
    label_->setObjectName("LabelCheckBox");
    shade_->hide();
    label_->hide();
    lower->addWidget(shade_);
    lower->addWidget(label_);
    lower->addStretch(1);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);

    connect(up_, &QToolButton::clicked, this, [this] {
        if (shown_ > 0)
            ShowLine(shown_ - 1);
    });
    connect(down_, &QToolButton::clicked, this, [this] {
        if (shown_ + 1 < static_cast<int>(lines_.size()))
            ShowLine(shown_ + 1);
    });
    connect(rename_, &QPushButton::clicked, this, &TCustomCurve::RenameClick);
    connect(more_, &QPushButton::clicked, this, &TCustomCurve::MoreClick);
    connect(colourGroup_, &QButtonGroup::idClicked, this, [this](int id) {
        style_.colourButton = id;
        StyleChosen();
    });
    connect(thickness_, &QSpinBox::valueChanged, this, [this](int value) {
        style_.thickness = value;
        StyleChosen();
    });
    connect(shade_, &QCheckBox::toggled, this, [this](bool on) {
        style_.shade = on;
        StyleChosen();
    });
    connect(label_, &QCheckBox::toggled, this, [this](bool on) {
        style_.label = on;
        StyleChosen();
    });
    connect(ok_, &QPushButton::clicked, this, &TCustomCurve::OKBtnClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &TCustomCurve::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        if (ShowHelp)
            ShowHelp(HelpTopic);
    });

    // With one line the arrows have nowhere to go.
    up_->setEnabled(lines_.size() > 1);
    down_->setEnabled(lines_.size() > 1);
    ShowLine(index);
    styleChanged_ = false;
}

TCustomCurve::~TCustomCurve() = default;

void TCustomCurve::StyleChosen()
{
    if (!showing_)
        styleChanged_ = true;
}

void TCustomCurve::ShowLine(int index)
{
    ApplyName();
    if (!canClose_)
        return; // the name must be put right first
    ApplyStyle();
    if (index < 0 || index >= static_cast<int>(lines_.size()))
        return;
    shown_ = index;
    TEquationObject& line = *lines_[static_cast<std::size_t>(index)];
    showing_ = true;
    TElementList copy;
    try {
        copy = CopyElements(line.Elements());
    } catch (const std::exception&) {
        copy.reset(new TEditorObject);
    }
    editor_->SetElements(std::move(copy));
    if (TEditor* shown = editor_->Line())
        shown->colour = line.colour;
    editor_->ClearModified();
    // Only a name of the user's is edited here; an equation is edited in its own window.
    editor_->setEnabled(line.marker);
    style_ = CurveStyleOf(line);
    colours_[style_.colourButton]->setChecked(true);
    thickness_->setValue(style_.thickness);
    rename_->setEnabled(style_.renameAllowed);
    shade_->setVisible(style_.shadeShown);
    shade_->setChecked(style_.shade);
    label_->setVisible(style_.labelShown);
    label_->setChecked(style_.label);
    showing_ = false;
    styleChanged_ = false;
    editor_->update();
}

void TCustomCurve::RenameClick()
{
    if (shown_ < 0)
        return;
    TEquationObject& line = *lines_[static_cast<std::size_t>(shown_)];
    if (!line.marker) {
        QMessageBox box(QMessageBox::Information, windowTitle(),
                        tr("You cannot get the old equation back after this!"),
                        QMessageBox::Ok | QMessageBox::Cancel, this);
        if (box.exec() != QMessageBox::Ok)
            return;
    }
    editor_->setEnabled(true);
    editor_->setFocus();
    if (TEditor* shown = editor_->Line()) {
        shown->SelectAll();
        editor_->update();
    }
}

void TCustomCurve::ApplyName()
{
    canClose_ = true;
    if (shown_ < 0 || !editor_->Modified())
        return;
    TEditor* edited = editor_->Line();
    if (!edited)
        return;
    if (ListIsEmpty(edited->Elements())) {
        QMessageBox box(QMessageBox::Warning, windowTitle(), tr("You must enter something here"),
                        QMessageBox::Ok, this);
        box.exec();
        editor_->setFocus();
        canClose_ = false;
        return;
    }
    Tidy(edited->ElementList(), tmFinish, edited);
    TEquationObject& line = *lines_[static_cast<std::size_t>(shown_)];
    line.ShowDragHandles(false);
    ShowNameInstead(line, edited->TakeElements());
    edited->SetElements(TElementList(new TEditorObject));
    editor_->ClearModified();
    anythingChanged_ = true;
    if (LineChanged)
        LineChanged(line);
    if (RecordChange)
        RecordChange();
}

void TCustomCurve::ApplyStyle()
{
    if (!styleChanged_ || shown_ < 0)
        return;
    styleChanged_ = false;
    TEquationObject& line = *lines_[static_cast<std::size_t>(shown_)];
    if (!ApplyCurveStyle(line, style_))
        return;
    if (TEditor* shown = editor_->Line())
        shown->colour = line.colour;
    anythingChanged_ = true;
    if (LineChanged)
        LineChanged(line);
    if (RecordChange)
        RecordChange();
}

void TCustomCurve::MoreClick()
{
    // The colour is taken only when the colour dialog is accepted.
    const QColor chosen = QColorDialog::getColor(ToQColor(style_.colour), this, tr("Colour"));
    if (!chosen.isValid())
        return;
    style_.colour = FromQColor(chosen);
    style_.colourButton = MoreColoursButton;
    colours_[MoreColoursButton]->setChecked(true);
    StyleChosen();
}

void TCustomCurve::OKBtnClick()
{
    ShowLine(-1);
    if (!canClose_) {
        canClose_ = true;
        return;
    }
    accept();
}
