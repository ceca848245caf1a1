#include "entry/entry.h"

#include "entry/declarationlines.h"
#include "entry/lineentry.h"
#include "entry/shapeentry.h"
#include "entry/transformentry.h"
#include "expr/analysis.h"
#include "expr/realreader.h"
#include "formula/markup.h"
#include "geometry/bestfit.h"
#include "geometry/coordcurve.h"
#include "geometry/diffeq.h"
#include "geometry/dragdescriptions.h"
#include "geometry/series.h"
#include "geometry/straightline.h"
#include "plot/formulacurve.h"
#include "plot/implicitfunction.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

// Wherever lines are entered or read, a dragged explicit curve can have its
// equation rewritten.
[[maybe_unused]] const bool DragDescriptionsInstalled = (InstallDragDescriptions(), true);

} // namespace

namespace {

// The tokens of shape and coordinate lines.
enum : int { tkCoordinateList = 614, tkTriangle = 750, tkPolygonWith = 760 };
// The words of the lines of gradient functions, areas and direction fields.
enum : int { tkGradientWords = 609, tkAreaWords = 612, tkCompassWords = 800 };

TTerminatorSet RangeTerminators()
{
    TTerminatorSet set = EndOrTabTerminators();
    set[2] = true; // "to" and "revs" end the expression
    return set;
}

// Whether anything but blanks is left to read.
bool ElementsRemain(const TParseParams& params)
{
    if (params.textActive && params.position < static_cast<int>(params.text.size()) &&
        params.text.find_first_not_of(' ', static_cast<std::size_t>(params.position)) != std::string::npos)
        return true;
    return NextNonBlankElement(params.nextElement) != nullptr;
}

// Folds the constant sub-expressions of a tree that inversion built (9 = 2x
// gives x = (9 - 0)/2) as the parser folds those of a typed line, so that the
// line reads back as it is written. A ± never folds (each sign is a branch);
// a part whose value is refused (too big, complex) stays as it is. True when
// the whole tree is constant.
bool FoldConstantParts(TEvaluatorPtr& slot)
{
    TEvaluator* node = slot.get();
    if (!node)
        return false;
    if (typeid(*node) == typeid(TConstantEvaluator))
        return true;
    bool constant = false;
    if (auto* binary = dynamic_cast<TBinaryEvaluator*>(node)) {
        const bool left = FoldConstantParts(binary->LeftSlot());
        const bool right = FoldConstantParts(binary->RightSlot());
        constant = left && right;
    } else if (auto* unary = dynamic_cast<TUnaryEvaluator*>(node)) {
        constant = FoldConstantParts(unary->OperandSlot()) && typeid(*node) != typeid(TPlusOrMinusEvaluator);
    }
    if (!constant)
        return false;
    std::uint8_t status = esNormal;
    const Extended value = EvaluateConstantPart(node, status);
    if (status == esUndefined || status == esInvalid || status == esNotWhole)
        return false;
    slot = std::make_unique<TConstantEvaluator>(value);
    return true;
}

// y = f(x) when the subject is y, x = f(y) when it is x.
std::unique_ptr<TEquationObject> ExplicitCurve(int subject, TEvaluatorPtr formula, int relation)
{
    if (subject == vcY)
        return std::make_unique<TYofX>(std::move(formula), relation);
    return std::make_unique<TXofY>(std::move(formula), relation);
}

class TEntry {
public:
    TEntry(TEditor& line, TParseParams& params) : line_(line), p(params) {}

    std::unique_ptr<TEquationObject> Classify();

private:
    TEditor& line_;
    TParseParams& p;
    std::vector<std::string> undefined_;
    std::string name_;

