#include "app/transformdlg.h"

#include "editor/mathseditor.h"
#include "entry/entry.h"
#include "entry/transformentry.h"
#include "expr/evaluator.h"
#include "expr/parser.h"
#include "formula/descriptions.h"
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "geometry/coordinates.h"
#include "plot/formulacurve.h"
#include "settings/mathswriter.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

// A number field's characters: digits and one decimal point, a minus sign
// only at the start where allowed, at most maxLength characters (0: any).
class TNumberValidator : public QValidator {
public:
    TNumberValidator(int maxLength, bool minus, QObject* parent)
        : QValidator(parent), maxLength_(maxLength), minus_(minus)
    {
    }
    State validate(QString& input, int&) const override
    {
        if (maxLength_ > 0 && input.size() > maxLength_)
            return Invalid;
        int points = 0;
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            if (c == '.')
                ++points;
            else if (!(c.isDigit() && c.unicode() < 0x80) && !(minus_ && i == 0 && c == '-'))
                return Invalid;
        }
        return points <= 1 ? Acceptable : Invalid;
    }

private:
    int maxLength_;
    bool minus_;
};

// A number as a field shows it: up to 10 significant figures, never in the
// user's locale.
QString ShownNumber(Extended value)
{
    return QString::number(static_cast<double>(value), 'g', 10);
}

// The value typed into a number field; false when it is not a number.
bool FieldValue(const QLineEdit* field, Extended& value)
{
    bool ok = false;
    const double typed = field->text().toDouble(&ok); // QString reads the C form, whatever the locale
    value = typed;
    return ok && std::isfinite(typed);
}

// A number for a line: the shortest form of up to 10 figures, "0" for −0.
std::string NumberMarkup(Extended value)
{
    if (value == 0)
        return "0";
    return ShownNumber(value).toStdString();
}

// The value of a step's formula, or NaN.
Extended ValueOf(const TEvaluator* tree)
{
    Extended value = 0;
    return StepValue(tree, value) ? value : std::nan("");
}

// Two angles are the same to within rounding.
bool SameAngle(Extended a, Extended b)
{
    return std::fabs(a - b) <= 1e-12L * (1 + std::fabs(b));
}

TCoordEditObject* CoordinatesIn(TEditorObject* list)
{
    for (TEditorObject* e = list; e; e = e->next)
        if (auto* point = dynamic_cast<TCoordEditObject*>(e))
            return point;
    return nullptr;
}

} // namespace

// ---- TDialogTransform --------------------------------------------------------------------------

TDialogTransform::TDialogTransform(const QString& title, TTransformation* existing, QWidget* parent)
    : QDialog(parent), line_(existing), changed_(existing == nullptr)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    grid_ = new QGridLayout;
    grid_->setColumnStretch(1, 1);
    layout->addLayout(grid_);
    error_ = new QLabel(this);
    error_->setObjectName("TransformError");
    error_->setMinimumHeight(fontMetrics().height());
    layout->addWidget(error_);
}

TDialogTransform::~TDialogTransform() = default;

void TDialogTransform::AddRow(const QString& caption, QWidget* field, QWidget* second)
{
    const int row = grid_->rowCount();
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    grid_->addWidget(label, row, 0);
    if (second) {
        grid_->addWidget(field, row, 1);
        grid_->addWidget(second, row, 2);
    } else {
        grid_->addWidget(field, row, 1, 1, 2);
    }
    // Tab and Enter go through the rows in order, across each row.
    for (QWidget* control : {field, second}) {
        if (!control)
            continue;
        EnterMovesOn(control);
        if (lastControl_)
            setTabOrder(lastControl_, control);
        lastControl_ = control;
    }
}

void TDialogTransform::FinishLayout()
{
    auto* buttons = new QDialogButtonBox(this);
    draw_ = buttons->addButton(tr("Draw"), QDialogButtonBox::ActionRole);
    draw_->setObjectName("DrawBtn");
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    ok_->setObjectName("OKBtn");
    buttons->addButton(QDialogButtonBox::Cancel);
    for (QPushButton* button : buttons->findChildren<QPushButton*>())
        button->setAutoDefault(false);
    draw_->setEnabled(changed_);
    layout()->addWidget(buttons);
    connect(draw_, &QPushButton::clicked, this, [this] { DrawBtnClick(); });
    connect(ok_, &QPushButton::clicked, this, &TDialogTransform::OKBtnClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &TDialogTransform::reject);
    if (QLayoutItem* first = grid_->itemAtPosition(0, 1))
        if (first->widget())
            first->widget()->setFocus();
}

