#include "geometry/dragdescriptions.h"

#include "expr/analysis.h"
#include "expr/parser.h"
#include "expr/realreader.h"
#include "formula/markup.h"
#include "geometry/bestfit.h"
#include "graph/axes.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "numbers/evalstate.h"
#include "platform/mainwindowbase.h"
#include "platform/valuescope.h"
#include "settings/configuration.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <typeinfo>

namespace {

constexpr char LessEqual = '\xA3';
constexpr char GreaterEqual = '\xB3';

bool InSet(char c, const char* set)
{
    return c != 0 && std::strchr(set, c) != nullptr;
}

// The characters around a variable that let a sum replace it without brackets.
const char BeforeSet[] = {'+', '<', '=', '>', LessEqual, GreaterEqual, 0};
const char AfterSet[] = {'+', '-', '<', '=', '>', LessEqual, GreaterEqual, 0};

// The element before target in the list holding it (at any depth), or
// nullptr when target is the first of its list; found is set when target
// was met at all.
const TEditorObject* PreviousOf(const TEditorObject* list, const TEditorObject* target, bool& found)
{
    const TEditorObject* previous = nullptr;
    for (const TEditorObject* e = list; e; e = e->next) {
        if (e == target) {
            found = true;
            return previous;
        }
        if (const auto* composite = dynamic_cast<const TSublistsEditObject*>(e))
            for (int i = 0; i < composite->CellCount(); ++i) {
                const TEditorObject* inner = PreviousOf(composite->Cell(i), target, found);
                if (found)
                    return inner;
            }
        // The anchor that starts every list stands for nothing.
        if (typeid(*e) != typeid(TEditorObject))
            previous = e;
    }
    return nullptr;
}

// The position just after the relation "=" in the first text run holding it.
TStringEditObject* RelationRun(TEditorObject* list, int& after)
{
    for (TEditorObject* e = list; e; e = e->next)
        if (auto* run = dynamic_cast<TStringEditObject*>(e)) {
            const std::size_t at = run->Text().find('=');
            if (at != std::string::npos) {
                after = static_cast<int>(at) + 1;
                return run;
            }
        }
    return nullptr;
}

// Parses the right-hand side of the line in list with letter as its only
// variable and the declared names of the list; nullptr on failure.
// positions receives the variable occurrences met.
TEvaluatorPtr ParseRightSide(TEditorObject* list, char letter, std::vector<TXYPosition>* positions = nullptr)
{
    int after = 0;
    TStringEditObject* run = RelationRun(list, after);
    if (!run)
        return nullptr;
    std::vector<TEquationObject*> declared;
    if (PlotHost)
        declared = PlotHost->Lines();
    TParseParams params;
    params.declaredNames = &declared;
    const std::uint8_t saved = EvaluationStatus;
    TEditorObject* first = run;
    if (after >= static_cast<int>(run->Text().size())) {
        first = run->next;
        after = 0;
    }
    if (!first)
        return nullptr;
    StartParse(params, first, letter == 'y' ? avY : avX, nullptr, false, EndOrTabTerminators(), after);
    TEvaluatorPtr tree = ParseExpression(params);
    if (positions)
        *positions = params.variablePositions;
    const bool failed = HasError(params) || !tree;
    FinishParse(params);
    EvaluationStatus = saved;
    return failed ? nullptr : std::move(tree);
}

// A sum as markup (numbers in index form).
std::string Sum(std::vector<std::string> names, std::vector<Extended> values, bool bracket = false)
{
    return NumbersAsMarkup(SumText(names, values, true, bracket));
}

// The text after the first "=" of a markup line.
std::string RightSide(const std::string& line)
{
    const std::size_t at = line.find('=');
    return at == std::string::npos ? line : line.substr(at + 1);
}

const TAxes* Axes()
{
    const TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
    return params ? params->Axes.get() : nullptr;
}

// The values of the formula at u = −1, 0 and 1 (status left clear).
bool ThreeValues(TYofX& curve, Extended (&f)[3])
{
    const std::uint8_t saved = EvaluationStatus;
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        ResetStatus();
        f[i] = curve.DependentAt(i - 1);
        ok = ok && EvaluationStatus <= esNormal && std::isfinite(f[i]);
    }
    EvaluationStatus = saved;
    return ok;
}

// Whether an occurrence of letter is the last character of its text run and
// an index follows it (x² typed as such).
bool LetterBeforeIndex(const TEditorObject* list, char letter)
{
    for (const TEditorObject* e = list; e; e = e->next) {
        if (const auto* run = dynamic_cast<const TStringEditObject*>(e))
            if (!run->Text().empty() && run->Text().back() == letter &&
                dynamic_cast<const TSuperscriptEditObject*>(e->next))
                return true;
        if (const auto* composite = dynamic_cast<const TSublistsEditObject*>(e))
            for (int i = 0; i < composite->CellCount(); ++i)
                if (LetterBeforeIndex(composite->Cell(i), letter))
                    return true;
    }
    return false;
}