    std::unique_ptr<TEquationObject> Route(int first);
    std::unique_ptr<TEquationObject> ExplicitRoute(int first);
    std::unique_ptr<TEquationObject> ParametricRoute(TEvaluatorPtr first, int firstVariable,
                                                     int secondVariable);
    std::unique_ptr<TEquationObject> PolarRoute();
    std::unique_ptr<TEquationObject> ConstantRoute();
    std::unique_ptr<TEquationObject> FunctionRoute();
    std::unique_ptr<TEquationObject> GeneralRoute(int first);
    std::unique_ptr<TEquationObject> CoordinateListRoute();
    std::unique_ptr<TEquationObject> PolygonRoute(int first);
    // dy/dx = f(x, y).
    std::unique_ptr<TEquationObject> DifferentialRoute();
    // "first" = a, "ratio" = r, n = from to to; "nth" = term, n = from to to.
    std::unique_ptr<TEquationObject> SequenceRoute(int first);
    // A bound of a sequence: whole and within the limits series draw.
    bool CheckSequenceBound(const TEvaluator* bound);
    std::unique_ptr<TEquationObject> Finish(std::unique_ptr<TEquationObject> object, bool styleZero);

    // ---- completing a half-typed line ----
    void Append(TEditorObject* element);
    void AppendText(const std::string& text);
    [[nodiscard]] bool LineEndsWithTab() const;
    void PromptAtEnd(const char* message);
    void InsertTabAt(TEditorObject* element, int position);
    void ReadWholeCell(TEditorObject* list, TEditorObject* owner, Extended& value);
};

void TEntry::Append(TEditorObject* element)
{
    TEditorObject* last = LastElement(line_.Elements());
    if (last)
        last->next = element;
    else
        line_.SetElements(TElementList(element));
}

void TEntry::AppendText(const std::string& text)
{
    if (auto* run = dynamic_cast<TStringEditObject*>(LastElement(line_.Elements())))
        run->Append(text);
    else
        Append(new TStringEditObject(text));
}

bool TEntry::LineEndsWithTab() const
{
    return dynamic_cast<TEditTabObject*>(LastElement(line_.Elements())) != nullptr;
}

// Puts the caret at the end of the line and forces message there.
void TEntry::PromptAtEnd(const char* message)
{
    TEditorObject* last = LastElement(line_.Elements());
    line_.caret.element = last;
    line_.caret.offset = last ? last->PositionCount() : 0;
    line_.anchor = line_.caret;
    ForceErrorAt(p, message, line_.caret.element, line_.caret.offset);
}

// Splits the text run at position (or goes after a non-text element) and
// puts a tab there, with the caret behind it.
void TEntry::InsertTabAt(TEditorObject* element, int position)
{
    auto* tab = new TEditTabObject;
    auto* run = dynamic_cast<TStringEditObject*>(element);
    if (run && position > 0 && position < static_cast<int>(run->Text().size())) {
        const std::string rest = run->Text().substr(static_cast<std::size_t>(position));
        run->SetText(run->Text().substr(0, static_cast<std::size_t>(position)));
        auto* tail = new TStringEditObject(rest);
        tail->next = run->DetachNext();
        tab->next = tail;
        run->next = tab;
    } else if (run && position == 0) {
        // in front of the run: find its predecessor
        TEditorObject* previous = nullptr;
        for (TEditorObject* e = line_.Elements(); e && e != run; e = e->next)
            previous = e;
        if (previous) {
            tab->next = previous->DetachNext();
            previous->next = tab;
        } else {
            tab->next = line_.TakeElements().release();
            line_.SetElements(TElementList(tab));
        }
    } else if (element) {
        tab->next = element->DetachNext();
        element->next = tab;
    } else {
        Append(tab);
    }
    line_.caret.element = tab;
    line_.caret.offset = 1;
    line_.anchor = line_.caret;
}

std::unique_ptr<TEquationObject> TEntry::Classify()
{
    ClearError(p);
    TElementList& list = line_.ElementList();
    Tidy(list, tmFinish, &line_);
    if (!list || ListIsEmpty(list.get()))
        return nullptr;

    StartParse(p, line_.Elements(), avX | avY | avTheta | avR, &undefined_, false, RelationTerminators());
    const int first = PeekWord(p);
    if (p.nothingRead) {
        ClearError(p);
        return nullptr;
    }
    name_ = p.name;
    p.singleVariableMode = true;
    if (p.relation == rlEqual) {
        p.allowedVariables = avT;
    } else {
        p.allowedVariables = 0;
        if (first > vcY && first != tkConstant)
            SetError(p, EntryMessage::NoInequality);
    }
    if ((line_.options & 0x10) && !(first >= 700 && first <= 710) && first != 722) {
        SetError(p, EntryMessage::MustBeTransformation);
        return nullptr;
    }
    return Route(first);
}

std::unique_ptr<TEquationObject> TEntry::Route(int first)
{
    switch (first) {
    case vcX:
    case vcY:
        return ExplicitRoute(first);
    case vcTheta: {
        p.allowedVariables = avT;
        p.terminators = EndOrTabTerminators();
        TEvaluatorPtr theta = ParseNext(p);
        if (HasError(p))
            return nullptr;
        if (!(p.usedVariables & avT)) {
            SetError(p, ParseMessage::NotUnderstood);
            return nullptr;
        }
        return ParametricRoute(std::move(theta), vcTheta, vcR);
    }
    case vcR:
        return PolarRoute();
    case tkNewName:
        return ConstantRoute();
    case tkNewFunction:
        return FunctionRoute();
    default:
        break;
    }
    if (first == tkCoordinateList)
        return CoordinateListRoute();
    if (first >= tkTriangle && first <= tkPolygonWith)
        return PolygonRoute(first);
    // A transformation line reads its steps before it looks for its parent,
    // so that a line of only "repeats" says there is nothing to repeat.
    if ((first >= 700 && first <= 710) || first == 722)
        return Finish(TransformationFromLine(line_, p, undefined_), false);
    // Lines derived from a curve above make sense only under their parent.
    const bool needsParent = first == 609 || (first >= 610 && first <= 612) ||
                             (first >= 616 && first <= 623) || (first >= 700 && first <= 710);
    if (needsParent && !line_.GetParent()) {
        SetError(p, EntryMessage::CannotPaste);
        return nullptr;
    }
    if (first == 724)
        return Finish(StraightLineFromLine(line_, p), false);
    if (first == tkDyDx)
        return DifferentialRoute();
    if (first == tkFirst || first == tkNth)
        return SequenceRoute(first);
    if (first == tkGradientWords)
        return Finish(GradientFromLine(line_, p), false);
    if (first == tkAreaWords)
        return Finish(AreaFromLine(line_, p), false);
    if (first == tkCompassWords)
        return Finish(CompassPointsFromLine(line_, p), true);
    // A point under a differential equation is a solution through it.
    if (first == tkCoordinates && HasProperty(line_.GetParent(), 4))
        return Finish(SolutionFromLine(line_, p, undefined_), false);
    if (first == 610 || first == 611)
        return Finish(TangentFromLine(line_, p, first == 610), false);
    if (first >= 406 && first <= 408)
        return Finish(KindLineFromLine(line_, p, first, undefined_), false);
    if (first >= 616 && first <= 623) {
        std::unique_ptr<TBestFit> fit = BestFitFromLine(line_, p, first);
        TBestFit* made = fit.get();
        auto object = Finish(std::move(fit), false);
        // The typed heading it took over gives way to the heading and the fit.
        if (object)
            made->Refit();
        return object;
    }
    // Derived objects (lines, tangents, areas, best fit, transformations,
    // shapes, differential equations, sequences) are made by their own
    // entry routes; a formula that starts with their words is not one this
    // entry can build.
    const bool derivedWord =
        first == tkDyDx || first == tkFirst || first == tkNth || (first >= 602 && first <= 800);
    if (derivedWord) {
        SetError(p, ParseMessage::NotUnderstood);
        return nullptr;
    }
    return GeneralRoute(first);
}

std::unique_ptr<TEquationObject> TEntry::ExplicitRoute(int first)
{
    const int relation = p.relation;
    p.allowedVariables = (first == vcX ? avY : avX) | (relation == rlEqual ? avT : 0u);
    p.terminators = EndOrTabTerminators();
    TEvaluatorPtr rest = ParseNext(p);
    if (HasError(p)) {
        // Perhaps both variables are on the right: try the general route.
        const TParseError error = p.error;
        auto general = GeneralRoute(first);
        if (general)
            return general;
        p.error = error;
        return nullptr;
    }
    if (p.usedVariables & avT)
        return ParametricRoute(std::move(rest), first, first == vcX ? vcY : vcX);
    return Finish(ExplicitCurve(first, std::move(rest), relation), false);
}

std::unique_ptr<TEquationObject> TEntry::ParametricRoute(TEvaluatorPtr first, int firstVariable,
                                                         int secondVariable)
{
    p.defaultMessage = EntryMessage::NextFormula;
    if (!ElementsRemain(p)) {
        if (!LineEndsWithTab())
            Append(new TEditTabObject);
        if (secondVariable == vcTheta) {
            Append(new TSpecialChar('q'));
            Append(new TStringEditObject("="));
        } else {
            AppendText(secondVariable == vcX ? "x=" : secondVariable == vcY ? "y=" : "r=");
        }
        PromptAtEnd(EntryMessage::NextFormula);
        return nullptr;
    }
    p.allowedVariables = avX | avY | avT | avR | avN | avTheta;
    p.terminators = RelationTerminators();
    if (!ExpectWord(p, secondVariable, ParseMessage::NotUnderstood))
        return nullptr;
    p.allowedVariables = avT;
    p.terminators = EndOrTabTerminators();
    TEvaluatorPtr second = ParseNext(p);
    if (HasError(p))
        return nullptr;

    p.defaultMessage = EntryMessage::ParameterRange;
    if (!ElementsRemain(p)) {
        if (!LineEndsWithTab())
            Append(new TEditTabObject);
        AppendText("t=");
        PromptAtEnd(EntryMessage::ParameterRange);
        return nullptr;
    }
    p.allowedVariables = avT;
    p.terminators = RelationTerminators();
    if (!ExpectWord(p, vcT, ParseMessage::NotUnderstood))
        return nullptr;
    p.allowedVariables = 0;
    p.terminators = RangeTerminators();
    TEvaluatorPtr low = ParseNext(p);
    if (HasError(p))
        return nullptr;
    if (!ElementsRemain(p)) {
        AppendText(" to ");
        PromptAtEnd(EntryMessage::ParameterRange);
        return nullptr;
    }
    p.terminators = EndOrTabTerminators();
    TEvaluatorPtr high = ParseNext(p);
    if (HasError(p))
        return nullptr;

    // The formula for y (or r) first, then the one for x (or theta), whichever was typed first.
    const bool firstIsMain = firstVariable == vcY || firstVariable == vcR;
    TEvaluatorPtr main = firstIsMain ? std::move(first) : std::move(second);
    TEvaluatorPtr other = firstIsMain ? std::move(second) : std::move(first);
    std::unique_ptr<TEquationObject> curve;
    if (firstVariable == vcX || firstVariable == vcY)
        curve = std::make_unique<TYParametric>(std::move(main), std::move(other), std::move(low),
                                               std::move(high));
    else
        curve = std::make_unique<TPolarParametric>(std::move(main), std::move(other), std::move(low),
                                                   std::move(high));
    return Finish(std::move(curve), false);
}

std::unique_ptr<TEquationObject> TEntry::PolarRoute()
{
    p.allowedVariables = avT | avTheta;
    p.terminators = EndOrTabTerminators();
    TEvaluatorPtr formula = ParseNext(p);
    if (HasError(p)) {
        if (p.lastToken == tkFor) {
            TEditorObject* element = p.error.element;
            const int position = p.error.position;
            InsertTabAt(element, position);
            ForceErrorAt(p, EntryMessage::TabBeforeFor, line_.caret.element, line_.caret.offset);
        }
        return nullptr;
    }
    if (p.usedVariables & avT)
        return ParametricRoute(std::move(formula), vcR, vcTheta);
    TEvaluatorPtr turns;
    if (!ElementsRemain(p)) {
        if (!LineEndsWithTab())
            Append(new TEditTabObject);
        AppendText("for 1 revs");
        turns = std::make_unique<TConstantEvaluator>(1);
    } else {
        if (PeekWord(p) != tkFor) {
            ForceError(p, EntryMessage::TypeForRevs);
            return nullptr;
        }
        p.allowedVariables = 0;
        p.terminators = RangeTerminators();
        turns = ParseNext(p);
        if (HasError(p))
            return nullptr;
        // "revs" is added when the user left it out
        std::string text = ElementsToText(line_.Elements());
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!ElementsRemain(p) && text.find("revs", text.find("for")) == std::string::npos)
            AppendText(" revs");
    }
    return Finish(std::make_unique<TRofTheta>(std::move(formula), std::move(turns)), false);
}

