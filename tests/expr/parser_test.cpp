// The parser reads the pupils' notation: each row is a formula in markup,
// the values of the variables, and the value the tree must give (or the
// message it must report, with its position).
#include "declaredlines.h"
#include "expr/parser.h"
#include "expr/realreader.h"
#include "formula/editor.h"
#include "formula/markup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr std::uint32_t AllVariables = avX | avY | avT | avR | avN | avTheta;

struct TParsed {
    TElementList elements;
    TParseParams params;
    TEvaluatorPtr tree;
    std::string message;
    int position = -1;
};

// Parses markup as a whole formula with the given variables allowed.
std::unique_ptr<TParsed> Parse(const std::string& markup, std::uint32_t allowed = AllVariables,
                               const std::vector<TEquationObject*>* declared = nullptr,
                               std::vector<std::string>* undefined = nullptr)
{
    auto parsed = std::make_unique<TParsed>();
    parsed->elements = ElementsFromText(markup);
    Tidy(parsed->elements, tmFinish);
    parsed->params.declaredNames = declared;
    StartParse(parsed->params, parsed->elements.get(), allowed, undefined, false, EndOrTabTerminators());
    parsed->tree = ParseExpression(parsed->params);
    if (HasError(parsed->params)) {
        parsed->message = parsed->params.error.message;
        parsed->position = parsed->params.error.position;
    }
    return parsed;
}

Extended ValueAt(TEvaluator* tree, Extended x, Extended y = 0)
{
    Variables = TVariableValues{};
    Variables.x = x;
    Variables.y = y;
    return ResetAndEvaluate(tree);
}

class ParserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AngleFactor = RadiansFactor;
        Tracking = false;
    }
    void TearDown() override { AngleFactor = DegreesFactor; }
};

struct TValueCase {
    const char* markup;
    Extended x;
    Extended y;
    Extended expected;
};

TEST_F(ParserTest, PupilsNotationMeansWhatPupilsMean)
{
    const Extended s = std::sin(2.0L), c = std::cos(2.0L);
    const TValueCase cases[] = {
        {"2x^2", 3, 0, 18},               // 2·(x²)
        {"2x{^{2}", 3, 0, 18},            // with an index element
        {"1/2x", 2, 0, 0.25},             // 1/(2x)
        {"sin 2x", 1, 0, std::sin(2.0L)}, // sin(2x)
        {"sin x cos x", 2, 0, s * c},     // sin(x)·cos(x)
        {"sin x + 1", 2, 0, s + 1},       // sin(x) + 1
        {"-x^2", 3, 0, -9},               // −(x²)
        {"2x!", 2, 0, 24},                // (2x)!
        {"2(x+1)", 2, 0, 6},
        {"(x+1)(x-1)", 3, 0, 8},
        {"(x+1){^{2}", 2, 0, 9}, // the index squares the whole bracket
        {"|x|+|y|", -2, -3, 5},
        {"2|x|", -2, 0, 4},
        {"2{/{1}{2}", 0, 0, 2.5},                // a mixed number
        {"2 {/{1}{2}", 0, 0, 2.5},               // blanks between are allowed
        {"x{/{1}{2}", 3, 0, 1.5},                // x times a half
        {"2{/{x}{2}", 3, 0, 3},                  // only whole numbers make a mixed number:
        {"3{/{x+1}{2}", 3, 0, 6},                // 3 times (x + 1)/2,
        {"2{/{-1}{2}", 0, 0, -1},                // 2 times minus a half,
        {"2.5{/{1}{2}", 0, 0, 1.25},             // 2.5 times a half
        {"sin{^{2}x", 2, 0, s * s},              // sin²x = (sin x)²
        {"sin{^{-1}x", 0.5, 0, std::asin(0.5L)}, // sin⁻¹x = arcsin x
        {"sin{^{1}x", 2, 0, s},
        {"2^3^2", 0, 0, 64}, // (2³)² : powers bind left to right
        {"{sqrt{x+7}", 2, 0, 3},
        {"e{^{x}", 1, 0, std::exp(1.0L)},
        {"2{p", 0, 0, 2 * Pi},
        {"{\xB1"
         "x",
         3, 0, 3}, // the + branch until chosen otherwise
        {"3{\xB4"
         "x",
         2, 0, 6},
        {"x/2/2", 8, 0, 2},
        {"10-3-2", 0, 0, 5},
    };
    for (const TValueCase& row : cases) {
        auto parsed = Parse(row.markup);
        ASSERT_EQ(parsed->message, "") << row.markup;
        EXPECT_NEAR(static_cast<double>(ValueAt(parsed->tree.get(), row.x, row.y)),
                    static_cast<double>(row.expected), 1e-12)
            << row.markup;
    }
}