// The centre and radius of the circle through five characteristic points,
// or false.
bool CircleTest(TYofX& curve, TRealPoint& centre, Extended& r)
{
    const std::vector<TSearchForDragPoint> points = curve.FindCharacteristicPoints(5);
    if (points.size() != 5)
        return false;
    const TRealPoint& p1 = points[0].Point;
    const TRealPoint& p2 = points[1].Point;
    const TRealPoint& p3 = points[2].Point;
    const TRealPoint& p4 = points[3].Point;
    // The perpendicular bisectors: (q − m)·d = 0 with m the midpoint, d the chord.
    const Extended d1x = p2.x - p1.x, d1y = p2.y - p1.y, d2x = p4.x - p3.x, d2y = p4.y - p3.y;
    const Extended e1 = d1x * (p1.x + p2.x) / 2 + d1y * (p1.y + p2.y) / 2;
    const Extended e2 = d2x * (p3.x + p4.x) / 2 + d2y * (p3.y + p4.y) / 2;
    const Extended det = d1x * d2y - d1y * d2x;
    if (std::fabs(det) < 1e-12L)
        return false;
    centre = {(e1 * d2y - e2 * d1y) / det, (d1x * e2 - d2x * e1) / det};
    r = std::hypot(p1.x - centre.x, p1.y - centre.y);
    const Extended r3 = std::hypot(p3.x - centre.x, p3.y - centre.y);
    // Relative to the radius, so that large and small circles pass alike.
    return r > 0 && std::fabs(r - r3) <= 1e-8L * r;
}

// The line through a and b as y = m·x + c, or upright as x = m·y + c.
void LineThrough(const TRealPoint& a, const TRealPoint& b, bool upright, Extended& m, Extended& c)
{
    if (upright) {
        m = (b.x - a.x) / (b.y - a.y);
        c = a.x - m * a.y;
    } else {
        m = (b.y - a.y) / (b.x - a.x);
        c = a.y - m * a.x;
    }
}

std::unique_ptr<TDragDescriptionBase> Classify(TYofX& curve)
{
    TFormulaAnalysis a;
    AnalyseTree(curve.Formula.get(), a, false);
    const bool exactlyYofX = typeid(curve) == typeid(TYofX);
    Extended f[3];
    // The analysis lifts a negative power by a constant added to it
    // (5x⁻¹ + 2 has degree 0): the line or quadratic taken from three values
    // must also give the formula's values elsewhere.
    auto fits = [&](Extended qa, Extended qb, Extended qc) {
        for (const Extended u : {2.0L, -3.0L, 0.5L}) {
            ResetStatus();
            const Extended value = curve.DependentAt(u);
            const bool defined = EvaluationStatus <= esNormal && std::isfinite(value);
            ResetStatus();
            if (!defined || std::fabs(value - ((qa * u + qb) * u + qc)) > 1e-9L * (1 + std::fabs(value)))
                return false;
        }
        return true;
    };
    const bool constant = a.degree == 0 && a.variableNodes == 0;
    if ((a.degree == 1 || constant) && a.functionCount == 0 && a.variableNodes <= 1 &&
        ThreeValues(curve, f) && fits(0, f[2] - f[1], f[1]))
        return std::make_unique<TDragLinearCurveInfo>(curve, f[2] - f[1], f[1]);
    if (a.degree == 2 && a.functionCount == 0 && ThreeValues(curve, f) &&
        fits((f[0] + f[2]) / 2 - f[1], (f[2] - f[0]) / 2, f[1])) {
        const Extended qa = (f[0] + f[2]) / 2 - f[1];
        int form = 1;
        if (a.powerDegree >= 2 && qa != 0)
            form = LetterBeforeIndex(curve.Elements(), curve.VariableLetter(1)) ? 0 : 2;
        return std::make_unique<TDragQuadraticCurveInfo>(curve, qa, (f[2] - f[0]) / 2, f[1], form);
    }
    // Degree 10 and more is more than the handles can carry.
    if (a.degree > 2 && a.degree < 10 && a.functionCount == 0 && exactlyYofX)
        return std::make_unique<TDragPolyCurveInfo>(curve, a.degree);
    // A constant added to the reciprocal lifts the degree to 0: 5/x + 2 is one too.
    if (a.functionCount == 1 && (a.degree == -1 || a.degree == 0) && a.description == "{/{" &&
        a.variableNodes == 1)
        return std::make_unique<TDragReciprocalFunction>(curve, a.linearForms[1].multiplier,
                                                         a.linearForms[0].multiplier, a.linearForms[0].offset,
                                                         a.linearForms[1].offset);
    TRealPoint centre;
    Extended r = 0;
    if (a.functionCount == 1 && a.branchCount == 2 && a.degree == 2 && a.description == "{sqrt{" &&
        CircleTest(curve, centre, r))
        return std::make_unique<TDragCircleInfo>(curve, centre, r);
    if (a.functionCount == 1 && a.degree == 1 && a.variableNodes == 1 && !a.description.empty())
        return std::make_unique<TDragSimpleFunction>(
            curve, a.linearForms[1].multiplier, a.linearForms[0].multiplier, a.linearForms[0].offset,
            a.linearForms[1].offset, a.description, a.descriptionEnd);
    return std::make_unique<TDragCurveInfo>(curve);
}

} // namespace