// Reads a whole number from a cell of a field list on its own; an empty
// cell is "You must put a formula here".
void TEntry::ReadWholeCell(TEditorObject* list, TEditorObject* owner, Extended& value)
{
    if (!list || ListIsEmpty(list)) {
        SetErrorAt(p, ParseMessage::EmptyCell, owner, 0);
        return;
    }
    TParseParams cell;
    cell.declaredNames = p.declaredNames;
    cell.defineLater = p.defineLater;
    StartParse(cell, list, 0, &undefined_, false, EndOrTabTerminators());
    value = ReadWholeNumber(cell, true);
    if (HasError(cell))
        SetErrorAt(p, cell.error.message, cell.error.element, cell.error.position);
}

std::unique_ptr<TEquationObject> TEntry::ConstantRoute()
{
    const std::string name = name_;
    p.terminators = EndOrTabTerminators();
    p.allowedVariables = 0;
    p.definedName = &name;
    TRealReaderPtr value = NumberFromParse(p);
    p.definedName = nullptr;

    auto* fields = HasError(p) ? nullptr : dynamic_cast<TFixedList*>(p.nextElement);
    Extended count = 0;
    TRealReaderPtr step;
    if (fields) {
        p.nextElement = fields->next; // the family fields are read here, not by the parser
        p.textActive = false;
        ReadWholeCell(fields->CellCount() > 1 ? fields->Cell(1) : nullptr, fields, count);
        if (!HasError(p) && count >= 100)
            SetErrorAt(p, ParseMessage::TooBig, fields, 0);
        if (!HasError(p)) {
            TEditorObject* stepList = fields->CellCount() > 3 ? fields->Cell(3) : nullptr;
            if (!stepList || ListIsEmpty(stepList)) {
                SetErrorAt(p, ParseMessage::EmptyCell, fields, 0);
            } else {
                TParseParams cell;
                cell.declaredNames = p.declaredNames;
                StartParse(cell, stepList, 0, &undefined_, false, EndOrTabTerminators());
                step = NumberFromParse(cell);
                if (HasError(cell))
                    SetErrorAt(p, cell.error.message, cell.error.element, cell.error.position);
            }
        }
        if (HasError(p)) {
            FamilyEnd();
            return nullptr;
        }
    }
    auto line = TDynamicConstantEquation::Create(name, std::move(value));
    TDynamicConstantEquation* constant = line.get();
    std::unique_ptr<TEquationObject> finished = Finish(std::move(line), true);
    // A constant defined through names not declared yet is handed to a waiting line, which frees
    // it; the family and the step are taken up when the line is entered again.
    if (finished.get() != constant)
        return finished;
    if (fields)
        constant->SetFamily(static_cast<int>(count), std::move(step));
    else
        constant->AdoptStep(line_.EditedObject());
    return finished;
}

