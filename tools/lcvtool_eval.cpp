// lcvtool eval: parses one formula given in markup as the equations window
// parses it (all six variables allowed), sets the variables, evaluates the
// tree and prints its markup, value and evaluation status.
#include "lcvtool.h"
#include "lcvtool_arguments.h"

#include "expr/evaluator.h"
#include "expr/parser.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "numbers/numerics.h"
#include "settings/mathsreader.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace {

// Sets the variable named by the letter; false for an unknown letter.
bool SetVariable(char letter, Extended value)
{
    switch (letter) {
    case 'x':
        Variables.x = value;
        return true;
    case 'y':
        Variables.y = value;
        return true;
    case 't':
        Variables.t = value;
        return true;
    case 'q':
        Variables.theta = value;
        return true;
    case 'r':
        Variables.r = value;
        return true;
    case 'n':
        Variables.n = value;
        return true;
    default:
        return false;
    }
}

bool ParseAssignment(const std::string& text)
{
    if (text.size() < 3 || text[1] != '=')
        return false;
    const char* first = text.data() + 2;
    const char* last = text.data() + text.size();
    long double value = 0;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last)
        return false;
    return SetVariable(text[0], value);
}

} // namespace

int RunEval(const std::vector<std::string>& arguments)
{
    TToolArguments command("eval");
    command.Option({"degrees"}, {}, "angles in degrees (the default)");
    command.Option({"radians"}, {}, "angles in radians");
    command.Option(
        {"set"}, "VAR=VALUE",
        "gives the variable VAR (x, y, t, q for theta, r or n) the value VALUE; repeat it for several");
    command.Arguments("FORMULA", "the formula in markup; a formula may begin with \"-\"");
    command.FirstArgumentEndsOptions();
    if (const auto status = command.Parse(arguments))
        return *status;
    Variables = TVariableValues{};
    AngleFactor = DegreesFactor;
    for (const std::string& name : command.OptionOrder()) {
        if (name == "degrees")
            AngleFactor = DegreesFactor;
        else if (name == "radians")
            AngleFactor = RadiansFactor;
    }
    for (const std::string& assignment : command.Values("set"))
        if (!ParseAssignment(assignment))
            return command.Refuse(
                "--set needs VAR=VALUE with VAR one of x, y, t, q, r, n and VALUE a number, not " +
                assignment);
    const std::vector<std::string> formulas = command.Positional();
    if (formulas.empty())
        return command.Refuse("FORMULA is missing");
    if (formulas.size() > 1)
        return command.Refuse("unexpected argument " + formulas[1] + " after the formula");
    const std::string& formula = formulas[0];

    TElementList elements;
    try {
        elements = ElementsFromText(formula);
    } catch (const eReaderror& error) {
        std::printf("error: %s at 0\n", error.what());
        return 1;
    }
    Tidy(elements, tmFinish);
    TParseParams params;
    StartParse(params, elements.get(), avX | avY | avT | avR | avN | avTheta, nullptr, false,
               EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(params);
    if (HasError(params)) {
        std::printf("error: %s at %d\n", params.error.message, params.error.position);
        return 1;
    }
    FinishParse(params);
    Tracking = false;
    const Extended value = ResetAndEvaluate(tree.get());
    std::printf("tree: %s\n", TreeToMarkup(tree.get()).c_str());
    std::printf("value: %s\n", FormatNumber(10, false, value).c_str());
    std::printf("status: %d\n", static_cast<int>(EvaluationStatus));
    return 0;
}