std::unique_ptr<TDragDescriptionBase> MakeDragDescription(TYofX& curve, bool generic)
{
    if (generic)
        return std::make_unique<TDragCurveInfo>(curve);
    return Classify(curve);
}

void InstallDragDescriptions()
{
    TYofX::DescriptionMaker = &MakeDragDescription;
}

// ---- the generic substitution -------------------------------------------------------------------

TDragCurveInfo::TDragCurveInfo(TYofX& curve) : curve_(&curve), elements_(CopyElements(curve.Elements()))
{
    std::vector<TXYPosition> positions;
    (void)ParseRightSide(elements_.get(), Independent(), &positions);
    for (const TXYPosition& p : positions) {
        auto* run = dynamic_cast<TStringEditObject*>(p.element);
        if (!run || p.letter != Independent())
            continue;
        occurrences_.push_back(
            {run, p.position, p.count, NeedsBracket(elements_.get(), *run, p.position, p.count)});
    }
}

TDragCurveInfo::~TDragCurveInfo() = default;

bool TDragCurveInfo::NeedsBracket(const TEditorObject* list, const TStringEditObject& run, int position,
                                  int length)
{
    const std::string& text = run.Text();
    const std::size_t end = static_cast<std::size_t>(position + length);
    const char after = end < text.size() ? text[end] : 0;
    char before = 0;
    if (position == 0) {
        // At the start of its run the character before is the last of the
        // text run before it; after a fraction, root or index there is none
        // that can stand in for a bracket.
        bool found = false;
        const TEditorObject* previous = PreviousOf(list, &run, found);
        if (previous) {
            const auto* text = dynamic_cast<const TStringEditObject*>(previous);
            if (!text || text->Text().empty())
                return true;
            before = text->Text().back();
        } else {
            return !InSet(after, AfterSet);
        }
    } else {
        before = text[static_cast<std::size_t>(position - 1)];
        if (before == '(')
            return !InSet(after, AfterSet);
    }
    return !(InSet(before, BeforeSet) && InSet(after, AfterSet));
}

void TDragCurveInfo::Maps(Extended& su, Extended& tu, Extended& sv, Extended& tv) const
{
    const TAxisMaps m = curve_->AxisMaps();
    const bool swapped = curve_->IsSwapped();
    su = swapped ? m.YScale : m.XScale;
    tu = swapped ? m.YOffset : m.XOffset;
    sv = swapped ? m.XScale : m.YScale;
    tv = swapped ? m.XOffset : m.YOffset;
}

void TDragCurveInfo::SetFormulaText(const std::string& markup)
{
    curve_->SetElements(ElementsFromText(markup));
    curve_->SetLayoutOutOfDate(true);
    curve_->SetChanged(true);
}

void TDragCurveInfo::WriteFormula()
{
    Extended su = 1, tu = 0, sv = 1, tv = 0;
    Maps(su, tu, sv, tv);
    const std::string letter(1, Independent());
    for (std::size_t i = 0; i < occurrences_.size(); ++i) {
        TOccurrence& o = occurrences_[i];
        const std::string text = Sum({letter, ""}, {1 / su, -tu / su}, o.bracket);
        o.run->Erase(o.position, o.position + o.length);
        o.run->Insert(o.position, text);
        const int change = static_cast<int>(text.size()) - o.length;
        for (std::size_t j = i + 1; j < occurrences_.size(); ++j)
            if (occurrences_[j].run == o.run && occurrences_[j].position > o.position)
                occurrences_[j].position += change;
        o.length = static_cast<int>(text.size());
    }
    // The dependent side: v' = sv·v + tv, so the right-hand side is scaled and shifted.
    const std::string line = ElementsToText(elements_.get());
    const std::string right = RightSide(line);
    std::string text = std::string(1, Dependent()) + "=";
    if (DisplayText(sv) == "1" && DisplayText(tv) == "0")
        text += right;
    else
        text += Sum({DisplayText(sv) == "1" ? right : "(" + right + ")", ""}, {sv, tv});
    SetFormulaText(text);
}

void TDragCurveInfo::CreateDragPointsAt(const TRealPoint (&points)[3])
{
    TDragPointList* handles = curve_->DragPoints.get();
    if (!handles)
        return;
    handles->Add(std::make_unique<TCentrePoint>(curve_, points[0].x, points[0].y, true));
    handles->Add(std::make_unique<TStretchPointVert>(curve_, points[1].x, points[1].y, true));
    handles->Add(std::make_unique<TStretchPointHorz>(curve_, points[2].x, points[2].y, true));
    (*handles)[handles->Count() - 3]->CtrlMovable = true;
}

// ---- re-parsing ---------------------------------------------------------------------------------

std::string TDragCurveInfoReparse::ParseSource() const
{
    return ElementsToText(Curve().Elements());
}

void TDragCurveInfoReparse::DragStarted()
{
    pressText_ = ElementsToText(Curve().Elements());
    SaveParameters();
}