std::unique_ptr<TEquationObject> TEntry::FunctionRoute()
{
    const std::string name = name_;
    p.allowedVariables = 0;
    p.terminators = EndOrTabTerminators();
    p.definedName = &name;
    TEvaluatorPtr definition = ParseNext(p);
    p.definedName = nullptr;
    p.parameterName.clear();
    if (HasError(p))
        return nullptr;
    return Finish(std::make_unique<TDeclaredFunctionEquation>(name, std::move(definition)), false);
}

std::unique_ptr<TEquationObject> TEntry::GeneralRoute(int first)
{
    if (!p.error.message || std::string_view(p.error.message) != ParseMessage::BadCharacter) {
        ClearError(p);
        undefined_.clear();
        StartParse(p, line_.Elements(), avX | avY, &undefined_, false, RelationTerminators());
    } else {
        return nullptr;
    }
    TEvaluatorPtr left = ParseNext(p);
    const int relation = p.relation;
    p.terminators = EndOrTabTerminators();
    TEvaluatorPtr right = ParseNext(p);
    if (HasError(p))
        return nullptr;
    const std::uint32_t used = p.usedVariables & (avX | avY);
    if (first == tkDeclaredFunction && used != (avX | avY)) {
        SetError(p, EntryMessage::FunctionDefined);
        return nullptr;
    }
    if (first == tkDeclaredConstant && used == 0) {
        SetError(p, EntryMessage::ConstantDefined);
        return nullptr;
    }
    auto isZero = [](const TEvaluator* tree) {
        auto* constant = dynamic_cast<const TConstantEvaluator*>(tree);
        return constant && constant->Value() == 0;
    };
    TEvaluatorPtr tree;
    if (isZero(right.get()))
        tree = std::move(left);
    else if (isZero(left.get()))
        tree = std::move(right);
    else
        tree = std::make_unique<TOperationEvaluator>(TOperation::Subtract, std::move(left), std::move(right));

    TFormulaAnalysis analysis;
    AnalyseTree(tree.get(), analysis, relation != rlEqual);
    // An inequality isolated through a declared factor turns round by that
    // factor's sign at entry, which the constant's editor or its family may
    // change later; when the line holds both x and y the implicit route
    // weighs the sign at every drawing instead.
    const bool bothUsed = used == (avX | avY);
    auto qualifies = [&](const TVariableEntry& entry) {
        return entry.count == 1 && entry.invertible &&
               !(relation != rlEqual && entry.behindDeclaredFactor && bothUsed);
    };
    const bool xQualifies = qualifies(analysis.xEntry);
    const bool yQualifies = qualifies(analysis.yEntry);
    int variable = 0;
    if (yQualifies)
        variable = vcY;
    if (xQualifies && (!yQualifies || analysis.xEntry.depth < analysis.yEntry.depth))
        variable = vcX;
    if (variable) {
        bool reversed = false;
        TEvaluatorPtr inverse =
            InvertTree(*tree, variable, std::make_unique<TConstantEvaluator>(0), reversed);
        if (inverse) {
            FoldConstantParts(inverse);
            const int finalRelation = reversed ? 4 - relation : relation;
            return Finish(ExplicitCurve(variable, std::move(inverse), finalRelation), false);
        }
    }
    if (analysis.xEntry.count == 0 && analysis.yEntry.count == 0) {
        SetError(p, EntryMessage::NeedsBoth);
        return nullptr;
    }
    if (!bothUsed) {
        SetError(p, EntryMessage::NeedsBoth);
        return nullptr;
    }
    return Finish(std::make_unique<TImplicitFunction>(std::move(tree), relation), false);
}