void TDialogTransform::Changed()
{
    changed_ = true;
    if (draw_)
        draw_->setEnabled(true);
}

void TDialogTransform::EnterMovesOn(QWidget* field)
{
    if (auto* editor = qobject_cast<TMathsEditor*>(field)) {
        editor->OnFinishEdit = [this](TMathsEditor*, bool& stopped) {
            stopped = false;
            focusNextChild();
        };
        return;
    }
    field->installEventFilter(this);
}

bool TDialogTransform::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

TMathsEditor* TDialogTransform::MakeCentreEditor(const TCoordinates* centre)
{
    auto* editor = new TMathsEditor(this);
    editor->setObjectName("EditorCentre");
    editor->setMinimumWidth(140);
    editor->setMinimumHeight(FormulaTextHeight(FormulaHeight()) + 10);
    editor->ErrorReporter = error_;
    editor->SetElements(ElementsFromText(centre ? PointMarkup(*centre) : std::string("{coords{0}{0}")));
    // Only the characters of numbers: digits, the point, a leading minus;
    // the delete-back key and Escape (which closes the dialog) go through.
    editor->OnKeyPress = [](TMathsEditor*, char& key) {
        const bool number = std::isdigit(static_cast<unsigned char>(key)) || key == '.' || key == '-';
        if (!number && key != '\b' && key != '\x1B') {
            QApplication::beep();
            key = 0;
        }
    };
    editor->OnChange = [this](TCanvasControl*) { Changed(); };
    // The caret waits at the end of the x part.
    if (TCoordEditObject* point = CoordinatesIn(editor->Line()->Elements())) {
        TEditorObject* last = point->Cell(0);
        while (last && last->next)
            last = last->next;
        if (last)
            editor->Line()->SetCaret(last, last->PositionCount());
    }
    editor->ClearModified();
    return editor;
}

bool TDialogTransform::ReadCentre(TMathsEditor* editor, std::string& markup)
{
    TEditor* line = editor->Line();
    TParseParams params;
    TCoordEditObject* point = line ? CoordinatesIn(line->Elements()) : nullptr;
    if (!point) {
        SetErrorAt(params, EntryMessage::NeedCoordinates, line ? line->Elements() : nullptr, 0);
    } else {
        const std::vector<TEquationObject*> names =
            DeclaredNames ? DeclaredNames() : std::vector<TEquationObject*>();
        TCoordinateParse parsed = ParseCoordinates(*point, &names);
        if (parsed.Failed())
            SetErrorAt(params, parsed.message, parsed.element, parsed.position);
        else if (!dynamic_cast<TCoordinates*>(parsed.row.get()))
            SetErrorAt(params, ParseMessage::EmptyCell, point->Cell(0), 0);
    }
    if (HasError(params)) {
        editor->update();
        editor->ShowError(params);
        return false;
    }
    TMathsWriter writer;
    point->WriteTo(writer);
    markup = writer.TakeText();
    return true;
}