void TDragCurveInfoReparse::CommitParameters()
{
    // A curve still waiting for its points has no equation to write yet.
    if (!complete_)
        return;
    if (failed_ && pressText_.empty())
        return; // a curve placed by clicks has nothing to go back to
    if (failed_) {
        // The handles made no curve: the curve goes back to what it was at the press.
        failed_ = false;
        textFixed_ = false;
        RestoreParameters();
        SetFormulaText(pressText_);
        if (TEvaluatorPtr tree = ParseRightSide(Curve().Elements(), Independent()))
            Curve().Formula = std::move(tree);
        ResetMatrices();
        Curve().DiscardLineStore();
        if (Handles()) {
            Curve().DragPoints = std::make_unique<TDragPointList>();
            CreateDragPoints();
        }
        return;
    }
    TakePrimed();
    // The parameters hold the change now; the matrices must not apply it twice.
    ResetMatrices();
    WriteFormula();
    Reparse(true);
}

TRealPoint TDragCurveInfoReparse::GraphPoint(Extended u, Extended v) const
{
    return Curve().IsSwapped() ? TRealPoint{v, u} : TRealPoint{u, v};
}

void TDragCurveInfoReparse::HandleUV(int i, Extended& u, Extended& v) const
{
    const TDragCustom* h = (*Handles())[i];
    u = Curve().IsSwapped() ? h->AnchorY : h->AnchorX;
    v = Curve().IsSwapped() ? h->AnchorX : h->AnchorY;
}

void TDragCurveInfoReparse::AddHandle(Extended x, Extended y)
{
    if (Handles())
        Handles()->Add(std::make_unique<TDragPoint>(&Curve(), x, y, -1, true));
}

bool TDragCurveInfoReparse::HandlesOnCurve()
{
    const TAxes* axes = Axes();
    TDragPointList* handles = Handles();
    if (!axes || !handles)
        return true;
    TYofX& curve = Curve();
    const std::uint8_t saved = EvaluationStatus;
    bool on = true;
    for (int i = 0; i < handles->Count() && on; ++i) {
        if (!dynamic_cast<TDragPoint*>((*handles)[i]))
            continue;
        const TRealPoint base = curve.Matrices.ApplyInverse({(*handles)[i]->AnchorX, (*handles)[i]->AnchorY});
        const bool swapped = curve.IsSwapped();
        ResetStatus();
        const Extended f = curve.DependentAt(swapped ? base.y : base.x);
        const TAxis& dependent = swapped ? *axes->XAxis : *axes->YAxis;
        on = EvaluationStatus <= esNormal && dependent.RoundToDisplay(f - (swapped ? base.x : base.y)) == 0;
    }
    EvaluationStatus = saved;
    return on;
}

void TDragCurveInfoReparse::ResetMatrices()
{
    TDragMatrices& m = Curve().Matrices;
    m.Reset();
    if (Exchanged()) {
        m.M[0][0] = m.M[1][1] = 0;
        m.M[0][1] = m.M[1][0] = 1;
    }
}

bool TDragCurveInfoReparse::Reparse(bool commit)
{
    TYofX& curve = Curve();
    const std::string source = ParseSource();
    TElementList elements = ElementsFromText(source);
    const char dependent = source.empty() ? Dependent() : source[0];
    TEvaluatorPtr tree = ParseRightSide(elements.get(), dependent == 'x' ? 'y' : 'x');
    bool parsed = false;
    if (tree) {
        parsed = true;
        curve.Formula = std::move(tree);
        const bool upright = dependent == 'x';
        curve.Matrices.Reset();
        if (upright != curve.IsSwapped()) {
            // Until the drag ends the curve keeps its kind and is drawn with
            // x and y exchanged; then a curve of the other kind takes its place.
            TYofX* now = commit ? curve.ChangeKind() : &curve;
            if (now == &curve) {
                curve.Matrices.M[0][0] = curve.Matrices.M[1][1] = 0;
                curve.Matrices.M[0][1] = curve.Matrices.M[1][0] = 1;
            }
            // From here on the description belongs to the curve now listed.
        }
    } else {
        Curve().Matrices.Reset();
    }
    Curve().DiscardLineStore();
    Curve().RebaseHandles();
    if (parsed && !retrying_ && RetryWithMoreFigures() && Curve().GateOpen() && !HandlesOnCurve()) {
        // Each retry writes one more figure; the handles must lie on the
        // curve to the precision the user sees, not to the retry's.
        retrying_ = true;
        const std::uint8_t shown = Configuration.MouseFigures;
        for (int figures = shown + 1; figures <= 10; ++figures) {
            {
                const TValueScope<std::uint8_t> scope(Configuration.MouseFigures,
                                                      static_cast<std::uint8_t>(figures));
                WriteFormula();
                Reparse(commit);
            }
            if (HandlesOnCurve())
                break;
        }
        retrying_ = false;
    }
    return parsed;
}

void TDragCurveInfoReparse::Fail(const char* message, const std::string& placeholder)
{
    failed_ = true;
    textFixed_ = true;
    Curve().Formula = std::make_unique<TConstantEvaluator>(1e40L);
    Curve().DiscardLineStore();
    SetFormulaText(placeholder);
    ShowStatus(message, true, false);
}

void TDragCurveInfoReparse::ClearFailure(const char* message)
{
    if (failed_ && MainWindow)
        ShowStatus("", false, false);
    (void)message;
    failed_ = false;
    textFixed_ = false;
}

