#include "app/rescaledialog.h"

#include "editor/mathseditor.h"
#include "expr/parser.h"
#include "formula/formulalayout.h"
#include "graph/graphparams.h"
#include "platform/canvas.h"
#include "plot/curveplotter.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr const char* AutoscaleCaption = "Autoscale ";
constexpr const char* ProgramTitle = "Lumacurve";

} // namespace

// ---- TCurveChooser ---------------------------------------------------------------

TCurveChooser::TCurveChooser(QWidget* parent) : QWidget(parent), bar_(new QScrollBar(Qt::Vertical, this))
{
    setObjectName("EqnCombo");
    setFocusPolicy(Qt::StrongFocus);
    bar_->setRange(0, 0);
    connect(bar_, &QScrollBar::valueChanged, this, [this](int value) { Show(value); });
}

void TCurveChooser::SetCurves(std::vector<TCurvePLotter*> curves, int shown)
{
    curves_ = std::move(curves);
    bar_->setRange(0, std::max(0, static_cast<int>(curves_.size()) - 1));
    shown_ = -1;
    Show(std::clamp(shown, 0, std::max(0, static_cast<int>(curves_.size()) - 1)));
}

TCurvePLotter* TCurveChooser::ShownCurve() const
{
    return shown_ >= 0 && shown_ < static_cast<int>(curves_.size())
               ? curves_[static_cast<std::size_t>(shown_)]
               : nullptr;
}

void TCurveChooser::Show(int index)
{
    if (curves_.empty() || index < 0 || index >= static_cast<int>(curves_.size()) || index == shown_)
        return;
    shown_ = index;
    const QSignalBlocker blocker(bar_);
    bar_->setValue(index);
    update();
    emit ShownChanged(index);
}

QSize TCurveChooser::sizeHint() const
{
    int height = FormulaTextHeight(FormulaHeight()) + 8;
    for (const TCurvePLotter* curve : curves_)
        height = std::max(height, curve->height + 8);
    return {260, height};
}

void TCurveChooser::resizeEvent(QResizeEvent*)
{
    const int width = bar_->sizeHint().width();
    bar_->setGeometry(this->width() - width, 0, width, height());
}

void TCurveChooser::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        Show(shown_ - steps);
    event->accept();
}

void TCurveChooser::paintEvent(QPaintEvent*)
{
    // One curve fills the box, centred in its height; no item is ever highlighted.
    QPainter painter(this);
    const QRect area(0, 0, width() - bar_->width(), height());
    painter.fillRect(area, Qt::white);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    TCurvePLotter* curve = ShownCurve();
    if (!curve)
        return;
    painter.setClipRect(area.adjusted(1, 1, -1, -1));
    Canvas canvas(&painter);
    canvas.MoveTo(0, (height() - curve->height) / 2);
    PaintLine(canvas, *curve);
}

// ---- TRescaleDialog ------------------------------------------------------------------

TRescaleDialog::TRescaleDialog(TGraphParams& params, TScaleHost* window, std::vector<TCurvePLotter*> curves,
                               int selected, QWidget* parent)
    : QDialog(parent), model_(params, window)
{
    setObjectName("TRescaleDialog");
    setWindowTitle(tr("Rescale"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    const char* names[] = {"Fromx", "Tox", "Fromy", "Toy"};
    const char* captions[] = {"x-axis from", "to", "y-axis from", "to"};
    for (int i = 0; i < 4; ++i) {
        auto* editor = new TMathsEditor(this);
        editor->setObjectName(names[i]);
        editor->SelectAllOnFocus = true;
        editor->setMinimumWidth(140);
        editor->setMinimumHeight(FormulaTextHeight(FormulaHeight()) + 10);
        editors_[i] = editor;
        auto* label = new QLabel(tr(captions[i]), this);
        label->setBuddy(editor);
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addWidget(editor, i / 2, (i % 2) * 2 + 1);
        // Moving between the bounds, or to Autoscale, checks the entry left;
        // Apply, OK and Cancel deal with the entries themselves.
        // Enter in a bound finishes the dialog as OK does.
        editor->OnFinishEdit = [this](TMathsEditor*, bool& stopped) {
            stopped = false;
            OKBtnClick();
        };
        editor->OnKillFocus = [this](TMathsEditor*, bool& validate, QWidget* receiver) {
            validate = receiver == autoscale_ ||
                       std::find(std::begin(editors_), std::end(editors_), receiver) != std::end(editors_);
        };
    }
    setTabOrder(editors_[0], editors_[1]);
    setTabOrder(editors_[1], editors_[2]);
    setTabOrder(editors_[2], editors_[3]);
    error_ = new QLabel(this);
    error_->setObjectName("RescaleError");
    error_->setMinimumHeight(fontMetrics().height());
    for (TMathsEditor* editor : editors_)
        editor->ErrorReporter = error_;
    layout->addWidget(error_);

    auto* curveRow = new QGridLayout;
    layout->addLayout(curveRow);
    chooser_ = new TCurveChooser(this);
    auto* using_ = new QLabel(tr("using curve"), this);
    using_->setBuddy(chooser_);
    curveRow->addWidget(using_, 0, 0);
    curveRow->addWidget(chooser_, 0, 1);
    autoscale_ = new QPushButton(tr(AutoscaleCaption), this);
    autoscale_->setObjectName("Autoscale");
    autoscale_->setAutoDefault(false);
    autoscale_->setEnabled(!curves.empty());
    curveRow->addWidget(autoscale_, 0, 2);
    lastScales_ = new QPushButton(tr("Last Scales"), this);
    lastScales_->setObjectName("LastScales");
    lastScales_->setAutoDefault(false);
    curveRow->addWidget(lastScales_, 1, 2);
    curveRow->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QDialogButtonBox::Cancel);
    apply_ = buttons->addButton(QDialogButtonBox::Apply);
    apply_->setObjectName("ApplyBtn");
    buttons->addButton(QDialogButtonBox::Help);
    layout->addWidget(buttons);

    connect(autoscale_, &QPushButton::clicked, this, &TRescaleDialog::AutoscaleClick);
    connect(lastScales_, &QPushButton::clicked, this, &TRescaleDialog::LastScalesClick);
    connect(apply_, &QPushButton::clicked, this, &TRescaleDialog::ApplyBtnClick);
    connect(ok_, &QPushButton::clicked, this, &TRescaleDialog::OKBtnClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &TRescaleDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        if (ShowHelp)
            ShowHelp(HelpTopic);
    });
    connect(chooser_, &TCurveChooser::ShownChanged, this, [this] { UpdateAutoscaleCaption(); });

    ShowBounds(model_.Initial());
    for (TMathsEditor* editor : editors_)
        editor->ClearModified();
    int shown = 0;
    if (selected >= 0)
        for (std::size_t i = 0; i < curves.size(); ++i)
            if (curves[i] && static_cast<int>(i) == selected)
                shown = static_cast<int>(i);
    chooser_->SetCurves(std::move(curves), shown);
    UpdateAutoscaleCaption();
    editors_[0]->setFocus();
}

