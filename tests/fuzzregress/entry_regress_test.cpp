// Finished lines that once broke equation entry, found by fuzzing: each row
// is the line as markup and what entry must make of it. The use of a freed
// constant shows only under the sanitizers, so those rows matter most in the
// sanitizer build.
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "formula/markup.h"
#include "plot/formulacurve.h"
#include "settings/mathswriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The declaration line f(x) = x² + 1.
std::unique_ptr<TDeclaredFunctionEquation> DeclareF()
{
    TElementList definition = ElementsFromText("t{^{2}+1");
    TParseParams params;
    StartParse(params, definition.get(), 0, nullptr, false, EndOrTabTerminators());
    params.parameterName = "t";
    return std::make_unique<TDeclaredFunctionEquation>("f", ParseExpression(params));
}

TEST(EntryRegress, ConstantsDefinedThroughUndeclaredNamesWaitWithoutTouchingTheFreedConstant)
{
    // A constant whose value names something not declared yet went into a
    // waiting line, which freed the constant; entry then gave the freed
    // constant its step or family.
    struct TRow {
        const char* what;
        std::string markup;
        std::string names;
    };
    const std::vector<TRow> rows = {
        {"found by the fuzzer", "SQ=Sb", "sb"},
        {"a plain name", "a=b", "b"},
        {"two names", "a=2b+c", "b,c"},
        {"with family fields", "m=b{fix \x05\x05{  (family of}{3}{, step}{0.5}{)}", "b"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        FamilyEnd();
        TEditor line;
        line.SetElements(ElementsFromText(row.markup));
        const std::vector<TEquationObject*> declared;
        TParseParams params;
        params.declaredNames = &declared;
        std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);
        EXPECT_FALSE(HasError(params)) << params.error.message;
        auto* waiting = dynamic_cast<TNeedsDefinitions*>(object.get());
        ASSERT_NE(waiting, nullptr);
        EXPECT_EQ(waiting->NamesText(), row.names);
        // No family may be left pointing at the freed constant.
        EXPECT_EQ(Family.constant, nullptr);
    }
    FamilyEnd();
}

TEST(EntryRegress, PromptsAfterARefusedNameStayInsideTheLine)
{
    // A name that is a description text ("o", the degree mark on screen) is
    // refused and passed over whole; the lexer then stepped one character
    // further, so the prompt for the revolutions was placed beyond the end
    // of the text, where the editor cannot put the caret.
    struct TRow {
        const char* what;
        std::string markup;
        bool declareF;
        int position;
    };
    const std::vector<TRow> rows = {
        {"found by the fuzzer",
         "r=2\tfo{2}r 2\x02"
         "ftoanr p",
         true, 2},
        {"f of a refused name", "r=2\tfo", true, 2},
        {"a refused name alone", "r=2\to", false, 1},
    };
    const auto f = DeclareF();
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        TEditor line;
        line.SetElements(ElementsFromText(row.markup));
        std::vector<TEquationObject*> declared;
        if (row.declareF)
            declared.push_back(f.get());
        TParseParams params;
        params.declaredNames = &declared;
        std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);
        EXPECT_EQ(object, nullptr);
        ASSERT_TRUE(HasError(params));
        EXPECT_STREQ(params.error.message, EntryMessage::TypeForRevs);
        ASSERT_NE(params.error.element, nullptr);
        EXPECT_EQ(params.error.position, row.position);
        EXPECT_LE(params.error.position, params.error.element->PositionCount());
    }
}

} // namespace

TEST(EntryRegress, InvertedLinesReadBackAsTheyAreWritten)
{
    // Inverting 9 = 2x built x = (9 - 0)/2 and kept it unfolded, while reading
    // the written line back folded it to 4.5: a document changed on its
    // second way through.
    auto written = [](const std::string& markup) {
        TEditor line;
        line.SetElements(ElementsFromText(markup));
        TParseParams params;
        std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);
        auto* curve = dynamic_cast<TFormulaCurve*>(object.get());
        if (!curve)
            return std::string("(not a curve)");
        TMathsWriter writer;
        curve->WriteDefinition(writer);
        return writer.Text();
    };
    const std::vector<std::string> lines = {"9=((2)*(x))", "9=2x+y", "3=x{^{2}-y", "-1<2y", "y=2(x-1)"};
    for (const std::string& markup : lines) {
        SCOPED_TRACE(markup);
        const std::string first = written(markup);
        EXPECT_EQ(written(first), first);
    }
}

TEST(EntryRegress, TransformationsAndShapesWithTooFewFieldsAreRefused)
{
    // A field list shorter than its word needs (a damaged document) was read
    // past its last field for the point; it is now refused as any fault is.
    const std::vector<std::string> rows = {
        "{fix \x01\xe9{Rotation about}",
        "{fix \x01\x01{Enlargement centre}",
        "{fix \x01\x01{Rotation about}{fix \x02\x01{Matrix}{{Mtrx \x02\x02{1}{0}{0}{1}}",
    };
    for (const std::string& markup : rows) {
        SCOPED_TRACE(markup);
        TEditor line;
        line.SetElements(ElementsFromText(markup));
        const std::vector<TEquationObject*> declared;
        TParseParams params;
        params.declaredNames = &declared;
        std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);
        EXPECT_TRUE(HasError(params));
    }
}