void TDragCurveInfoReparse::PointAdded()
{
    const int count = Handles() ? Handles()->Count() : 0;
    if (count < PointsNeeded()) {
        Prompt(count);
        return;
    }
    // All the points are there: the curve goes through them.
    complete_ = true;
    ShowStatus("", false, false);
    DragPointsMoved();
}

std::unique_ptr<TYofX> NewClickedCurve(TClickedCurve kind, const char* role)
{
    auto curve = std::make_unique<TYofX>(std::make_unique<TConstantEvaluator>(1e40L), rlEqual);
    curve->SetElements(ElementsFromText("y="));
    std::unique_ptr<TDragCurveInfoReparse> info;
    switch (kind) {
    case TClickedCurve::Line: {
        auto line = std::make_unique<TDragLinearCurveInfo>(*curve, 0, 0);
        if (role)
            line->SetRole(role);
        info = std::move(line);
        break;
    }
    case TClickedCurve::Quadratic:
        info = std::make_unique<TDragQuadraticCurveInfo>(*curve, 0, 0, 0, 0);
        break;
    case TClickedCurve::Circle:
        info = std::make_unique<TDragCircleInfo>(*curve, TRealPoint{0, 0}, 1);
        break;
    }
    info->WaitForPoints();
    curve->DragInfo = std::move(info);
    curve->DragPoints = std::make_unique<TDragPointList>();
    return curve;
}

namespace {

// "Click 1 more point to complete the straight line." and the like.
void ShowClickPrompt(int more, const char* what)
{
    ShowStatus("Click " + std::to_string(more) + " more " + (more == 1 ? "point" : "points") +
                   " to complete the " + what + ".",
               false, false);
}

} // namespace

// ---- the straight line --------------------------------------------------------------------------

TDragLinearCurveInfo::TDragLinearCurveInfo(TYofX& curve, Extended m, Extended c)
    : TDragCurveInfoReparse(curve), m_(m), c_(c), upright_(curve.IsSwapped())
{
}

void TDragLinearCurveInfo::Primed(Extended& m, Extended& c, bool& upright) const
{
    // Two points of the line through the whole drag matrices: a turn or a
    // stretch of the line is a line again.
    const TDragMatrices& matrices = Curve().Matrices;
    const bool exchanged = Exchanged();
    auto point = [&](Extended u) {
        const Extended v = m_ * u + c_;
        // The point in the formula's own frame, which the matrices map: they
        // exchange x and y while a line pulled upright keeps its kind.
        const TRealPoint world = upright_ ? TRealPoint{v, u} : TRealPoint{u, v};
        return matrices.Apply(exchanged ? TRealPoint{world.y, world.x} : world);
    };
    const TRealPoint a = point(0), b = point(1);
    const Extended dx = b.x - a.x, dy = b.y - a.y;
    // The line keeps its kind unless a turn made it (nearly) parallel to its
    // independent axis.
    upright = upright_ ? !(std::fabs(dy) <= std::fabs(dx) / 100) : std::fabs(dx) <= std::fabs(dy) / 100;
    LineThrough(a, b, upright, m, c);
}

std::string TDragLinearCurveInfo::Text(Extended m, Extended c, bool upright) const
{
    return std::string(upright ? "x=" : "y=") + Sum({upright ? "y" : "x", ""}, {m, c});
}

void TDragLinearCurveInfo::Prompt(int count) const
{
    ShowClickPrompt(2 - count, role_);
}

void TDragLinearCurveInfo::WriteFormula()
{
    Extended m = 0, c = 0;
    bool upright = false;
    Primed(m, c, upright);
    SetFormulaText(Text(m, c, upright));
}

void TDragLinearCurveInfo::TakePrimed()
{
    Extended m = 0, c = 0;
    bool upright = false;
    Primed(m, c, upright);
    m_ = m;
    c_ = c;
    upright_ = upright;
}

bool TDragLinearCurveInfo::CreateDragPoints()
{
    const TAxes* axes = Axes();
    if (!axes || !Handles())
        return true;
    const TAxis& u = upright_ ? *axes->YAxis : *axes->XAxis;
    const TAxis& v = upright_ ? *axes->XAxis : *axes->YAxis;
    auto inside = [&](Extended pu, Extended pv) {
        return pu >= u.Min && pu <= u.Max && pv >= v.Min && pv <= v.Max;
    };
    Extended u1 = 0, v1 = c_, u2 = 0, v2 = 0;
    if (std::fabs(c_) <= u.Step / 50) {
        u2 = u.Step;
        v2 = m_ * u.Step + c_;
    } else if (std::fabs(m_) < u.Step / 50) {
        u2 = u.Step;
        v2 = c_;
    } else {
        u2 = -c_ / m_;
        v2 = 0;
    }
    if (!inside(u1, v1) || !inside(u2, v2)) {
        // The part of the independent range where the line is in sight.
        Extended low = u.Min, high = u.Max;
        if (m_ != 0) {
            const Extended a = (v.Min - c_) / m_, b = (v.Max - c_) / m_;
            low = std::max(low, std::min(a, b));
            high = std::min(high, std::max(a, b));
        } else if (c_ < v.Min || c_ > v.Max) {
            high = low - 1;
        }
        if (!(high > low))
            return true; // nothing of the line is in sight: no handles
        u1 = low + 0.2L * (high - low);
        u2 = low + 0.8L * (high - low);
        v1 = m_ * u1 + c_;
        v2 = m_ * u2 + c_;
    }
    AddHandle(upright_ ? v1 : u1, upright_ ? u1 : v1);
    AddHandle(upright_ ? v2 : u2, upright_ ? u2 : v2);
    return true;
}

