// Implicit curves keep the dots of their last complete drawing: a repaint
// without a change replays them without evaluating F, and whatever changes
// the curve or only paints part of it scans again.
#include "formulacurve_testing.h"

#include "plot/implicitfunction.h"

using namespace curvetesting;

namespace {

// F wrapped in a node that counts its evaluations (a kind the compiled form
// evaluates as a subtree).
int Evaluations = 0;
class TCountingEvaluator : public TUnaryEvaluator {
public:
    using TUnaryEvaluator::TUnaryEvaluator;
    Extended Apply(Extended value) override
    {
        ++Evaluations;
        return value;
    }
};

class ImplicitCache : public CurveImageTest {
protected:
    TEvaluatorPtr Counted(const std::string& markup)
    {
        return std::make_unique<TCountingEvaluator>(Formula(markup));
    }
    // Draws curve onto a fresh image; answers the picture and counts the evaluations.
    QImage DrawAfresh(TCurvePLotter& curve, int& evaluations)
    {
        NewImage();
        Evaluations = 0;
        Draw(curve);
        evaluations = Evaluations;
        return Finished().copy();
    }
};

TEST_F(ImplicitCache, ARepaintWithoutChangeReplaysTheSamePictureWithoutEvaluating)
{
    struct TRow {
        const char* formula;
        int relation;
    };
    const TRow rows[] = {
        {"x{^{2}+y{^{2}-4", rlEqual}, {"x{^{2}+y{^{2}-4", rlLess}, {"x{^{3}+y{^{3}-3xy", rlGreaterEqual}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.formula);
        TImplicitFunction curve(Counted(row.formula), row.relation);
        int first = 0, second = 0;
        const QImage drawn = DrawAfresh(curve, first);
        ASSERT_NE(curve.LineStore(), nullptr);
        EXPECT_EQ(curve.LineStore()->State, lsComplete);
        const QImage replayed = DrawAfresh(curve, second);
        EXPECT_GT(first, 1000);
        EXPECT_EQ(second, 0);
        EXPECT_GT(DarkCount(drawn), 100);
        EXPECT_TRUE(replayed == drawn);
    }
}

TEST_F(ImplicitCache, ChangesAndPartialRepaintsScanAgain)
{
    TImplicitFunction circle(Counted("x{^{2}+y{^{2}-4"), rlEqual);
    int evaluations = 0;

    // A repaint rectangle draws only part of the curve: not a cache.
    const QRect strip(Pixel(1, 0).x(), 0, 80, Height);
    params->PaintRect = &strip;
    (void)DrawAfresh(circle, evaluations);
    params->PaintRect = nullptr;
    EXPECT_GT(evaluations, 0);
    const QImage whole = DrawAfresh(circle, evaluations);
    EXPECT_GT(evaluations, 0);
    EXPECT_TRUE(DarkNear(whole, Pixel(-2, 0), 1)); // the part outside the strip is there

    // A new formula of the same kind takes the place of the old one.
    TImplicitFunction larger(Counted("x{^{2}+y{^{2}-9"), rlEqual);
    ASSERT_TRUE(circle.SwapFormula(larger));
    const QImage swapped = DrawAfresh(circle, evaluations);
    EXPECT_GT(evaluations, 0);
    EXPECT_TRUE(DarkNear(swapped, Pixel(-3, 0), 1));
    EXPECT_FALSE(DarkNear(swapped, Pixel(-2, 0), 2));

    // Drawing without caching (as the accuracy measurement does) always scans.
    DrawMode = dmNoCache;
    (void)DrawAfresh(circle, evaluations);
    EXPECT_GT(evaluations, 0);
    DrawMode = 0;

    // The owner discards the cache when the scales change.
    (void)DrawAfresh(circle, evaluations);
    (void)DrawAfresh(circle, evaluations);
    EXPECT_EQ(evaluations, 0);
    circle.DiscardLineStore();
    (void)DrawAfresh(circle, evaluations);
    EXPECT_GT(evaluations, 0);
}

} // namespace

TEST_F(ImplicitCache, FormulasThatRememberNothingAreNotEvaluatedTwiceAndDrawTheSameDots)
{
    // The counting node is opaque to the compiled form, so the counted twin
    // is scanned as a formula that may remember: with every evaluation that
    // puts memory back after a refinement or checks a column for a jump.
    const char* formulas[] = {"y{^{2}-x{^{3}+x", "x{^{3}+y{^{3}-3xy", "x{^{2}-y{^{2}-1"};
    for (const char* markup : formulas) {
        SCOPED_TRACE(markup);
        TImplicitFunction plain(Formula(markup), rlEqual);
        TImplicitFunction counted(Counted(markup), rlEqual);
        int evaluations = 0;
        const QImage picture = DrawAfresh(plain, evaluations);
        EXPECT_FALSE(plain.FormulaRemembers());
        EXPECT_TRUE(counted.FormulaRemembers());
        EXPECT_GT(DarkCount(picture), 100);
        EXPECT_TRUE(DrawAfresh(counted, evaluations) == picture);
    }
}