TEST_F(ParserTest, SpellingsAndCaseGiveTheSameTree)
{
    const std::string reference = TreeToMarkup(Parse("sin x")->tree.get());
    for (const char* markup : {"sine x", "SIN X", "Sine X", "sin(x)"})
        EXPECT_EQ(TreeToMarkup(Parse(markup)->tree.get()), reference) << markup;
    EXPECT_EQ(TreeToMarkup(Parse("arcsin x")->tree.get()), TreeToMarkup(Parse("asin x")->tree.get()));
    EXPECT_EQ(TreeToMarkup(Parse("integer x")->tree.get()), TreeToMarkup(Parse("int x")->tree.get()));
    EXPECT_EQ(TreeToMarkup(Parse("cosec x")->tree.get()).rfind("cosec", 0), 0u);
    EXPECT_EQ(TreeToMarkup(Parse("sinh x")->tree.get()).rfind("sinh", 0), 0u);
}

TEST_F(ParserTest, ConstantsAreFoldedWhileParsing)
{
    auto parsed = Parse("2+3{\xB4"
                        "4");
    ASSERT_EQ(parsed->message, "");
    EXPECT_EQ(parsed->tree->TokenCode(), tkConstant);
    EXPECT_EQ(TreeToMarkup(parsed->tree.get()), "14");
    // a variable stops folding of its own sub-expression only
    parsed = Parse("x+2{\xB4"
                   "3");
    EXPECT_EQ(TreeToMarkup(parsed->tree.get()), "((x)+(6))");
}

struct TErrorCase {
    const char* markup;
    std::uint32_t allowed;
    const char* message;
    int position;
};

TEST_F(ParserTest, ProblemsAreReportedWithMessageAndPosition)
{
    const TErrorCase cases[] = {
        // numbers: a second point, and a point without a digit
        {"1..2", AllVariables, "You cannot have two points in a number", 0},
        {"1.2.3", AllVariables, "You cannot have two points in a number", 0},
        {"x+0.5.5", AllVariables, "You cannot have two points in a number", 2},
        {".", AllVariables, "There must be a number after the decimal point", 0},
        {"x+.", AllVariables, "There must be a number after the decimal point", 2},
        {"5.+x", AllVariables, nullptr, -1},
        {".5x", AllVariables, nullptr, -1},
        {"123456789012345678901234567890123456789", AllVariables, "This number is too big", 0},
        {"{sqrt{-1}", AllVariables, "This number is complex", 0},
        {"1/0", AllVariables, "This number is too big", 0},
        {"2.5!", AllVariables, "This number must be an integer", 0},
        {"sin{^{1.5}x", AllVariables, "This must be a positive whole number or -1", 0},
        {"(x+1", AllVariables, "Right bracket missing", 4},
        {"x+1)", AllVariables, "Left bracket missing", 3},
        {"|x", AllVariables, "Missing modulus sign", 2},
        {"x+", AllVariables, "I do not understand this formula", 2},
        {"x$", AllVariables, "I do not understand this character or word", 1},
        {"x+y", avX, "You cannot have this variable here", 2},
        {"2x+3y", avX | avY, nullptr, -1},
        {"x*", AllVariables, "I do not understand this formula", 2},
        {"for", AllVariables, "You cannot put this word in the middle of this formula", 0},
        {"{/{}{2}", AllVariables, "You must put a formula here", 0},
        // a missing operand is reported where it is missing, not at the start
        {"x+()", AllVariables, "I do not understand this formula", 3},
        {"sin()", AllVariables, "I do not understand this formula", 4},
        {"xxxx(x+)", AllVariables, "I do not understand this formula", 7},
        // a failing constant is reported where its operand starts
        {"x+(2-3){^{0.5}", AllVariables, "This number is complex", 2},
        {"x+(2-3)^0.5", AllVariables, "This number is complex", 2},
    };
    for (const TErrorCase& row : cases) {
        auto parsed = Parse(row.markup, row.allowed);
        if (!row.message) {
            EXPECT_EQ(parsed->message, "") << row.markup;
            continue;
        }
        EXPECT_EQ(parsed->message, row.message) << row.markup;
        EXPECT_EQ(parsed->position, row.position) << row.markup;
        ASSERT_NE(parsed->tree, nullptr) << row.markup; // never nothing, even after an error
    }
}