void TDragLinearCurveInfo::DragPointsMoved()
{
    TDragPointList* handles = Handles();
    if (!handles || handles->Count() < 2)
        return;
    const TRealPoint a{(*handles)[0]->AnchorX, (*handles)[0]->AnchorY};
    const TRealPoint b{(*handles)[1]->AnchorX, (*handles)[1]->AnchorY};
    const Extended dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0)
        return;
    upright_ = std::fabs(dx) <= std::fabs(dy) / 100;
    LineThrough(a, b, upright_, m_, c_);
    ResetMatrices();
    SetFormulaText(Text(m_, c_, upright_));
    Reparse(false);
}

// ---- the quadratic ------------------------------------------------------------------------------

TDragQuadraticCurveInfo::TDragQuadraticCurveInfo(TYofX& curve, Extended a, Extended b, Extended c, int form)
    : TDragCurveInfoReparse(curve), a_(a), b_(b), c_(c), form_(form)
{
}

void TDragQuadraticCurveInfo::Prompt(int count) const
{
    ShowClickPrompt(3 - count, "quadratic curve");
}

void TDragQuadraticCurveInfo::SaveParameters()
{
    saved_[0] = a_;
    saved_[1] = b_;
    saved_[2] = c_;
}

void TDragQuadraticCurveInfo::RestoreParameters()
{
    a_ = saved_[0];
    b_ = saved_[1];
    c_ = saved_[2];
}

std::string TDragQuadraticCurveInfo::QuadraticText(Extended a, Extended b, Extended c, char u, int form)
{
    const std::string letter(1, u);
    if (DisplayText(a) == "0")
        return Sum({letter, ""}, {b, c});
    const Extended h = b / (2 * a);
    const Extended k = c - b * b / (4 * a);
    if (form == 1 && k / a < 0) {
        const Extended r = std::sqrt(-k / a);
        const std::string first = Sum({letter, ""}, {1, h + r}, true);
        const std::string second = Sum({letter, ""}, {1, h - r}, true);
        return NumbersAsMarkup(TermText(first + second, true, a));
    }
    if (form == 2)
        return Sum({Sum({letter, ""}, {1, h}, true) + "{^{2}", ""}, {a, k});
    return Sum({letter + "{^{2}", letter, ""}, {a, b, c});
}

void TDragQuadraticCurveInfo::Primed(Extended& a, Extended& b, Extended& c) const
{
    Extended su = 1, tu = 0, sv = 1, tv = 0;
    Maps(su, tu, sv, tv);
    // v' = sv·(a·u² + b·u + c) + tv with u = (u' − tu)/su.
    a = sv * a_ / (su * su);
    b = sv * (b_ / su - 2 * a_ * tu / (su * su));
    c = sv * (a_ * tu * tu / (su * su) - b_ * tu / su + c_) + tv;
}

void TDragQuadraticCurveInfo::WriteFormula()
{
    if (textFixed_)
        return;
    Extended a = 0, b = 0, c = 0;
    Primed(a, b, c);
    SetFormulaText(std::string(1, Dependent()) + "=" + QuadraticText(a, b, c, Independent(), form_));
}

void TDragQuadraticCurveInfo::TakePrimed()
{
    Extended a = 0, b = 0, c = 0;
    Primed(a, b, c);
    a_ = a;
    b_ = b;
    c_ = c;
}

bool TDragQuadraticCurveInfo::SetForm(int form)
{
    form_ = form;
    return true;
}

bool TDragQuadraticCurveInfo::CreateDragPoints()
{
    const TAxes* axes = Axes();
    if (!axes || !Handles())
        return true;
    const TAxis& u = Curve().IsSwapped() ? *axes->YAxis : *axes->XAxis;
    auto add = [&](Extended pu) {
        const TRealPoint p = GraphPoint(pu, (a_ * pu + b_) * pu + c_);
        AddHandle(p.x, p.y);
    };
    if (a_ == 0) {
        add(0);
        add(u.Step);
        add(-u.Step);
        return true;
    }
    const Extended h = b_ / (2 * a_);
    const Extended k = c_ - b_ * b_ / (4 * a_);
    if (k != 0 && (k < 0) != (a_ < 0)) {
        const Extended r = std::sqrt(-k / a_);
        add(-h - r);
        add(r - h);
    } else {
        const Extended d = u.Subdivisions >= 10 ? u.Step : u.Step / std::max<int>(u.Subdivisions, 1);
        add(-h - d);
        add(d - h);
    }
    add(-h);
    return true;
}

