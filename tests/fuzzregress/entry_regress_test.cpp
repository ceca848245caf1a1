// Finished lines that once broke equation entry, found by fuzzing: each row
// is the line as markup and the kind of object entry must make of it. The
// inputs came from the clipboard-and-typing path; the faults showed under
// the sanitizers (use of a freed object), so these rows matter most in the
// sanitizer build.
#include "expr/declarations.h"
#include "expr/entry.h"
#include "formula/markup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

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

} // namespace
