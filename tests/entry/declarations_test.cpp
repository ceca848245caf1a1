// Declared constants and functions stay live in every formula that uses
// them, keep their identity when re-entered, carry families, and lines that
// use names not yet declared wait for them.
#include "entry/declarationlines.h"
#include "expr/analysis.h"
#include "expr/parser.h"
#include "formula/markup.h"
#include "platform/mainwindowbase.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TRecordingMainWindow : TMainWindowBase {
    std::vector<std::string> statuses;
    std::vector<bool> beeps;
    std::vector<std::string> clearedFamilies;
    void ShowStatus(std::string_view text, bool beep, bool) override
    {
        statuses.emplace_back(text);
        beeps.push_back(beep);
    }
    void ClearFamily(std::string_view name) override { clearedFamilies.emplace_back(name); }
};

class DeclarationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MainWindow = &window;
        FamilyEnd();
        Family = TFamilyState{};
        AngleFactor = RadiansFactor;
    }
    void TearDown() override
    {
        FamilyEnd();
        MainWindow = nullptr;
        AngleFactor = DegreesFactor;
    }

    TEvaluatorPtr Parse(const char* markup, std::uint32_t allowed = avX)
    {
        TElementList elements = ElementsFromText(markup);
        TParseParams params;
        params.declaredNames = &lines;
        StartParse(params, elements.get(), allowed, nullptr, false, EndOrTabTerminators());
        TEvaluatorPtr tree = ParseExpression(params);
        EXPECT_FALSE(HasError(params)) << markup << ": " << params.error.message;
        return tree;
    }

    static Extended At(TEvaluator* tree, Extended x)
    {
        Variables.x = x;
        return ResetAndEvaluate(tree);
    }

    TRecordingMainWindow window;
    std::vector<TEquationObject*> lines;
};

TEST_F(DeclarationsTest, NewConstantsGetAStepOfATenthOfTheirSize)
{
    struct {
        Extended value;
        Extended step;
    } cases[] = {{0, 0.1L}, {-20, 2}, {5, 0.5L}, {0.3L, 0.03L}};
    for (const auto& row : cases) {
        TDeclaredConstant constant("k", std::make_unique<TRealReader>(row.value));
        EXPECT_NEAR(static_cast<double>(constant.Step().Value()), static_cast<double>(row.step), 1e-15);
    }
    // names are kept lower-cased
    TDeclaredConstant upper("Speed", std::make_unique<TRealReader>(1));
    EXPECT_EQ(upper.Name(), "speed");
}

TEST_F(DeclarationsTest, ReenteringKeepsTheLineAndEveryUserFollows)
{
    auto k = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(5));
    lines.push_back(k.get());
    TEvaluatorPtr y = Parse("kx");
    EXPECT_EQ(static_cast<double>(At(y.get(), 2)), 10.0);
    const Extended oldStep = k->Constant().Step().Value();

    // k = 7 typed again: the old line keeps its identity and its step
    auto retyped = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(7));
    ASSERT_TRUE(k->SwapFormula(*retyped));
    retyped->AdoptStep(k.get());
    EXPECT_EQ(static_cast<double>(k->Constant().Value()), 7.0);
    EXPECT_EQ(static_cast<double>(k->Constant().Step().Value()), static_cast<double>(oldStep));
    EXPECT_EQ(static_cast<double>(At(y.get(), 2)), 14.0);

    // a different name or kind is not the same declaration
    auto other = TDynamicConstantEquation::Create("m", std::make_unique<TRealReader>(1));
    EXPECT_FALSE(k->SwapFormula(*other));
    TEvaluatorPtr body = Parse("x+1");
    TDeclaredFunctionEquation function("k", std::move(body));
    EXPECT_FALSE(k->SwapFormula(function));
}