void TDragQuadraticCurveInfo::DragPointsMoved()
{
    TDragPointList* handles = Handles();
    const TAxes* axes = Axes();
    if (!handles || handles->Count() < 3 || !axes)
        return;
    ClearFailure(QuadraticFailureText);
    Extended u[3], v[3];
    for (int i = 0; i < 3; ++i)
        HandleUV(i, u[i], v[i]);
    const Extended close = (Curve().IsSwapped() ? axes->YAxis->Step : axes->XAxis->Step) / 50;
    if (std::fabs(u[0] - u[1]) < close || std::fabs(u[1] - u[2]) < close || std::fabs(u[0] - u[2]) < close) {
        Fail(QuadraticFailureText, std::string(1, Dependent()) + "=" + Independent() + "{^{2}");
        return;
    }
    // Divided differences: nearly collinear handles give a tiny a, not noise.
    const Extended d01 = (v[1] - v[0]) / (u[1] - u[0]);
    const Extended d02 = (v[2] - v[0]) / (u[2] - u[0]);
    a_ = (d02 - d01) / (u[2] - u[1]);
    b_ = d01 - a_ * (u[0] + u[1]);
    c_ = v[0] - (a_ * u[0] + b_) * u[0];
    if (DisplayText(a_) == "0") {
        // The line through the outermost handles.
        const int low = static_cast<int>(std::min_element(u, u + 3) - u);
        const int high = static_cast<int>(std::max_element(u, u + 3) - u);
        a_ = 0;
        b_ = (v[high] - v[low]) / (u[high] - u[low]);
        c_ = v[low] - b_ * u[low];
    }
    Curve().Matrices.Reset();
    WriteFormula();
    Reparse(false);
}

// ---- the polynomial -----------------------------------------------------------------------------

TDragPolyCurveInfo::TDragPolyCurveInfo(TYofX& curve, int degree)
    : TDragCurveInfoReparse(curve), degree_(degree)
{
}

bool TDragPolyCurveInfo::CreateDragPoints()
{
    const std::vector<TSearchForDragPoint> points = Curve().FindCharacteristicPoints(degree_ + 1);
    handlesFound_ = static_cast<int>(points.size()) == degree_ + 1;
    if (handlesFound_)
        for (const TSearchForDragPoint& p : points)
            AddHandle(p.Point.x, p.Point.y);
    return true;
}

void TDragPolyCurveInfo::DragStarted()
{
    TDragCurveInfoReparse::DragStarted();
    pressPoints_.clear();
    if (Handles() && Handles()->Count() == degree_ + 1) {
        handlesFound_ = true;
        return;
    }
    const std::vector<TSearchForDragPoint> points = Curve().FindCharacteristicPoints(degree_ + 1);
    handlesFound_ = static_cast<int>(points.size()) == degree_ + 1;
    for (const TSearchForDragPoint& p : points)
        pressPoints_.push_back(Curve().Matrices.ApplyInverse(p.Point));
}

std::vector<TRealPoint> TDragPolyCurveInfo::Points() const
{
    std::vector<TRealPoint> points;
    if (Handles() && Handles()->Count() == degree_ + 1) {
        for (int i = 0; i < Handles()->Count(); ++i)
            points.push_back({(*Handles())[i]->AnchorX, (*Handles())[i]->AnchorY});
    } else {
        for (const TRealPoint& p : pressPoints_)
            points.push_back(Curve().Matrices.Apply(p));
    }
    return points;
}

void TDragPolyCurveInfo::WriteFormula()
{
    if (!handlesFound_) {
        TDragCurveInfo::WriteFormula();
        return;
    }
    ClearFailure(PolynomialFailureText);
    std::vector<TRealPoint> distinct;
    bool ok = true;
    for (const TRealPoint& p : Points()) {
        bool repeat = false;
        for (const TRealPoint& q : distinct) {
            if (p.x == q.x && p.y == q.y)
                repeat = true;
            else if (p.x == q.x)
                ok = false;
        }
        if (!repeat)
            distinct.push_back(p);
    }
    if (!ok || distinct.size() > 10 || distinct.empty()) {
        failed_ = true;
        SetFormulaText("y=x");
        ShowStatus(PolynomialFailureText, true, false);
        return;
    }
    const std::vector<Extended> coefficients = PolynomialThrough(distinct);
    std::vector<std::string> names;
    const std::size_t degree = coefficients.size() - 1;
    for (std::size_t i = 0; i <= degree; ++i) {
        const std::size_t power = degree - i;
        names.push_back(power >= 2 ? "x{^{" + std::to_string(power) + "}" : power == 1 ? "x" : "");
    }
    SetFormulaText("y=" + Sum(names, coefficients));
}

void TDragPolyCurveInfo::CommitParameters()
{
    if (!handlesFound_)
        return; // the generic substitution: the matrices stay in force
    TDragCurveInfoReparse::CommitParameters();
}

void TDragPolyCurveInfo::DragPointsMoved()
{
    WriteFormula();
    if (!failed_)
        Reparse(false);
}

// ---- the circle ---------------------------------------------------------------------------------

TDragCircleInfo::TDragCircleInfo(TYofX& curve, TRealPoint centre, Extended r)
    : TDragCurveInfoReparse(curve), centre_(centre), r_(r)
{
}

void TDragCircleInfo::Prompt(int count) const
{
    ShowStatus(count == 0 ? "Click one point to place the centre of the circle"
                          : "Click one point on the circumference",
               false, false);
}

