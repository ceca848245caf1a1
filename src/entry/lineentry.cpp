#include "entry/lineentry.h"

#include "entry/entry.h"
#include "entry/shapeentry.h"
#include "formula/editor.h"
#include "geometry/bestfit.h"
#include "geometry/coordcurve.h"
#include "geometry/derivedcurves.h"
#include "geometry/diffeq.h"
#include "geometry/straightline.h"

namespace {

enum : int { tkAngle = 723, tkIntercept = 725 };

// The line's field list (the line's description may stand in front of it or in its first field).
TFixedList* FieldsOf(TEditor& line)
{
    for (TEditorObject* e = line.Elements(); e; e = e->next)
        if (auto* fields = dynamic_cast<TFixedList*>(e))
            return fields;
    return nullptr;
}

// The parent curve, or "You cannot paste this" when the line has none.
TCurvePLotter* ParentCurve(TEditor& line, TParseParams& params)
{
    auto* parent = dynamic_cast<TCurvePLotter*>(line.GetParent());
    if (!parent)
        SetError(params, EntryMessage::CannotPaste);
    return parent;
}

// The second field of the line's field list as a formula of no variable
// (declared names allowed); the parse goes on after the list.
TEvaluatorPtr SecondField(TEditor& line, TParseParams& params, TFixedList*& fields)
{
    fields = FieldsOf(line);
    if (!fields || fields->CellCount() < 2) {
        SetError(params, ParseMessage::NotUnderstood);
        return nullptr;
    }
    params.nextElement = fields->next;
    params.textActive = false;
    params.allowedVariables = 0;
    TEvaluatorPtr tree = ParseCell(params, fields->Cell(1), fields);
    return HasError(params) ? nullptr : std::move(tree);
}

} // namespace

std::unique_ptr<TEquationObject> StraightLineFromLine(TEditor& line, TParseParams& params)
{
    params.allowedVariables = 0;
    if (!ExpectWord(params, tkAngle, ParseMessage::NotUnderstood))
        return nullptr;
    const Extended angle = EvaluateConstant(params);
    if (HasError(params) || !ExpectWord(params, tkIntercept, ParseMessage::NotUnderstood))
        return nullptr;
    const Extended intercept = EvaluateConstant(params);
    if (HasError(params))
        return nullptr;
    return std::make_unique<TStraightLine>(angle, intercept, dynamic_cast<TCurvePLotter*>(line.GetParent()));
}

std::unique_ptr<TEquationObject> TangentFromLine(TEditor& line, TParseParams& params, bool tangent)
{
    TCurvePLotter* parent = ParentCurve(line, params);
    if (!parent)
        return nullptr;
    TFixedList* fields = nullptr;
    TEvaluatorPtr at = SecondField(line, params, fields);
    if (!at)
        return nullptr;
    return std::make_unique<TTangent>(std::move(at), tangent, parent);
}

std::unique_ptr<TEquationObject> KindLineFromLine(TEditor& line, TParseParams& params, int kind,
                                                  std::vector<std::string>& undefined)
{
    TFixedList* fields = FieldsOf(line);
    if (!fields || fields->CellCount() < 2) {
        SetError(params, ParseMessage::NotUnderstood);
        return nullptr;
    }
    // A point makes a line through it; without a curve above, a point is what is missing.
    if (!line.GetParent() || dynamic_cast<TCoordEditObject*>(NextNonBlankElement(fields->Cell(1)))) {
        params.nextElement = fields->next;
        params.textActive = false;
        std::unique_ptr<TCoordinates> point = PointField(*fields, 1, params, undefined);
        if (!point)
            return nullptr;
        return std::make_unique<TLineThroughPoint>(kind, std::move(point));
    }
    TCurvePLotter* parent = ParentCurve(line, params);
    if (!parent)
        return nullptr;
    TEvaluatorPtr at = SecondField(line, params, fields);
    if (!at)
        return nullptr;
    return std::make_unique<TLineToCurve>(kind, std::move(at), parent);
}

std::unique_ptr<TBestFit> BestFitFromLine(TEditor& line, TParseParams& params, int token)
{
    auto* set = dynamic_cast<TCoordCurve*>(line.GetParent());
    if (!set) {
        SetError(params, EntryMessage::CannotPaste);
        return nullptr;
    }
    // The statistics a statistics line shows are made afresh: whatever
    // stands after its heading is dropped.
    if (token == 623) {
        params.nextElement = nullptr;
        params.textActive = false;
    }
    // Tokens follow the description numbers 51 to 58.
    auto fit = MakeBestFit(token - 616 + dnBestFitStraight, nullptr);
    if (fit)
        fit->SetParent(set);
    return fit;
}

std::unique_ptr<TEquationObject> GradientFromLine(TEditor& line, TParseParams& params)
{
    TCurvePLotter* parent = ParentCurve(line, params);
    if (!parent)
        return nullptr;
    params.nextElement = nullptr; // the line is its description alone
    return std::make_unique<TGradient>(parent);
}

std::unique_ptr<TEquationObject> AreaFromLine(TEditor& line, TParseParams& params)
{
    TCurvePLotter* parent = ParentCurve(line, params);
    if (!parent)
        return nullptr;
    TFixedList* fields = nullptr;
    TEvaluatorPtr start = SecondField(line, params, fields);
    if (!start)
        return nullptr;
    return std::make_unique<TArea>(std::move(start), parent);
}

std::unique_ptr<TEquationObject> CompassPointsFromLine(TEditor& line, TParseParams& params)
{
    TCurvePLotter* parent = ParentCurve(line, params);
    if (!parent)
        return nullptr;
    params.nextElement = nullptr;
    return std::make_unique<TDiffeqCompassPoints>(parent);
}

std::unique_ptr<TEquationObject> SolutionFromLine(TEditor& line, TParseParams& params,
                                                  std::vector<std::string>& undefined)
{
    TCurvePLotter* parent = ParentCurve(line, params);
    if (!parent)
        return nullptr;
    TCoordEditObject* element = nullptr;
    for (TEditorObject* e = line.Elements(); e && !element; e = e->next)
        element = dynamic_cast<TCoordEditObject*>(e);
    if (!element) {
        SetError(params, EntryMessage::NeedCoordinates);
        return nullptr;
    }
    TCoordinateParse parsed = ParseCoordinates(*element, params.declaredNames, &undefined);
    if (parsed.Failed()) {
        SetErrorAt(params, parsed.message, parsed.element, parsed.position);
        return nullptr;
    }
    auto* point = dynamic_cast<TCoordinates*>(parsed.row.get());
    if (!point) {
        SetErrorAt(params, ParseMessage::EmptyCell, element, 0);
        return nullptr;
    }
    parsed.row.release();
    params.nextElement = element->next;
    params.textActive = false;
    return std::make_unique<TDiffeqSolution>(std::unique_ptr<TCoordinates>(point), parent);
}
