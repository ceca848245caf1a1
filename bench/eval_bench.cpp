// Cost of one evaluation of a formula, x swept over [-10, 10], measured in
// one run for: the compiled form of our evaluation trees (evaluated as a
// curve evaluates them: status reset, then the compiled form, fault flags
// and all); the trees themselves (ResetAndEvaluate); the
// same formula as native long double code using the C library; the same
// using our fast functions; native double; and muparser (double). Ends with a
// plain tab-separated table of nanoseconds per evaluation and the ratios of
// ours to native long double code with the same functions, with their
// geometric means. With --benchmark_repetitions the table takes the fastest
// repetition of each.
#include "entry/declarationlines.h"
#include "expr/compiledformula.h"
#include "expr/evaluator.h"
#include "expr/fastmath.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Samples = 1000;
constexpr long double YValue = 0.5L;
constexpr long double A = 1.5L, B = 2.2L, C = 0.3L;

struct TFormula {
    const char* label;
    const char* markup;   // as typed, in formula markup
    const char* muparser; // the same for muparser
    std::function<long double(long double, long double)> nativeLd;
    std::function<long double(long double, long double)> nativeFast;
    std::function<double(double, double)> nativeDouble;
};

const long double PiL = 3.14159265358979323846264338327950288L;

// The native versions are plain lambdas over the argument, the way a
// programmer would write the formula by hand.
const std::vector<TFormula>& Formulas()
{
    static const std::vector<TFormula> formulas = {
        {"x^2-3x+1", "x{^{2}-3x+1", "x^2-3*x+1", [](long double x, long double) { return x * x - 3 * x + 1; },
         [](long double x, long double) { return x * x - 3 * x + 1; },
         [](double x, double) { return x * x - 3 * x + 1; }},
        {"sin(2.2x)+cos(pi/x)", "sin(2.2x)+cos({p/x)", "sin(2.2*x)+cos(_pi/x)",
         [](long double x, long double) { return sinl(2.2L * x) + cosl(PiL / x); },
         [](long double x, long double) { return FastSin(2.2L * x) + FastCos(PiL / x); },
         [](double x, double) { return std::sin(2.2 * x) + std::cos(M_PI / x); }},
        {"sqrt(1-sin(2.2x)+cos(pi/x)/3.3)", "{sqrt{1-sin(2.2x)+cos({p/x)/3.3}",
         "sqrt(1-sin(2.2*x)+cos(_pi/x)/3.3)",
         [](long double x, long double) { return sqrtl(1 - sinl(2.2L * x) + cosl(PiL / x) / 3.3L); },
         [](long double x, long double) { return FastSqrt(1 - FastSin(2.2L * x) + FastCos(PiL / x) / 3.3L); },
         [](double x, double) { return std::sqrt(1 - std::sin(2.2 * x) + std::cos(M_PI / x) / 3.3); }},
        {"tan x", "tan x", "tan(x)", [](long double x, long double) { return tanl(x); },
         [](long double x, long double) { return FastSin(x) / FastCos(x); },
         [](double x, double) { return std::tan(x); }},
        {"1/(x-1)+ln x", "1/(x-1)+ln x", "1/(x-1)+ln(x)",
         [](long double x, long double) { return 1 / (x - 1) + logl(x); },
         [](long double x, long double) { return 1 / (x - 1) + (x > 0 ? FastLn(x) : 0); },
         [](double x, double) { return 1 / (x - 1) + std::log(x); }},
        {"exp(-x^2/2)/sqrt(2pi)", "exp(-x{^{2}/2)/{sqrt{2{p}", "exp(-x^2/2)/sqrt(2*_pi)",
         [](long double x, long double) { return expl(-x * x / 2) / sqrtl(2 * PiL); },
         [](long double x, long double) { return FastExp(-x * x / 2) / FastSqrt(2 * PiL); },
         [](double x, double) { return std::exp(-x * x / 2) / std::sqrt(2 * M_PI); }},
        {"a sin(bx+c)", "a sin(bx+c)", "a*sin(b*x+c)",
         [](long double x, long double) { return A * sinl(B * x + C); },
         [](long double x, long double) { return A * FastSin(B * x + C); },
         [](double x, double) { return 1.5 * std::sin(2.2 * x + 0.3); }},
        {"x^3", "x{^{3}", "x^3", [](long double x, long double) { return x * x * x; },
         [](long double x, long double) { return x * x * x; }, [](double x, double) { return x * x * x; }},
        {"x^1.5", "x{^{1.5}", "x^1.5", [](long double x, long double) { return powl(x, 1.5L); },
         [](long double x, long double) { return x > 0 ? FastExp2(1.5L * FastLog2(x)) : 0; },
         [](double x, double) { return std::pow(x, 1.5); }},
        {"int x+|x|", "int x+|x|", "floor(x)+abs(x)",
         [](long double x, long double) { return floorl(x) + fabsl(x); },
         [](long double x, long double) { return floorl(x) + fabsl(x); },
         [](double x, double) { return std::floor(x) + std::fabs(x); }},
        {"1/(x+1)+2/(x+2)+3/(x+3)", "1/(x+1)+2/(x+2)+3/(x+3)", "1/(x+1)+2/(x+2)+3/(x+3)",
         [](long double x, long double) { return 1 / (x + 1) + 2 / (x + 2) + 3 / (x + 3); },
         [](long double x, long double) { return 1 / (x + 1) + 2 / (x + 2) + 3 / (x + 3); },
         [](double x, double) { return 1 / (x + 1) + 2 / (x + 2) + 3 / (x + 3); }},
        {"x^2+y^2-1", "x{^{2}+y{^{2}-1", "x^2+y^2-1",
         [](long double x, long double y) { return x * x + y * y - 1; },
         [](long double x, long double y) { return x * x + y * y - 1; },
         [](double x, double y) { return x * x + y * y - 1; }},
        {"sin(xy)-cos(x+y)", "sin(xy)-cos(x+y)", "sin(x*y)-cos(x+y)",
         [](long double x, long double y) { return sinl(x * y) - cosl(x + y); },
         [](long double x, long double y) { return FastSin(x * y) - FastCos(x + y); },
         [](double x, double y) { return std::sin(x * y) - std::cos(x + y); }},
    };
    return formulas;
}