TEST_F(DeclarationsTest, FamiliesDrawOncePerMemberOnlyForCurvesThatUseTheConstant)
{
    auto k = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(1));
    lines.push_back(k.get());
    k->SetFamily(3, std::make_unique<TRealReader>(0.5L));
    TEvaluatorPtr uses = Parse("kx");
    TEvaluatorPtr ignores = Parse("2x");

    std::vector<double> drawn;
    FamilyStart();
    do
        drawn.push_back(static_cast<double>(At(uses.get(), 1)));
    while (FamilyNext());
    EXPECT_EQ(drawn, (std::vector<double>{1, 1.5, 2}));

    int draws = 0;
    FamilyStart();
    do
        ++draws, (void)At(ignores.get(), 1);
    while (FamilyNext());
    EXPECT_EQ(draws, 1);

    // a family of one member ends at the next idle check
    k->SetFamily(1, std::make_unique<TRealReader>(0.5L));
    EXPECT_EQ(Family.constant, &k->Constant());
    FamilyIdleCheck();
    EXPECT_EQ(Family.constant, nullptr);

    // setting a new family ends the display of the old one first
    k->SetFamily(3, std::make_unique<TRealReader>(1));
    window.clearedFamilies.clear();
    k->SetFamily(4, std::make_unique<TRealReader>(1));
    EXPECT_EQ(window.clearedFamilies, (std::vector<std::string>{"k"}));
}

TEST_F(DeclarationsTest, AnOuterDrawingHoldsTheIteration)
{
    auto k = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(1));
    lines.push_back(k.get());
    k->SetFamily(2, std::make_unique<TRealReader>(1));
    TEvaluatorPtr uses = Parse("k");
    FamilyStart();
    (void)At(uses.get(), 0);
    EXPECT_TRUE(FamilyHold());
    // while held, an inner drawing neither restarts nor advances the family
    FamilyStart();
    EXPECT_FALSE(FamilyNext());
    EXPECT_EQ(Family.memberIndex, 0);
    EXPECT_TRUE(FamilyNextHeld());
    EXPECT_EQ(Family.memberIndex, 1);
    EXPECT_FALSE(FamilyNextHeld());
}

TEST_F(DeclarationsTest, FunctionsAreWrittenWithTheParameterAsX)
{
    TElementList text = ElementsFromText("t{^{2}+1");
    TParseParams params;
    StartParse(params, text.get(), 0, nullptr, false, EndOrTabTerminators());
    params.parameterName = "t";
    auto f = std::make_unique<TDeclaredFunctionEquation>("f", ParseExpression(params));
    EXPECT_EQ(f->WriteDefinition(), "f(x)=((((x)^(2)))+(1))");
    EXPECT_EQ(f->DeclarationToken(), 315);
    EXPECT_TRUE(f->HasProperty(0x8000));
    EXPECT_FALSE(f->UsesLineStore());

    lines.push_back(f.get());
    TEvaluatorPtr uses = Parse("f(x)+f(2x)");
    EXPECT_EQ(TreeToMarkup(uses.get()), "((f(x))+(f(((2)*(x)))))");
    EXPECT_TRUE(uses->DependsOn("f"));
    EXPECT_FALSE(uses->DependsOn("g"));
    EXPECT_EQ(static_cast<double>(At(uses.get(), 1)), 2.0 + 5.0);
}

TEST_F(DeclarationsTest, EachUseOfAFunctionKeepsItsOwnDiscontinuityState)
{
    // f(x) = int x, used twice: tracking reports a step only where one use steps
    TElementList text = ElementsFromText("int x");
    TParseParams params;
    StartParse(params, text.get(), 0, nullptr, false, EndOrTabTerminators());
    params.parameterName = "x";
    auto f = std::make_unique<TDeclaredFunctionEquation>("f", ParseExpression(params));
    lines.push_back(f.get());
    TEvaluatorPtr tree = Parse("f(x)+f(5)");
    Tracking = true;
    (void)At(tree.get(), 0.5);
    (void)At(tree.get(), 0.7);
    EXPECT_EQ(EvaluationStatus, esNormal); // f(5) does not see the steps of f(x)
    (void)At(tree.get(), 1.5);
    EXPECT_EQ(EvaluationStatus, esStep);
    Tracking = false;
}

