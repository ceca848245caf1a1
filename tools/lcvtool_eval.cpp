// lcvtool eval: parses one formula given in markup as the equations window
// parses it (all six variables allowed), sets the variables, evaluates the
// tree and prints its markup, value and evaluation status.
#include "lcvtool.h"

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

int Usage()
{
    std::fprintf(stderr, "usage: lcvtool eval [--degrees | --radians] [--set VAR=VALUE]... [--] FORMULA\n");
    return 2;
}

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
    Variables = TVariableValues{};
    AngleFactor = DegreesFactor;
    std::string formula;
    bool haveFormula = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            if (i + 2 != arguments.size())
                return Usage();
            formula = arguments[i + 1];
            haveFormula = true;
            break;
        }
        if (argument == "--degrees") {
            AngleFactor = DegreesFactor;
        } else if (argument == "--radians") {
            AngleFactor = RadiansFactor;
        } else if (argument == "--set") {
            if (i + 1 >= arguments.size() || !ParseAssignment(arguments[i + 1]))
                return Usage();
            ++i;
        } else if (argument.rfind("--", 0) == 0 && argument.size() > 2) {
            return Usage();
        } else {
            if (haveFormula || i + 1 != arguments.size())
                return Usage();
            formula = argument;
            haveFormula = true;
        }
    }
    if (!haveFormula)
        return Usage();

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
