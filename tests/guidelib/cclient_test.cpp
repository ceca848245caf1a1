// The library as a plain C client sees it.
#include <gtest/gtest.h>

extern "C" int LumatutorExportsSeenFromC(void);

namespace {

TEST(GuideCClient, SeesEveryExportWithItsTypes)
{
    EXPECT_EQ(LumatutorExportsSeenFromC(), 36);
}

} // namespace