TRescaleDialog::~TRescaleDialog() = default;

void TRescaleDialog::UpdateAutoscaleCaption()
{
    QString caption = tr(AutoscaleCaption);
    if (const TCurvePLotter* curve = chooser_->ShownCurve())
        if (const char letter = curve->VariableLetter(0))
            caption += letter == 'q' ? QString(QChar(0x03B8)) : QString(QChar(letter));
    autoscale_->setText(caption);
}

void TRescaleDialog::ShowBounds(const TScaleEntries& entries)
{
    const TRealReader* bounds[] = {entries.xmin.get(), entries.xmax.get(), entries.ymin.get(),
                                   entries.ymax.get()};
    for (int i = 0; i < 4; ++i)
        if (bounds[i])
            editors_[i]->ShowNumber(*bounds[i]);
}

TScaleEntries TRescaleDialog::ReadEntries()
{
    error_->clear();
    TParseParams parse;
    TScaleEntries entries;
    // The order the design reads them in: an error stops the reading there.
    entries.xmax = editors_[1]->NumberFromLine(parse);
    if (!HasError(parse))
        entries.ymin = editors_[2]->NumberFromLine(parse);
    if (!HasError(parse))
        entries.ymax = editors_[3]->NumberFromLine(parse);
    if (!HasError(parse))
        entries.xmin = editors_[0]->NumberFromLine(parse);
    entriesValid_ = !HasError(parse) && entries.Complete();
    return entries;
}

bool TRescaleDialog::EntriesModified() const
{
    return model_.EntriesFilled() || std::any_of(std::begin(editors_), std::end(editors_),
                                                 [](const TMathsEditor* e) { return e->Modified(); });
}

void TRescaleDialog::AutoscaleClick()
{
    TCurvePLotter* curve = chooser_->ShownCurve();
    if (!curve)
        return;
    TScaleEntries typed = ReadEntries();
    // An entry that cannot be read stops here: its bound cannot be used.
    if (!entriesValid_)
        return;
    ShowBounds(model_.Autoscale(typed, [curve](TAxisRanges& ranges) { curve->SuggestRanges(ranges); }));
}

void TRescaleDialog::LastScalesClick()
{
    if (const auto entries = model_.LastScales())
        ShowBounds(*entries);
}

void TRescaleDialog::ApplyBtnClick()
{
    if (!EntriesModified())
        return;
    entriesValid_ = true;
    TScaleEntries entries = ReadEntries();
    if (!entriesValid_)
        return; // the editor shows what is wrong; its changed flag stays for OK
    std::string message;
    if (model_.Apply(entries, message) != TRescaleModel::TApplyResult::Applied) {
        entriesValid_ = false;
        QMessageBox box(QMessageBox::Warning, ProgramTitle, QString::fromStdString(message), QMessageBox::Ok,
                        this);
        box.exec();
        return;
    }
    ShowBounds(entries);
    for (TMathsEditor* editor : editors_)
        editor->ClearModified();
}

void TRescaleDialog::OKBtnClick()
{
    if (!model_.Applied())
        ApplyBtnClick();
    if (entriesValid_)
        accept();
}

void TRescaleDialog::reject()
{
    entriesValid_ = true;
    model_.UndoApplied();
    QDialog::reject();
}