TEST_F(DeclarationsTest, ReenteringAFunctionKeepsEveryUseOnTheNewDefinition)
{
    auto definition = [](const char* markup) {
        TElementList text = ElementsFromText(markup);
        TParseParams params;
        StartParse(params, text.get(), 0, nullptr, false, EndOrTabTerminators());
        params.parameterName = "x";
        return ParseExpression(params);
    };
    auto f = std::make_unique<TDeclaredFunctionEquation>("f", definition("{/{1}{x}"));
    lines.push_back(f.get());
    // two uses, each with its own pole memory: they see their divisors
    // change sign at different places
    TEvaluatorPtr tree = Parse("f(x)+f(x-1)");
    {
        // f(x) = 2/x typed again: the old line keeps the new definition and
        // the retyped line, holding the old one, is freed
        auto retyped = std::make_unique<TDeclaredFunctionEquation>("f", definition("{/{2}{x}"));
        ASSERT_TRUE(f->SwapFormula(*retyped));
    }
    EXPECT_EQ(static_cast<double>(At(tree.get(), 2)), 1.0 + 2.0);
    Tracking = true;
    (void)At(tree.get(), -0.5);
    (void)At(tree.get(), -0.25);
    EXPECT_EQ(EvaluationStatus, esNormal);
    (void)At(tree.get(), 0.5); // only f(x) crosses its pole
    EXPECT_EQ(EvaluationStatus, esPole);
    (void)At(tree.get(), 0.75);
    EXPECT_EQ(EvaluationStatus, esNormal);
    (void)At(tree.get(), 1.5); // now f(x - 1) crosses its own
    EXPECT_EQ(EvaluationStatus, esPole);
    Tracking = false;
}

TEST_F(DeclarationsTest, EndingAFamilyClearsItsDisplay)
{
    auto k = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(1));
    struct {
        const char* label;
        int members;
        void (*end)();
    } cases[] = {
        {"FamilyEnd (the Family command, an error in the family fields)", 3, [] { FamilyEnd(); }},
        {"one member at the idle check", 1, [] { FamilyIdleCheck(); }},
    };
    for (const auto& row : cases) {
        k->SetFamily(row.members, std::make_unique<TRealReader>(1));
        window.clearedFamilies.clear();
        row.end();
        EXPECT_EQ(Family.constant, nullptr) << row.label;
        EXPECT_EQ(window.clearedFamilies, (std::vector<std::string>{"k"})) << row.label;
    }
    // with no family shown there is nothing to clear
    window.clearedFamilies.clear();
    FamilyEnd();
    EXPECT_TRUE(window.clearedFamilies.empty());
}

TEST_F(DeclarationsTest, AnalysisTreatsDeclaredNamesByTheirKind)
{
    auto k = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(3));
    lines.push_back(k.get());
    k->SetFamily(3, std::make_unique<TRealReader>(10));
    TEvaluatorPtr tree = Parse("k");
    TFormulaAnalysis analysis;
    AnalyseTree(tree.get(), analysis, false);
    EXPECT_TRUE(analysis.constantFlag);
    EXPECT_EQ(static_cast<double>(analysis.constantValue), 3.0); // no family step

    TElementList text = ElementsFromText("x{^{2}");
    TParseParams params;
    StartParse(params, text.get(), 0, nullptr, false, EndOrTabTerminators());
    params.parameterName = "x";
    auto f = std::make_unique<TDeclaredFunctionEquation>("f", ParseExpression(params));
    lines.push_back(f.get());
    TEvaluatorPtr uses = Parse("f(x)");
    AnalyseTree(uses.get(), analysis, false);
    EXPECT_EQ(analysis.description, "f(");
    EXPECT_GE(analysis.functionCount, 1);
}