std::unique_ptr<TEquationObject> TEntry::CoordinateListRoute()
{
    std::unique_ptr<TEquationObject> list = CoordinateListFromLine(line_, p);
    if (!list)
        return nullptr;
    std::unique_ptr<TEquationObject> finished = Finish(std::move(list), false);
    // The line held the heading only: the list shows its rows under it again.
    if (auto* coordinates = dynamic_cast<TCoordCurve*>(finished.get()))
        coordinates->RowsChanged();
    return finished;
}

std::unique_ptr<TEquationObject> TEntry::PolygonRoute(int first)
{
    std::unique_ptr<TEquationObject> shape = PolygonFromLine(line_, p, first, undefined_);
    if (!shape)
        return nullptr;
    const bool fresh = line_.EditedObject() == nullptr;
    std::unique_ptr<TEquationObject> finished = Finish(std::move(shape), false);
    if (finished && fresh)
        ApplyNewShapeSwitches(*finished);
    return finished;
}

std::unique_ptr<TEquationObject> TEntry::DifferentialRoute()
{
    p.singleVariableMode = false;
    p.allowedVariables = avX | avY;
    p.terminators = EndOrTabTerminators();
    TEvaluatorPtr slope = ParseNext(p);
    if (HasError(p))
        return nullptr;
    return Finish(std::make_unique<TDifferentialEquation>(std::move(slope)), false);
}

