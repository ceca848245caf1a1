#include "entry/transformentry.h"

#include "entry/entry.h"
#include "entry/shapeentry.h"
#include "expr/matrix.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/transformation.h"
#include "platform/mainwindowbase.h"
#include "plot/formulacurve.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

namespace {

// The first element of a list that is neither an anchor nor blank text.
TEditorObject* FirstOf(TEditorObject* list)
{
    return NextNonBlankElement(list);
}

int DescriptionOf(TEditorObject* element)
{
    return element ? element->DescriptionNumber() : 0;
}

// The first field's description of a field list.
int FieldWord(TFixedList& fields)
{
    return fields.CellCount() > 0 ? DescriptionOf(FirstOf(fields.Cell(0))) : 0;
}

// The markup of a list, lower-cased, without blanks.
std::string PlainText(const TEditorObject* list)
{
    TMathsWriter writer;
    WriteElementList(list, writer);
    std::string text;
    for (const char c : writer.Text())
        if (c != ' ')
            text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class TTransformReader {
public:
    TTransformReader(TEditor& line, TParseParams& params, std::vector<std::string>& undefined)
        : line_(line), p(params), undefined_(undefined)
    {
    }

    std::unique_ptr<TEquationObject> Read();

private:
    TEditor& line_;
    TParseParams& p;
    std::vector<std::string>& undefined_;
    int repeats_ = 0;
    bool repeatsSeen_ = false;
    std::vector<TTransformStepPtr> steps_;

    // A formula of a field (no variables), with message at an empty field.
    TEvaluatorPtr Formula(TFixedList& fields, int index, const char* emptyMessage);
    TTransformStepPtr MatrixStep(TEditorObject* element, TEvaluatorPtr tree);
    TTransformStepPtr Step(TFixedList& fields);
    TTransformStepPtr Rotation(TFixedList& fields);
    std::unique_ptr<TYofX> MirrorLine(TFixedList& fields, int index);
    void Repeats(TFixedList& fields);
    TTransformStepPtr Invariant(TEditorObject* word);
};

TEvaluatorPtr TTransformReader::Formula(TFixedList& fields, int index, const char* emptyMessage)
{
    TEditorObject* cell = index < fields.CellCount() ? fields.Cell(index) : nullptr;
    if (!cell || ListIsEmpty(cell)) {
        SetErrorAt(p, emptyMessage, cell ? cell : &fields, 0);
        return nullptr;
    }
    // A formula of its own: no variables, names not declared yet wait.
    TParseParams inner;
    inner.declaredNames = p.declaredNames;
    inner.defineLater = p.defineLater;
    StartParse(inner, cell, 0, &undefined_, false, EndOrTabTerminators());
    inner.halfAndQuarterAllowed = p.halfAndQuarterAllowed;
    inner.depth = p.depth + 1;
    TEvaluatorPtr tree = ParseExpression(inner);
    if (!HasError(inner) && NextNonBlankElement(inner.nextElement))
        SetError(inner, ParseMessage::NotUnderstood);
    if (HasError(inner)) {
        p.error = inner.error;
        if (!p.error.element)
            p.error.element = &fields;
        return nullptr;
    }
    return tree;
}

TTransformStepPtr TTransformReader::MatrixStep(TEditorObject* element, TEvaluatorPtr tree)
{
    // Only a 2 × 2 matrix (a map about the origin) and a 2 × 1 vector (a
    // translation) have maps; any other shape is not understood.
    auto* matrix = dynamic_cast<TMatrixEvaluator*>(tree.get());
    if (!matrix || matrix->Matrix().Rows() != 2 ||
        (matrix->Matrix().Columns() != 1 && matrix->Matrix().Columns() != 2)) {
        SetErrorAt(p, ParseMessage::NotUnderstood, element, 0);
        return nullptr;
    }
    return std::make_unique<TMatrixTransform>(matrix->TakeMatrix());
}

TTransformStepPtr TTransformReader::Rotation(TFixedList& fields)
{
    std::unique_ptr<TCoordinates> centre = PointField(fields, 1, p, undefined_);
    if (!centre)
        return nullptr;
    TEditorObject* cell = fields.CellCount() > 3 ? fields.Cell(3) : nullptr;
    // The unit mark and the direction follow the angle formula; they are
    // taken off while the formula is read.
    TEditorObject* before = cell;
    while (before && before->next) {
        const int word = DescriptionOf(before->next);
        if (word >= dnDegreeMark && word <= dnAnticlockwise)
            break;
        before = before->next;
    }
    TEditorObject* tail = before ? before->DetachNext() : nullptr;
    const bool halfAndQuarter = p.halfAndQuarterAllowed;
    p.halfAndQuarterAllowed = true;
    TEvaluatorPtr angle = Formula(fields, 3, ParseMessage::EmptyCell);
    p.halfAndQuarterAllowed = halfAndQuarter;
    if (before)
        before->next = tail;
    if (!angle)
        return nullptr;
    Extended factor = 1;
    for (TEditorObject* e = tail; e; e = e->next) {
        switch (DescriptionOf(e)) {
        case dnDegreeMark:
            factor = DegreesFactor;
            break;
        case dnRadianMark:
            factor = RadiansFactor;
            break;
        case dnTurn:
            factor = 2 * Pi;
            break;
        case dnClockwise:
            factor = -factor;
            break;
        default:
            break;
        }
    }
    return std::make_unique<TRotation>(std::move(angle), factor, std::move(centre));
}

std::unique_ptr<TYofX> TTransformReader::MirrorLine(TFixedList& fields, int index)
{
    TEditorObject* cell = index < fields.CellCount() ? fields.Cell(index) : nullptr;
    if (!cell || ListIsEmpty(cell)) {
        SetErrorAt(p, ParseMessage::EmptyCell, cell ? cell : &fields, 0);
        return nullptr;
    }
    const std::string text = PlainText(cell);
    if (text == "xaxis")
        return TYofX::XAxisLine();
    if (text == "yaxis")
        return TXofY::YAxisLine();
    TParseParams inner;
    inner.declaredNames = p.declaredNames;
    inner.defineLater = p.defineLater;
    StartParse(inner, cell, avX | avY, &undefined_, true, RelationTerminators());
    inner.depth = p.depth + 1;
    const int first = PeekWord(inner);
    TEvaluatorPtr formula;
    if (!HasError(inner) && (first == vcX || first == vcY) && inner.relation == rlEqual) {
        inner.allowedVariables = first == vcY ? avX : avY;
        inner.terminators = EndOrTabTerminators();
        formula = ParseNext(inner);
    }
    if (HasError(inner) && std::string_view(inner.error.message) != ParseMessage::NotUnderstood) {
        p.error = inner.error;
        return nullptr;
    }
    // Straight: the values at four places lie on the line through the first two.
    bool straight = formula && !HasError(inner);
    if (straight) {
        const TEvaluationStateSaver saver;
        Extended values[4];
        const Extended at[4] = {0, 1, -2.5L, 7};
        for (int k = 0; k < 4 && straight; ++k) {
            Variables.x = Variables.y = at[k];
            ResetStatus();
            values[k] = SafeEvaluate(formula.get());
            straight = !StatusFailed() && std::isfinite(values[k]);
        }
        for (int k = 2; k < 4 && straight; ++k) {
            const Extended expected = values[0] + (values[1] - values[0]) * at[k];
            straight = std::fabs(values[k] - expected) <= 1e-9L * (1 + std::fabs(expected));
        }
    }
    if (!straight) {
        SetErrorAt(p, TransformMessage::NotStraightLine, cell, 0);
        return nullptr;
    }
    std::unique_ptr<TYofX> mirror = first == vcY ? std::make_unique<TYofX>(std::move(formula), rlEqual)
                                                 : std::make_unique<TXofY>(std::move(formula), rlEqual);
    TMathsWriter writer;
    WriteElementList(cell, writer);
    mirror->SetElements(ElementsFromText(writer.Text()));
    return mirror;
}

void TTransformReader::Repeats(TFixedList& fields)
{
    if (repeatsSeen_) {
        SetErrorAt(p, TransformMessage::OneRepeat, &fields, 0);
        return;
    }
    repeatsSeen_ = true;
    TEditorObject* cell = fields.CellCount() > 1 ? fields.Cell(1) : nullptr;
    if (!cell || ListIsEmpty(cell)) {
        SetErrorAt(p, ParseMessage::EmptyCell, cell ? cell : &fields, 0);
        return;
    }
    TParseParams inner;
    inner.declaredNames = p.declaredNames;
    inner.defineLater = p.defineLater;
    StartParse(inner, cell, 0, &undefined_, true, EndOrTabTerminators());
    const std::size_t pending = undefined_.size();
    const Extended n = ReadWholeNumber(inner, true);
    // A name not declared yet makes the line wait; its count is read again then.
    if (undefined_.size() > pending)
        return;
    if (!HasError(inner) && n < 1)
        SetErrorAt(inner, ParseMessage::NotPositive, cell, 0);
    // A count this large would keep the graph busy for minutes.
    if (!HasError(inner) && n > MaximumRepeats)
        SetErrorAt(inner, ParseMessage::TooBig, cell, 0);
    if (HasError(inner)) {
        p.error = inner.error;
        return;
    }
    repeats_ = static_cast<int>(n);
}

TTransformStepPtr TTransformReader::Invariant(TEditorObject* word)
{
    // " Invariant 1<tab>angle<tab>intercept" or " Invariant 0<tab>x<tab>y".
    p.nextElement = word->next;
    p.tokenElement = word;
    p.textActive = false;
    p.pushedBack = false;
    p.allowedVariables = 0;
    p.terminators = EndOrTabTerminators();
    const Extended kind = EvaluateConstant(p);
    const Extended first = HasError(p) ? 0 : EvaluateConstant(p);
    const Extended second = HasError(p) ? 0 : EvaluateConstant(p);
    if (HasError(p))
        return nullptr;
    if (kind == 1)
        return std::make_unique<TInvariantLine>(first, second);
    return std::make_unique<TInvariantPoint>(first, second);
}

TTransformStepPtr TTransformReader::Step(TFixedList& fields)
{
    switch (FieldWord(fields)) {
    case dnMatrixWord:
    case dnTranslationWord: {
        TEvaluatorPtr tree = Formula(fields, 1, ParseMessage::EmptyCell);
        if (!tree)
            return nullptr;
        return MatrixStep(fields.Cell(1), std::move(tree));
    }
    case dnRotationAbout:
        return Rotation(fields);
    case dnEnlargementCentre: {
        std::unique_ptr<TCoordinates> centre = PointField(fields, 1, p, undefined_);
        if (!centre)
            return nullptr;
        TEvaluatorPtr factor = Formula(fields, 3, TransformMessage::ScaleFactor);
        if (!factor)
            return nullptr;
        return std::make_unique<TEnlarge>(std::move(factor), std::move(centre));
    }
    case dnReflectionIn: {
        std::unique_ptr<TYofX> mirror = MirrorLine(fields, 1);
        if (!mirror)
            return nullptr;
        return std::make_unique<TReflect>(std::move(mirror));
    }
    case dnShearLine:
    case dnStretchLine: {
        std::unique_ptr<TYofX> mirror = MirrorLine(fields, 1);
        if (!mirror)
            return nullptr;
        TEvaluatorPtr factor = Formula(fields, 3, TransformMessage::NumberHere);
        if (!factor)
            return nullptr;
        if (FieldWord(fields) == dnShearLine)
            return std::make_unique<TShear>(std::move(mirror), std::move(factor));
        return std::make_unique<TStretch>(std::move(mirror), std::move(factor));
    }
    default:
        SetErrorAt(p, ParseMessage::NotUnderstood, &fields, 0);
        return nullptr;
    }
}

std::unique_ptr<TEquationObject> TTransformReader::Read()
{
    ClearError(p);
    auto* parent = dynamic_cast<TCurvePLotter*>(line_.GetParent());
    if (!parent) {
        SetError(p, EntryMessage::CannotPaste);
        return nullptr;
    }
    for (TEditorObject* e = FirstOf(line_.Elements()); e && !HasError(p); e = FirstOf(e->next)) {
        if (dynamic_cast<TEditTabObject*>(e))
            continue;
        if (auto* fields = dynamic_cast<TFixedList*>(e)) {
            if (FieldWord(*fields) == dnRepeats) {
                Repeats(*fields);
                continue;
            }
            if (TTransformStepPtr step = Step(*fields))
                steps_.push_back(std::move(step));
            continue;
        }
        if (dynamic_cast<TMatrixEditObject*>(e)) {
            p.allowedVariables = 0;
            const char* text = nullptr;
            TEvaluator* tree = nullptr;
            e->GetToken(p, text, tree);
            TTransformStepPtr step = MatrixStep(e, TEvaluatorPtr(tree));
            if (step)
                steps_.push_back(std::move(step));
            continue;
        }
        // "Matrix" or "Translation" written in front of the matrix itself.
        if ((DescriptionOf(e) == dnMatrixWord || DescriptionOf(e) == dnTranslationWord) &&
            dynamic_cast<TMatrixEditObject*>(FirstOf(e->next)))
            continue;
        if (DescriptionOf(e) == dnInvariant) {
            if (TTransformStepPtr step = Invariant(e))
                steps_.push_back(std::move(step));
            if (!HasError(p) &&
                (NextNonBlankElement(p.nextElement) ||
                 (p.textActive &&
                  p.text.find_first_not_of(' ', static_cast<std::size_t>(p.position)) != std::string::npos)))
                SetError(p, ParseMessage::NotUnderstood);
            break;
        }
        SetErrorAt(p, ParseMessage::NotUnderstood, e, 0);
    }
    p.nextElement = nullptr;
    p.textActive = false;
    if (HasError(p))
        return nullptr;
    if (steps_.empty()) {
        if (repeatsSeen_) {
            if (p.warningBoxes)
                ShowWarning(TransformMessage::NothingToRepeat);
            ForceErrorAt(p, TransformMessage::NothingToRepeat, line_.Elements(), 0);
        } else {
            SetError(p, ParseMessage::NotUnderstood);
        }
        return nullptr;
    }
    return std::make_unique<TTransformation>(parent, std::move(steps_), repeats_);
}

} // namespace

std::unique_ptr<TEquationObject> TransformationFromLine(TEditor& line, TParseParams& params,
                                                        std::vector<std::string>& undefined)
{
    TTransformReader reader(line, params, undefined);
    return reader.Read();
}