TEST_F(DeclarationsTest, ConstantLinesRebuildAndWriteTheirRecords)
{
    auto k = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(2.5L));
    k->RebuildLine();
    EXPECT_EQ(ElementsToText(k->Elements()), "k=2.5");
    EXPECT_EQ(k->WriteDefinition(), "k=2.5");
    TMathsWriter writer;
    k->WriteTo(writer);
    EXPECT_EQ(writer.Text(),
              "Curve\r\nk=2.5\r\n\tcolour = " + std::to_string(k->colour) +
                  "\r\n\tstyle = 0\r\n\tSwitches = 0\r\n\tLine thickness = 1\r\n\tStep:  2.500000E-0001\r\n");

    // with a family shown, the line ends with the filled family fields
    k->SetFamily(4, std::make_unique<TRealReader>(0.5L));
    k->RebuildLine();
    const std::string withFamily = ElementsToText(k->Elements());
    EXPECT_EQ(withFamily, std::string("k=2.5{fix \x05\x05{  (family of}{4}{, step}{0.5}{)}"));
    // ... and so does its record (documents and undo snapshots), or the family is lost
    TMathsWriter family;
    k->WriteTo(family);
    EXPECT_EQ(family.Text(), "Curve\r\n" + withFamily + "\r\n\tcolour = " + std::to_string(k->colour) +
                                 "\r\n\tstyle = 0\r\n\tSwitches = 0\r\n\tLine thickness = 1\r\n"
                                 "\tStep:  5.000000E-0001\r\n");
    EXPECT_TRUE(k->EndFamilyDisplay("K"));
    EXPECT_EQ(ElementsToText(k->Elements()), "k=2.5");
    EXPECT_FALSE(k->EndFamilyDisplay("m"));
}

TEST_F(DeclarationsTest, AFamilyStaysWithTheLineThatIsKeptAndEndsWithItsLine)
{
    // Re-entering "k=2 (family of 3, step 0.5)" over k=1: the old line is kept with the new values
    // and shows the family; the line entry made is freed.
    auto kept = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(1));
    auto entered = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(2));
    entered->SetFamily(3, std::make_unique<TRealReader>(0.5L));
    ASSERT_TRUE(kept->SwapFormula(*entered));
    entered.reset();
    EXPECT_EQ(Family.constant, &kept->Constant());
    EXPECT_EQ(Family.extraMembers, 2);
    EXPECT_EQ(kept->Constant().Value(), 2);
    TMathsWriter writer;
    kept->WriteTo(writer);
    EXPECT_NE(writer.Text().find("{fix \x05\x05{  (family of}{3}{, step}{0.5}{)}"), std::string::npos)
        << writer.Text();
    // Re-entered without family fields, the family ends.
    auto plain = TDynamicConstantEquation::Create("k", std::make_unique<TRealReader>(4));
    ASSERT_TRUE(kept->SwapFormula(*plain));
    plain.reset();
    EXPECT_EQ(Family.constant, nullptr);
    // A line freed while its family shows leaves no family pointing at it.
    kept->SetFamily(2, std::make_unique<TRealReader>(1));
    kept.reset();
    EXPECT_EQ(Family.constant, nullptr);
    EXPECT_EQ(Family.extraMembers, 0);
}

TEST_F(DeclarationsTest, WaitingLinesNameWhatIsMissing)
{
    auto object = std::make_unique<TEditor>();
    object->SetElements(ElementsFromText("y=ax"));
    TNeedsDefinitions waiting(std::move(object), {"a", "b"});
    EXPECT_EQ(waiting.NamesText(), "a,b");
    EXPECT_EQ(waiting.NoteText(), "  (a,b to be defined)");
    EXPECT_NE(dynamic_cast<TErrorEditObject*>(LastElement(waiting.Elements())), nullptr);
    // the note is not part of the formula: it writes nothing and tidying removes it
    EXPECT_EQ(ElementsToText(waiting.Elements()), "y=ax");

    waiting.ShowDragHandles(true);
    waiting.ShowDragHandles(false);
    waiting.ShowDragHandles(true);
    ASSERT_EQ(window.statuses.size(), 3u);
    EXPECT_EQ(window.statuses[0],
              "You must now define the constants or functions a,b for this curve to be drawn");
    EXPECT_EQ(window.statuses[1], "");
    EXPECT_EQ(window.beeps, (std::vector<bool>{true, false, false})); // beeps the first time only
}

} // namespace