void TDialogTransform::ShowFieldError(QWidget* field, const char* message)
{
    QApplication::beep();
    error_->setText(QString(" %1 ").arg(QString::fromLatin1(message)));
    error_->setStyleSheet("QLabel { color: red; font-weight: bold; }");
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

bool TDialogTransform::DrawBtnClick()
{
    error_->clear();
    const std::string step = StepMarkup();
    if (step.empty())
        return false;
    if (!changed_)
        return true;
    TTransformation* drawn = Apply ? Apply(line_, step) : nullptr;
    if (!drawn)
        return false;
    // What was drawn is now the line the dialog edits.
    line_ = drawn;
    changed_ = false;
    draw_->setEnabled(false);
    return true;
}

void TDialogTransform::OKBtnClick()
{
    if (DrawBtnClick())
        accept();
}

// ---- TRotationDialog ---------------------------------------------------------------------------

namespace {

enum : int { aiHalfTurn, aiQuarterTurn, ai45, ai90, ai180, aiNone, aiOwn };

// The items' angles in radians (the last, the line's own angle, is kept as data).
constexpr Extended ItemAngle[] = {Pi, Pi / 2, Pi / 4, Pi / 2, Pi, 0};

} // namespace

TRotationDialog::TRotationDialog(TTransformation* existing, bool clockwise, QWidget* parent)
    : TDialogTransform(tr("Rotation"), existing, parent), angle_(new QComboBox(this)),
      direction_(new QComboBox(this))
{
    setObjectName("TRotationDialog");
    angle_->setObjectName("AngleCombo");
    // The degree items are always in degrees, whatever the angle unit.
    angle_->addItems({tr("Half turn"), tr("Quarter turn"), QStringLiteral("45\u00B0"),
                      QStringLiteral("90\u00B0"), QStringLiteral("180\u00B0"), QString()});
    direction_->setObjectName("DirectionCombo");
    direction_->addItems({tr("Clockwise"), tr("Anticlockwise")});
    direction_->setCurrentIndex(clockwise ? 0 : 1);
    const TRotation* rotation =
        existing ? dynamic_cast<const TRotation*>(existing->Components[0].get()) : nullptr;
    centre_ = MakeCentreEditor(rotation ? rotation->Centre.get() : nullptr);
    if (rotation) {
        const Extended turned = ValueOf(rotation->Angle.get()) * rotation->UnitFactor;
        const bool negative = std::isfinite(turned) && turned != 0 ? turned < 0 : rotation->UnitFactor < 0;
        direction_->setCurrentIndex(negative ? 0 : 1);
        const Extended size = std::fabs(turned);
        // Half a turn is both "Half turn" and "180°": a line in turns shows
        // the turn items, any other the degree items.
        constexpr int TurnsFirst[] = {aiHalfTurn, aiQuarterTurn, ai45, ai90, ai180, aiNone};
        constexpr int DegreesFirst[] = {ai45, ai90, ai180, aiHalfTurn, aiQuarterTurn, aiNone};
        const bool turns = SameAngle(std::fabs(rotation->UnitFactor), 2 * Pi);
        const int* order = turns ? TurnsFirst : DegreesFirst;
        int item = -1;
        for (int k = 0; k < aiOwn && item < 0; ++k)
            if (std::isfinite(size) && SameAngle(size, ItemAngle[order[k]]))
                item = order[k];
        if (item < 0 && std::isfinite(size)) {
            // An angle no item has stays as it is: an item of its own, in degrees.
            const Extended degrees = size / DegreesFactor;
            angle_->addItem(ShownNumber(degrees) + QStringLiteral("\u00B0"), static_cast<double>(degrees));
            item = aiOwn;
        }
        angle_->setCurrentIndex(item < 0 ? 0 : item);
    }
    AddRow(tr("Angle"), angle_);
    AddRow(tr("Direction"), direction_);
    AddRow(tr("Centre"), centre_);
    connect(angle_, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
    connect(direction_, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
    FinishLayout();
}

bool TRotationDialog::Edits(const TTransformation& line)
{
    const TTransformParent* first = line.Components.empty() ? nullptr : line.Components[0].get();
    return dynamic_cast<const TRotation*>(first) && !dynamic_cast<const TEnlarge*>(first);
}

std::string TRotationDialog::StepMarkup()
{
    std::string centre;
    if (!ReadCentre(centre_, centre))
        return {};
    std::string angle;
    switch (angle_->currentIndex()) {
    case aiHalfTurn:
        angle = "half " + TransformWord(dnTurn);
        break;
    case aiQuarterTurn:
        angle = "quarter " + TransformWord(dnTurn);
        break;
    case ai45:
        angle = "45" + TransformWord(dnDegreeMark);
        break;
    case ai90:
        angle = "90" + TransformWord(dnDegreeMark);
        break;
    case ai180:
        angle = "180" + TransformWord(dnDegreeMark);
        break;
    case aiNone:
        angle = "0" + TransformWord(dnDegreeMark);
        break;
    default:
        angle = NumberMarkup(angle_->currentData().toDouble()) + TransformWord(dnDegreeMark);
        break;
    }
    angle += TransformWord(direction_->currentIndex() == 0 ? dnClockwise : dnAnticlockwise);
    return RotationLineMarkup(centre, angle);
}

// ---- TTranslationDialog ------------------------------------------------------------------------

TTranslationDialog::TTranslationDialog(TTransformation* existing, QWidget* parent)
    : TDialogTransform(tr("Translation"), existing, parent), across_(new QLineEdit("1", this)),
      upDown_(new QLineEdit("1", this)), acrossCombo_(new QComboBox(this)), upDownCombo_(new QComboBox(this))
{
    setObjectName("TTranslationDialog");
    across_->setObjectName("AcrossEdit");
    upDown_->setObjectName("UpDownEdit");
    acrossCombo_->setObjectName("AcrossCombo");
    acrossCombo_->addItems({tr("Right"), tr("Left")});
    upDownCombo_->setObjectName("UPDownCombo");
    upDownCombo_->addItems({tr("Up"), tr("Down")});
    for (QLineEdit* edit : {across_, upDown_}) {
        edit->setValidator(new TNumberValidator(3, false, edit));
        edit->setMaximumWidth(fontMetrics().horizontalAdvance("0000000"));
        connect(edit, &QLineEdit::textEdited, this, [this] { Changed(); });
    }
    if (existing) {
        const auto* vector = dynamic_cast<const TMatrixTransform*>(existing->Components[0].get());
        kept_[0] = TreeToMarkup(vector->Matrix->Get(1, 1));
        kept_[1] = TreeToMarkup(vector->Matrix->Get(2, 1));
        const Extended x = ValueOf(vector->Matrix->Get(1, 1));
        const Extended y = ValueOf(vector->Matrix->Get(2, 1));
        if (std::isfinite(x)) {
            across_->setText(ShownNumber(std::fabs(x)));
            acrossCombo_->setCurrentIndex(x < 0 ? 1 : 0);
        }
        if (std::isfinite(y)) {
            upDown_->setText(ShownNumber(std::fabs(y)));
            upDownCombo_->setCurrentIndex(y < 0 ? 1 : 0);
        }
    }
    AddRow(tr("Across"), across_, acrossCombo_);
    AddRow(tr("Up or down"), upDown_, upDownCombo_);
    // A part the user changes is written as the number shown; one left alone
    // keeps what the line had (a constant's name stays a name).
    for (int k = 0; k < 2; ++k) {
        connect(k == 0 ? across_ : upDown_, &QLineEdit::textEdited, this, [this, k] { kept_[k].clear(); });
        connect(k == 0 ? acrossCombo_ : upDownCombo_, &QComboBox::currentIndexChanged, this, [this, k] {
            kept_[k].clear();
            Changed();
        });
    }
    FinishLayout();
}

bool TTranslationDialog::Edits(const TTransformation& line)
{
    const auto* first =
        line.Components.empty() ? nullptr : dynamic_cast<const TMatrixTransform*>(line.Components[0].get());
    return first && first->IsTranslation();
}

std::string TTranslationDialog::StepMarkup()
{
    QLineEdit* fields[] = {across_, upDown_};
    const QComboBox* signs[] = {acrossCombo_, upDownCombo_};
    std::string parts[2];
    for (int k = 0; k < 2; ++k) {
        if (!kept_[k].empty()) {
            parts[k] = kept_[k];
            continue;
        }
        Extended value = 0;
        if (!FieldValue(fields[k], value)) {
            ShowFieldError(fields[k], TransformMessage::NumberHere);
            return {};
        }
        parts[k] = NumberMarkup(signs[k]->currentIndex() == 1 ? -value : value);
    }
    return TranslationLineMarkup(parts[0], parts[1]);
}

// ---- TReflectionDialog -------------------------------------------------------------------------

namespace {

enum : int { miXAxis, miYAxis, miDiagonal, miOtherDiagonal };

constexpr const char* MirrorLines[] = {"x axis", "y axis", "y=x", "y=-x"};

} // namespace

TReflectionDialog::TReflectionDialog(TTransformation* existing, QWidget* parent)
    : TDialogTransform(tr("Reflection"), existing, parent), mirror_(new QComboBox(this))
{
    setObjectName("TReflectionDialog");
    mirror_->setObjectName("MirrorCombo");
    mirror_->addItems({tr("x-axis"), tr("y-axis"), tr("y=x (diagonal)"), tr("y=-x (diagonal)")});
    if (existing) {
        Extended phi = 0;
        const auto* reflect = dynamic_cast<const TReflect*>(existing->Components[0].get());
        if (reflect->MirrorAngle(phi))
            mirror_->setCurrentIndex(MirrorItem(phi));
    }
    AddRow(tr("Mirror line"), mirror_);
    connect(mirror_, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
    FinishLayout();
}

bool TReflectionDialog::Edits(const TTransformation& line)
{
    const TTransformParent* first = line.Components.empty() ? nullptr : line.Components[0].get();
    return dynamic_cast<const TReflect*>(first) && !dynamic_cast<const TStretch*>(first);
}

int TReflectionDialog::MirrorItem(Extended phi)
{
    // Eighths of a turn, whichever way along the line φ was measured: a
    // steep falling line (−2) is nearest the y axis as a steep rising one (2) is.
    const auto eighths = static_cast<long>(std::nearbyint(4 * phi / Pi));
    switch (((eighths % 4) + 4) % 4) {
    case 1:
        return miDiagonal;
    case 2:
        return miYAxis;
    case 3:
        return miOtherDiagonal;
    default:
        return miXAxis;
    }
}

std::string TReflectionDialog::StepMarkup()
{
    return ReflectionLineMarkup(MirrorLines[std::clamp(mirror_->currentIndex(), 0, 3)]);
}

// ---- TEnlargementDialog ------------------------------------------------------------------------

TEnlargementDialog::TEnlargementDialog(TTransformation* existing, QWidget* parent)
    : TDialogTransform(tr("Enlargement"), existing, parent), factor_(new QLineEdit("2", this))
{
    setObjectName("TEnlargementDialog");
    factor_->setObjectName("Factoredit");
    factor_->setValidator(new TNumberValidator(0, true, factor_));
    const TEnlarge* enlarge =
        existing ? dynamic_cast<const TEnlarge*>(existing->Components[0].get()) : nullptr;
    // The factor is written as typed once changed; until then it keeps what the line had.
    if (enlarge)
        keptFactor_ = TreeToMarkup(enlarge->Angle.get());
    connect(factor_, &QLineEdit::textEdited, this, [this] {
        keptFactor_.clear();
        Changed();
    });
    if (enlarge && std::isfinite(enlarge->Factor()))
        factor_->setText(ShownNumber(enlarge->Factor()));
    centre_ = MakeCentreEditor(enlarge ? enlarge->Centre.get() : nullptr);
    AddRow(tr("Scale factor"), factor_);
    AddRow(tr("Centre"), centre_);
    FinishLayout();
}

bool TEnlargementDialog::Edits(const TTransformation& line)
{
    return !line.Components.empty() && dynamic_cast<const TEnlarge*>(line.Components[0].get());
}

std::string TEnlargementDialog::StepMarkup()
{
    std::string factor = keptFactor_;
    Extended value = 0;
    if (factor.empty() && !FieldValue(factor_, value)) {
        ShowFieldError(factor_, TransformMessage::ScaleFactor);
        return {};
    }
    if (factor.empty())
        factor = NumberMarkup(value);
    std::string centre;
    if (!ReadCentre(centre_, centre))
        return {};
    return EnlargementLineMarkup(centre, factor);
}

// ---- choosing the dialog -----------------------------------------------------------------------

std::unique_ptr<TDialogTransform> MakeTransformDialog(TTransformCommand command, TEquationObject* selected,
                                                      QWidget* parent)
{
    auto* line = dynamic_cast<TTransformation*>(selected);
    switch (command) {
    case TTransformCommand::Translate:
        return std::make_unique<TTranslationDialog>(line && TTranslationDialog::Edits(*line) ? line : nullptr,
                                                    parent);
    case TTransformCommand::Reflect:
        return std::make_unique<TReflectionDialog>(line && TReflectionDialog::Edits(*line) ? line : nullptr,
                                                   parent);
    case TTransformCommand::Rotate:
    case TTransformCommand::Clockwise:
    case TTransformCommand::Anticlockwise:
        return std::make_unique<TRotationDialog>(line && TRotationDialog::Edits(*line) ? line : nullptr,
                                                 command == TTransformCommand::Clockwise, parent);
    case TTransformCommand::Enlarge:
        return std::make_unique<TEnlargementDialog>(line && TEnlargementDialog::Edits(*line) ? line : nullptr,
                                                    parent);
    default:
        return nullptr;
    }
}
