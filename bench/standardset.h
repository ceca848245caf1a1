// The standard set of 18 curves the benchmarks and screenshots draw: every
// curve kind, poles, steps, a domain edge, implicit curves, inequalities and
// a family, parsed from markup. Angles are meant in radians.
#pragma once

#include "entry/declarationlines.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "plot/formulacurve.h"
#include "plot/implicitfunction.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace standardset {

struct TSetCurve {
    std::string name;
    std::unique_ptr<TCurvePLotter> curve;
    bool implicit = false;
};

// The set and the family constant its last curve uses.
struct TStandardSet {
    std::vector<TEquationObject*> declared;
    std::unique_ptr<TDynamicConstantEquation> familyConstant;
    std::vector<TSetCurve> curves;
};

inline TEvaluatorPtr Parse(TStandardSet& set, const std::string& markup)
{
    TElementList elements = ElementsFromText(markup);
    Tidy(elements, tmFinish);
    TParseParams parse;
    parse.declaredNames = &set.declared;
    StartParse(parse, elements.get(), avX | avY | avT | avR | avN | avTheta, nullptr, false,
               EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(parse);
    if (HasError(parse)) {
        std::fprintf(stderr, "cannot parse %s: %s\n", markup.c_str(), parse.error.message);
        std::exit(1);
    }
    return tree;
}

inline std::unique_ptr<TStandardSet> MakeStandardSet()
{
    auto set = std::make_unique<TStandardSet>();
    set->familyConstant = TDynamicConstantEquation::Create("a", std::make_unique<TRealReader>(-5));
    set->declared.push_back(set->familyConstant.get());
    auto p = [&](const std::string& markup) { return Parse(*set, markup); };
    auto number = [](Extended v) { return std::make_unique<TConstantEvaluator>(v); };
    auto add = [&](std::string name, std::unique_ptr<TCurvePLotter> curve, bool implicit = false) {
        curve->SetDrawFlag(true);                   // no first-drawing messages
        curve->SetElements(ElementsFromText(name)); // the line as the equations window shows it
        curve->colour = CurveColour(static_cast<int>(set->curves.size()));
        set->curves.push_back({std::move(name), std::move(curve), implicit});
    };
    add("y=sin x", std::make_unique<TYofX>(p("sin x"), rlEqual));
    add("y=tan x", std::make_unique<TYofX>(p("tan x"), rlEqual));
    add("y=1/x", std::make_unique<TYofX>(p("1/x"), rlEqual));
    add("y=sin(1/x)", std::make_unique<TYofX>(p("sin(1/x)"), rlEqual));
    add("y=sqrt(4-x^2)", std::make_unique<TYofX>(p("{sqrt{4-x{^{2}}"), rlEqual));
    add("y=int x", std::make_unique<TYofX>(p("int x"), rlEqual));
    add("y=x^3-3x", std::make_unique<TYofX>(p("x{^{3}-3x"), rlEqual));
    add("x=y^2", std::make_unique<TXofY>(p("y{^{2}"), rlEqual));
    add("(cos 3t, sin 5t)", std::make_unique<TYParametric>(p("sin 5t"), p("cos 3t"), number(0), p("2{p")));
    add("r=sin 4theta", std::make_unique<TRofTheta>(p("sin 4{q"), number(1)));
    add("r=theta to 20pi", std::make_unique<TRofTheta>(p("{q"), number(10)));
    add("x^2+y^2=4", std::make_unique<TImplicitFunction>(p("x{^{2}+y{^{2}-4"), rlEqual), true);
    add("x^3+y^3=3xy", std::make_unique<TImplicitFunction>(p("x{^{3}+y{^{3}-3xy"), rlEqual), true);
    add("sin(xy)=cos(x+y)", std::make_unique<TImplicitFunction>(p("sin(xy)-cos(x+y)"), rlEqual), true);
    add("y^2=x^3-x", std::make_unique<TImplicitFunction>(p("y{^{2}-(x{^{3}-x)"), rlEqual), true);
    add("y<sin x", std::make_unique<TYofX>(p("sin x"), rlLess));
    add("x^2+y^2<4", std::make_unique<TImplicitFunction>(p("x{^{2}+y{^{2}-4"), rlLess), true);
    add("y=ax^2 family", std::make_unique<TYofX>(p("ax{^{2}"), rlEqual));
    // a = -5, -4.5, ..., 5.
    set->familyConstant->SetFamily(21, std::make_unique<TRealReader>(0.5L));
    return set;
}

} // namespace standardset