bool TEntry::CheckSequenceBound(const TEvaluator* bound)
{
    const Extended v = FormulaValue(bound);
    if (!std::isfinite(v))
        return true; // a bound that waits for a name is checked when drawn
    if (v != std::floor(v))
        SetError(p, ParseMessage::NotInteger);
    else if (std::fabs(v) > SeriesBoundLimit)
        SetError(p, ParseMessage::TooBig);
    return !HasError(p);
}

std::unique_ptr<TEquationObject> TEntry::SequenceRoute(int first)
{
    p.singleVariableMode = false;
    p.allowedVariables = avX | avN;
    p.terminators = EndOrTabTerminators();
    TEvaluatorPtr term = ParseNext(p);
    if (HasError(p))
        return nullptr;
    TEvaluatorPtr ratio;
    if (first == tkFirst) {
        p.defaultMessage = EntryMessage::NextFormula;
        if (!ElementsRemain(p)) {
            if (!LineEndsWithTab())
                Append(new TEditTabObject);
            AppendText("ratio=");
            PromptAtEnd(EntryMessage::NextFormula);
            return nullptr;
        }
        p.allowedVariables = avX | avY | avT | avR | avN | avTheta;
        p.terminators = RelationTerminators();
        if (!ExpectWord(p, tkRatio, ParseMessage::NotUnderstood))
            return nullptr;
        p.allowedVariables = avX | avN;
        p.terminators = EndOrTabTerminators();
        ratio = ParseNext(p);
        if (HasError(p))
            return nullptr;
    }
    p.defaultMessage = EntryMessage::ParameterRange;
    if (!ElementsRemain(p)) {
        if (!LineEndsWithTab())
            Append(new TEditTabObject);
        AppendText("n=");
        PromptAtEnd(EntryMessage::ParameterRange);
        return nullptr;
    }
    p.allowedVariables = avN;
    p.terminators = RelationTerminators();
    if (!ExpectWord(p, vcN, ParseMessage::NotUnderstood))
        return nullptr;
    p.allowedVariables = 0;
    p.terminators = RangeTerminators();
    TEvaluatorPtr low = ParseNext(p);
    if (HasError(p) || !CheckSequenceBound(low.get()))
        return nullptr;
    if (!ElementsRemain(p)) {
        AppendText(" to ");
        PromptAtEnd(EntryMessage::ParameterRange);
        return nullptr;
    }
    p.terminators = EndOrTabTerminators();
    TEvaluatorPtr high = ParseNext(p);
    if (HasError(p) || !CheckSequenceBound(high.get()))
        return nullptr;
    const Extended from = FormulaValue(low.get()), to = FormulaValue(high.get());
    if (std::isfinite(from) && std::isfinite(to) && to - from + 1 >= SeriesSumLimit) {
        SetError(p, ParseMessage::TooBig);
        return nullptr;
    }
    if (first == tkFirst)
        return Finish(std::make_unique<TPowerSeries>(std::move(term), std::move(ratio), std::move(low),
                                                     std::move(high)),
                      false);
    return Finish(std::make_unique<TGenPowerSeries>(std::move(term), std::move(low), std::move(high)), false);
}

std::unique_ptr<TEquationObject> TEntry::Finish(std::unique_ptr<TEquationObject> object, bool styleZero)
{
    if (!object && !HasError(p))
        SetError(p, ParseMessage::NotUnderstood);
    if (HasError(p))
        return nullptr;
    if (ElementsRemain(p)) {
        SetError(p, ParseMessage::NotUnderstood);
        return nullptr;
    }
    object->TakeOver(line_);
    if (!undefined_.empty())
        object = std::make_unique<TNeedsDefinitions>(std::move(object), undefined_);
    if (styleZero)
        object->style = 0;
    return object;
}

} // namespace

std::unique_ptr<TEquationObject> ClassifyLine(TEditor& line, TParseParams& params)
{
    TEntry entry(line, params);
    return entry.Classify();
}