TEST_F(ParserTest, FirstSpecificMessageWinsAndParsingGoesOn)
{
    // y is not allowed, then a bracket is missing: the first specific message stays
    auto parsed = Parse("y+(x", avX);
    EXPECT_EQ(parsed->message, "You cannot have this variable here");
    EXPECT_EQ(parsed->position, 0);
    // the error points at the element holding the problem
    parsed = Parse("x+{/{1}{y}", avX);
    EXPECT_EQ(parsed->message, "You cannot have this variable here");
    ASSERT_NE(parsed->params.error.element, nullptr);
    auto* run = dynamic_cast<TStringEditObject*>(parsed->params.error.element);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->Text(), "y");
}

TEST_F(ParserTest, AnErrorInsideAFractionKeepsItsElement)
{
    auto parsed = Parse("xxxx+{/{x+}{2}");
    EXPECT_EQ(parsed->message, "I do not understand this formula");
    EXPECT_EQ(parsed->position, 2);
    auto* run = dynamic_cast<TStringEditObject*>(parsed->params.error.element);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->Text(), "x+");
}

TEST_F(ParserTest, PlusOrMinusIsNeverFolded)
{
    // each sign is a branch of the curve: 2 ± 1 is 3 and 1, not 3
    for (const char* markup : {"2{\xB1"
                               "1",
                               "{\xB1"
                               "3",
                               "{\xB1"
                               "1{\xB1"
                               "{sqrt{4}",
                               "-({\xB1"
                               "2)"}) {
        auto parsed = Parse(markup);
        ASSERT_EQ(parsed->message, "") << markup;
        EXPECT_NE(parsed->tree->TokenCode(), tkConstant) << markup;
        bool found = false;
        parsed->tree->ForEachNode(
            [](void* data, TEvaluator* node, void*) {
                if (dynamic_cast<TPlusOrMinusEvaluator*>(node))
                    *static_cast<bool*>(data) = true;
            },
            &found, nullptr);
        EXPECT_TRUE(found) << markup;
    }
    // what holds no ± is still folded
    EXPECT_EQ(Parse("2+{sqrt{4}")->tree->TokenCode(), tkConstant);
}

TEST_F(ParserTest, NumberTextsRefuseNotANumberAndInfinity)
{
    // the standard conversion reads these; a field or document must not
    for (const char* text : {"nan", "NaN", "-nan", "inf", "-INF", "infinity", "-infinity"}) {
        TRealReaderPtr number = NumberFromText(text, nullptr);
        EXPECT_TRUE(std::isfinite(number->Value())) << text;
        EXPECT_NE(dynamic_cast<TNeedsDefRealReader*>(number.get()), nullptr) << text;
    }
    EXPECT_EQ(static_cast<double>(NumberFromText("-2.5e3", nullptr)->Value()), -2500.0);
}

TEST_F(ParserTest, RelationsEndTheFirstExpression)
{
    struct TRelationCase {
        const char* markup;
        int relation;
    } cases[] = {
        {"y=3x+1", rlEqual},
        {"x>=2", rlGreaterEqual},
        {"x=>2", rlGreaterEqual},
        {"x<=2", rlLessEqual},
        {"x=<2", rlLessEqual},
        {"x<2", rlLess},
        {"x>2", rlGreater},
        {"x{\xB3"
         "2",
         rlGreaterEqual},
        {"x{\xA3"
         "2",
         rlLessEqual},
    };
    for (const auto& row : cases) {
        const std::string markup = row.markup;
        TElementList elements = ElementsFromText(markup);
        Tidy(elements, tmFinish);
        TParseParams params;
        StartParse(params, elements.get(), avX | avY, nullptr, false, RelationTerminators());
        TEvaluatorPtr left = ParseExpression(params);
        EXPECT_FALSE(HasError(params))
            << row.markup << ": " << (params.error.message ? params.error.message : "");
        EXPECT_EQ(params.relation, row.relation) << row.markup;
        params.terminators = EndOrTabTerminators();
        TEvaluatorPtr right = ParseNext(params);
        EXPECT_FALSE(HasError(params))
            << row.markup << ": " << (params.error.message ? params.error.message : "");
        if (std::string(row.markup) == "y=3x+1") {
            EXPECT_EQ(left->TokenCode(), vcY);
            EXPECT_EQ(static_cast<double>(ValueAt(right.get(), 2)), 7.0);
        }
    }
}