void TDragCircleInfo::Primed(TRealPoint& centre, Extended& r) const
{
    // The centre and a point of the rim through the matrices: a moved
    // circle commits its new centre.
    const TDragMatrices& m = Curve().Matrices;
    centre = m.Apply(centre_);
    const TRealPoint rim = m.Apply({centre_.x + r_, centre_.y});
    r = std::hypot(rim.x - centre.x, rim.y - centre.y);
}

void TDragCircleInfo::Write(const TRealPoint& centre, Extended r)
{
    const Extended a = RoundDisplay(centre.x), b = RoundDisplay(centre.y);
    const std::string radius = NumbersAsMarkup(DisplayText(r));
    SetFormulaText(Sum({"x", ""}, {1, -a}, true) + "{^{2}+" + Sum({"y", ""}, {1, -b}, true) +
                   "{^{2}=" + radius + "{^{2}");
    hidden_ = "y={\xB1sqrt(" + radius + "{^{2}-" + Sum({"x", ""}, {1, -a}, true) + "{^{2})" +
              NumbersAsMarkup(TermText("", false, b));
}

void TDragCircleInfo::WriteFormula()
{
    TRealPoint centre;
    Extended r = 0;
    Primed(centre, r);
    Write(centre, r);
}

void TDragCircleInfo::TakePrimed()
{
    TRealPoint centre;
    Extended r = 0;
    Primed(centre, r);
    centre_ = centre;
    r_ = r;
}

void TDragCircleInfo::RestoreParameters()
{
    std::tie(centre_, r_) = saved_;
}

bool TDragCircleInfo::CreateDragPoints()
{
    AddHandle(centre_.x, centre_.y);
    AddHandle(centre_.x + r_, centre_.y);
    return true;
}

void TDragCircleInfo::DragPointsMoved()
{
    TDragPointList* handles = Handles();
    if (!handles || handles->Count() < 2)
        return;
    centre_ = {(*handles)[0]->AnchorX, (*handles)[0]->AnchorY};
    r_ = std::hypot((*handles)[1]->AnchorX - centre_.x, (*handles)[1]->AnchorY - centre_.y);
    Curve().Matrices.Reset();
    Write(centre_, r_);
    Reparse(false);
}

// ---- one function of a linear expression ---------------------------------------------------------

TDragSimpleFunction::TDragSimpleFunction(TYofX& curve, Extended A, Extended B, Extended C, Extended D,
                                         std::string opening, std::string closing)
    : TDragCurveInfoReparse(curve), p_{A, B, C, D}, saved_{A, B, C, D}, opening_(std::move(opening)),
      closing_(std::move(closing)), bracketed_(false)
{
    if (!opening_.empty() && opening_.back() == '(') {
        opening_.pop_back();
        bracketed_ = true;
    }
}

void TDragSimpleFunction::Primed(Extended (&q)[4]) const
{
    Extended su = 1, tu = 0, sv = 1, tv = 0;
    Maps(su, tu, sv, tv);
    q[0] = p_[0] * sv;
    q[1] = p_[1] / su;
    q[2] = p_[2] - p_[1] * tu / su;
    q[3] = sv * p_[3] + tv;
}

std::string TDragSimpleFunction::Text(const Extended (&q)[4]) const
{
    const bool bracket = bracketed_ || DisplayText(q[2]) != "0";
    const std::string argument = Sum({std::string(1, Independent()), ""}, {q[1], q[2]}, bracket);
    // A function's name is kept apart from an argument without brackets: sin 3x.
    const bool word = !opening_.empty() && std::isalpha(static_cast<unsigned char>(opening_.back()));
    return Sum({opening_ + (word && argument[0] != '(' ? " " : "") + argument + closing_, ""}, {q[0], q[3]});
}

void TDragSimpleFunction::WriteFormula()
{
    Extended q[4];
    Primed(q);
    // A coefficient that is not 0 but shows as 0 gets more figures.
    auto lost = [&] {
        for (Extended v : q)
            if (v != 0 && DisplayText(v) == "0")
                return true;
        return false;
    };
    std::string text;
    for (int figures = Configuration.MouseFigures;; ++figures) {
        const TValueScope<std::uint8_t> scope(Configuration.MouseFigures, static_cast<std::uint8_t>(figures));
        text = Text(q);
        if (!lost() || figures >= 10)
            break;
    }
    SetFormulaText(std::string(1, Dependent()) + "=" + text);
}

void TDragSimpleFunction::TakePrimed()
{
    Extended q[4];
    Primed(q);
    std::copy(std::begin(q), std::end(q), std::begin(p_));
}

TDragReciprocalFunction::TDragReciprocalFunction(TYofX& curve, Extended A, Extended B, Extended C, Extended D)
    : TDragSimpleFunction(curve, A, B, C, D, "{/{", "")
{
}

std::string TDragReciprocalFunction::Text(const Extended (&q)[4]) const
{
    return "{/{" +
           NumbersAsMarkup(SumText(std::vector<std::string>{""}, std::vector<Extended>{q[0]}, true, false)) +
           "}{" + Sum({std::string(1, Independent()), ""}, {q[1], q[2]}) + "}" +
           NumbersAsMarkup(TermText("", false, q[3]));
}