std::vector<long double> Sweep()
{
    std::vector<long double> xs(Samples);
    for (int i = 0; i < Samples; ++i)
        xs[i] = -10.0L + 20.0L * (i + 0.5L) / Samples; // never exactly 0
    return xs;
}

// The declarations a, b and c used by "a sin(bx+c)".
std::vector<std::unique_ptr<TDynamicConstantEquation>>& Declarations()
{
    static std::vector<std::unique_ptr<TDynamicConstantEquation>> lines = [] {
        std::vector<std::unique_ptr<TDynamicConstantEquation>> made;
        made.push_back(TDynamicConstantEquation::Create("a", std::make_unique<TRealReader>(A)));
        made.push_back(TDynamicConstantEquation::Create("b", std::make_unique<TRealReader>(B)));
        made.push_back(TDynamicConstantEquation::Create("c", std::make_unique<TRealReader>(C)));
        return made;
    }();
    return lines;
}

TEvaluatorPtr ParseFormula(const char* markup)
{
    static std::vector<TEquationObject*> declared;
    if (declared.empty())
        for (auto& line : Declarations())
            declared.push_back(line.get());
    TElementList elements = ElementsFromText(markup);
    Tidy(elements, tmFinish);
    TParseParams params;
    params.declaredNames = &declared;
    StartParse(params, elements.get(), avX | avY, nullptr, false, EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(params);
    if (HasError(params)) {
        std::fprintf(stderr, "cannot parse %s: %s\n", markup, params.error.message);
        std::abort();
    }
    return tree;
}

std::map<std::string, std::map<std::string, double>> results; // formula -> engine -> ns per evaluation

void Record(benchmark::State& state, const char* label, const char* engine)
{
    state.SetItemsProcessed(state.iterations() * Samples);
    (void)label;
    (void)engine;
}

// Our evaluation of the formula, as curves evaluate it: through its
// compiled form (status reset first), or through the tree.
template <bool Compiled> void Ours(benchmark::State& state, const TFormula* formula)
{
    AngleFactor = RadiansFactor;
    TEvaluatorPtr tree = ParseFormula(formula->markup);
    TCompiledFormula compiled;
    const auto xs = Sweep();
    Variables.y = YValue;
    for (auto _ : state) {
        long double sum = 0;
        for (long double x : xs) {
            Variables.x = x;
            ResetStatus();
            sum += Compiled ? compiled.Evaluate(tree.get()) : SafeEvaluate(tree.get());
        }
        benchmark::DoNotOptimize(sum);
    }
    Record(state, formula->label, Compiled ? "lumacurve" : "lumacurve_tree");
}

template <typename Real, typename Function>
void Native(benchmark::State& state, const TFormula* formula, Function function, const char* engine)
{
    std::vector<Real> xs;
    for (long double x : Sweep())
        xs.push_back(static_cast<Real>(x));
    const Real y = static_cast<Real>(YValue);
    for (auto _ : state) {
        Real sum = 0;
        for (Real x : xs) {
            benchmark::DoNotOptimize(x);
            sum += function(x, y);
        }
        benchmark::DoNotOptimize(sum);
    }
    Record(state, formula->label, engine);
}

double Floor(double x)
{
    return std::floor(x);
}

void MuParser(benchmark::State& state, const TFormula* formula)
{
    double x = 0, y = static_cast<double>(YValue), a = static_cast<double>(A), b = static_cast<double>(B),
           c = static_cast<double>(C);
    mu::Parser parser;
    parser.DefineVar("x", &x);
    parser.DefineVar("y", &y);
    parser.DefineVar("a", &a);
    parser.DefineVar("b", &b);
    parser.DefineVar("c", &c);
    parser.DefineFun("floor", Floor);
    parser.SetExpr(formula->muparser);
    std::vector<double> xs;
    for (long double value : Sweep())
        xs.push_back(static_cast<double>(value));
    for (auto _ : state) {
        double sum = 0;
        for (double value : xs) {
            x = value;
            sum += parser.Eval();
        }
        benchmark::DoNotOptimize(sum);
    }
    Record(state, formula->label, "muparser");
}

// Collects the time per evaluation of every run for the closing table.
class TTableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            const std::string name = run.benchmark_name();
            const auto slash = name.find('/');
            if (slash == std::string::npos)
                continue;
            const std::string engine = name.substr(0, slash);
            const std::string label = name.substr(slash + 1);
            // cpu_accumulated_time is in seconds over all iterations; of
            // repetitions the fastest, the one least disturbed by other work
            // on the machine.
            const double ns =
                run.cpu_accumulated_time * 1e9 / (static_cast<double>(run.iterations) * Samples);
            auto& slot = results[label][engine];
            slot = slot > 0 ? std::min(slot, ns) : ns;
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    for (const TFormula& formula : Formulas()) {
        const std::string label = formula.label;
        benchmark::RegisterBenchmark(("lumacurve/" + label).c_str(), Ours<true>, &formula);
        benchmark::RegisterBenchmark(("lumacurve_tree/" + label).c_str(), Ours<false>, &formula);
        benchmark::RegisterBenchmark(("native_ld/" + label).c_str(), [&formula](benchmark::State& state) {
            Native<long double>(state, &formula, formula.nativeLd, "native_ld");
        });
        benchmark::RegisterBenchmark(
            ("native_ld_fast/" + label).c_str(), [&formula](benchmark::State& state) {
                Native<long double>(state, &formula, formula.nativeFast, "native_ld_fast");
            });
        benchmark::RegisterBenchmark(("native_double/" + label).c_str(), [&formula](benchmark::State& state) {
            Native<double>(state, &formula, formula.nativeDouble, "native_double");
        });
        benchmark::RegisterBenchmark(("muparser/" + label).c_str(), MuParser, &formula);
    }
    benchmark::Initialize(&argc, argv);
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // Ratios to native long double code with the same fast functions, the
    // limit a compiled form can approach, and to muparser.
    std::printf(
        "\nformula\tlumacurve_ns\tlumacurve_tree_ns\tnative_ld_ns\tnative_ld_fast_ns\tnative_double_ns\t"
        "muparser_ns\tlumacurve/native_ld_fast\tlumacurve_tree/native_ld_fast\tlumacurve/muparser\n");
    double logSums[3] = {0, 0, 0};
    int count = 0;
    for (const TFormula& formula : Formulas()) {
        auto& row = results[formula.label];
        const double ratios[3] = {row["lumacurve"] / row["native_ld_fast"],
                                  row["lumacurve_tree"] / row["native_ld_fast"],
                                  row["lumacurve"] / row["muparser"]};
        std::printf("%s\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\n", formula.label,
                    row["lumacurve"], row["lumacurve_tree"], row["native_ld"], row["native_ld_fast"],
                    row["native_double"], row["muparser"], ratios[0], ratios[1], ratios[2]);
        for (int k = 0; k < 3; ++k)
            logSums[k] += std::log(ratios[k]);
        ++count;
    }
    if (count > 0)
        std::printf("geometric mean\t\t\t\t\t\t\t%.2f\t%.2f\t%.2f\n", std::exp(logSums[0] / count),
                    std::exp(logSums[1] / count), std::exp(logSums[2] / count));
    return 0;
}