TEST_F(ParserTest, SingleVariableModeKeepsTheFirstVariable)
{
    TElementList elements = ElementsFromText("x+y");
    Tidy(elements, tmFinish);
    TParseParams params;
    StartParse(params, elements.get(), avX | avY, nullptr, true, EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(params);
    EXPECT_STREQ(params.error.message, "You cannot have this variable here");
    EXPECT_EQ(params.error.position, 2);
    EXPECT_EQ(params.usedVariables, avX);
    ASSERT_EQ(params.variablePositions.size(), 1u);
    EXPECT_EQ(params.variablePositions[0].letter, 'x');
}

TEST_F(ParserTest, ThetaIsAllowedOnlyWhereAsked)
{
    EXPECT_EQ(Parse("2{q", avTheta)->message, "");
    EXPECT_EQ(Parse("2{q", avX)->message, "You cannot have this variable here");
}

TEST_F(ParserTest, WholeNumbersAndWords)
{
    TElementList elements = ElementsFromText("7/2");
    TParseParams params;
    StartParse(params, elements.get(), 0, nullptr, false, EndOrTabTerminators());
    (void)ReadWholeNumber(params, true);
    EXPECT_STREQ(params.error.message, "This number must be an integer");

    elements = ElementsFromText("-3");
    StartParse(params, elements.get(), 0, nullptr, false, EndOrTabTerminators());
    EXPECT_EQ(static_cast<double>(ReadWholeNumber(params, false)), -3.0);
    EXPECT_FALSE(HasError(params));
    elements = ElementsFromText("-3");
    StartParse(params, elements.get(), 0, nullptr, false, EndOrTabTerminators());
    (void)ReadWholeNumber(params, true);
    EXPECT_STREQ(params.error.message, "This must be a positive number");

    // "for" ends the expression as a word when words are allowed
    elements = ElementsFromText("for x");
    StartParse(params, elements.get(), avX, nullptr, false, EndOrTabTerminators());
    EXPECT_EQ(PeekWord(params), tkFor);
    EXPECT_FALSE(HasError(params));
    // "half" is a number only where allowed
    elements = ElementsFromText("half");
    StartParse(params, elements.get(), 0, nullptr, false, EndOrTabTerminators());
    params.halfAndQuarterAllowed = true;
    EXPECT_EQ(static_cast<double>(EvaluateConstant(params)), 0.5);
    // dy/dx as a fraction of the two words is the dy/dx token
    elements = ElementsFromText("{/{dy}{dx}");
    StartParse(params, elements.get(), avX | avY, nullptr, false, RelationTerminators());
    EXPECT_EQ(PeekWord(params), tkDyDx);
}

TEST_F(ParserTest, HostileInputIsRefusedWithAMessage)
{
    // 200000 nested brackets in one text run: a message, not a stack overflow
    TElementList deep(new TEditorObject);
    deep->next = new TStringEditObject(std::string(200000, '(') + "x");
    TParseParams params;
    StartParse(params, deep.get(), avX, nullptr, false, EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(params);
    EXPECT_STREQ(params.error.message, "I do not understand this formula");

    // as many minus signs and functions
    FreeList(deep->next);
    deep->next = new TStringEditObject(std::string(100000, '-') + "x");
    StartParse(params, deep.get(), avX, nullptr, false, EndOrTabTerminators());
    tree = ParseExpression(params);
    EXPECT_STREQ(params.error.message, "I do not understand this formula");

    // a very long sum builds a tree too tall to evaluate safely
    std::string sum = "x";
    for (int i = 0; i < 20000; ++i)
        sum += "+x";
    FreeList(deep->next);
    deep->next = new TStringEditObject(sum);
    StartParse(params, deep.get(), avX, nullptr, false, EndOrTabTerminators());
    tree = ParseExpression(params);
    EXPECT_STREQ(params.error.message, "I do not understand this formula");

    // a sum within the bound is fine
    sum = "x";
    for (int i = 0; i < 500; ++i)
        sum += "+x";
    FreeList(deep->next);
    deep->next = new TStringEditObject(sum);
    StartParse(params, deep.get(), avX, nullptr, false, EndOrTabTerminators());
    tree = ParseExpression(params);
    EXPECT_FALSE(HasError(params));
    EXPECT_EQ(static_cast<double>(ValueAt(tree.get(), 2)), 1002.0);
}

TEST_F(ParserTest, DeclaredNamesAreFoundAndSelfReferenceRefused)
{
    auto k = MakeConstantLine("k", std::make_unique<TRealReader>(5));
    std::vector<TEquationObject*> lines = {k.get()};
    auto parsed = Parse("kx+1", avX, &lines);
    ASSERT_EQ(parsed->message, "");
    EXPECT_EQ(static_cast<double>(ValueAt(parsed->tree.get(), 2)), 11.0);
    EXPECT_TRUE(parsed->tree->DependsOn("k"));

    // the constant stays live: changing it changes the tree's value
    k->Constant().SetValueObject(std::make_unique<TRealReader>(7));
    EXPECT_EQ(static_cast<double>(ValueAt(parsed->tree.get(), 2)), 15.0);

    // defining k in terms of itself is refused
    TElementList elements = ElementsFromText("2k");
    TParseParams params;
    params.declaredNames = &lines;
    StartParse(params, elements.get(), 0, nullptr, false, EndOrTabTerminators());
    const std::string name = "k";
    params.definedName = &name;
    TEvaluatorPtr tree = ParseExpression(params);
    EXPECT_STREQ(params.error.message, "A name cannot refer to itself");

    // unknown names wait for a definition when a list is given; trailing variables are given back
    std::vector<std::string> undefined;
    parsed = Parse("ax+b", avX, &lines, &undefined);
    EXPECT_EQ(parsed->message, "");
    EXPECT_EQ(undefined, (std::vector<std::string>{"a", "b"}));

    // without a list of declared names an unknown letter is a bad character
    EXPECT_EQ(Parse("ax", avX)->message, "I do not understand this character or word");
    // a typed name equal to a description text is refused (markup would read it as the description)
    TElementList typed(new TEditorObject);
    typed->next = new TStringEditObject("angle");
    std::vector<std::string> undefined2;
    StartParse(params, typed.get(), avX, &undefined2, false, EndOrTabTerminators());
    params.declaredNames = &lines;
    params.definedName = nullptr;
    tree = ParseExpression(params);
    EXPECT_STREQ(params.error.message, "You cannot use this name for a constant");
}

TEST_F(ParserTest, DeclaredFunctionsTakeTheirOwnArguments)
{
    // f(t) = t² + 1 declared with parameter t
    TElementList definition = ElementsFromText("t{^{2}+1");
    TParseParams params;
    StartParse(params, definition.get(), 0, nullptr, false, EndOrTabTerminators());
    params.parameterName = "t";
    TEvaluatorPtr tree = ParseExpression(params);
    ASSERT_FALSE(HasError(params)) << params.error.message;
    auto f = std::make_unique<TTestFunctionLine>("f", std::move(tree));
    EXPECT_EQ(TreeToMarkup(f->Function().Definition()), "((((x)^(2)))+(1))");

    std::vector<TEquationObject*> lines = {f.get()};
    // g(x) = f(x + 1): parsed with the parameter x
    TElementList gText = ElementsFromText("f(x+1)");
    StartParse(params, gText.get(), 0, nullptr, false, EndOrTabTerminators());
    params.declaredNames = &lines;
    params.parameterName = "x";
    TEvaluatorPtr gTree = ParseExpression(params);
    ASSERT_FALSE(HasError(params)) << params.error.message;
    auto g = std::make_unique<TTestFunctionLine>("g", std::move(gTree));
    lines.push_back(g.get());

    auto parsed = Parse("g(x)+f(2)", avX, &lines);
    ASSERT_EQ(parsed->message, "");
    ParameterValue = 123;
    // g(3) = f(4) = 17; f(2) = 5
    EXPECT_EQ(static_cast<double>(ValueAt(parsed->tree.get(), 3)), 22.0);
    EXPECT_EQ(static_cast<double>(ParameterValue), 123.0); // the outer parameter is restored
}

} // namespace
