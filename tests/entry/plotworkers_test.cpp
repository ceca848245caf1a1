// Curves computed on worker threads: the picture, the stored drawings, hit
// tests and traced values are the same whatever the number of workers; an
// implicit curve scanned in bands of rows gives the dots of one scan;
// Escape abandons the computation and leaves the stores to be computed
// again; and nothing posted to the event loop runs while the workers do.
#include "../plot/formulacurve_testing.h"

#include "../../bench/standardset.h"

#include "entry/declarationlines.h"
#include "graph/linesource.h"
#include "plot/backgroundpicture.h"
#include "plot/graphrenderer.h"
#include "plot/implicitfunction.h"
#include "plot/plotworkers.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstring>

using namespace curvetesting;

namespace {

// Lines borrowed from a standard set.
using TBorrowedLines = TChosenLines;

// The window's scales: x from xMin to xMax, y from yMin to yMax over the image.
struct TScales {
    const char* name;
    Extended xMin, xMax, yMin, yMax;
};
const TScales Scales[] = {
    {"standard", -8, 8, -5, 5},
    {"zoomed in", -1.5L, 2.5L, -1.25L, 1.25L},
    {"zoomed out off-centre", -31, 49, -13, 37},
};

// Everything one drawing with a number of workers leaves behind.
struct TDrawing {
    QImage picture;
    std::vector<std::vector<std::vector<QPoint>>> stores; // per curve, per piece, its points
    std::vector<std::vector<int>> nearHits;               // per curve, the probes it passes near
    std::vector<std::vector<TRealPoint>> traced;          // per curve, points at given parameters
};

class PlotWorkers : public CurveImageTest {
protected:
    void SetUp() override
    {
        CurveImageTest::SetUp();
        AngleFactor = RadiansFactor;
        Configuration.Accuracy = 10;
        set = standardset::MakeStandardSet();
        for (auto& entry : set->curves)
            lines.lines.push_back(entry.curve.get());
    }
    void TearDown() override
    {
        SetPlotWorkerCount(0);
        CurveImageTest::TearDown();
    }

    void SetScales(const TScales& s)
    {
        TAxis& x = *params->Axes->XAxis;
        TAxis& y = *params->Axes->YAxis;
        x.Min = s.xMin;
        x.Max = s.xMax;
        x.Scale = Width / (s.xMax - s.xMin);
        x.Origin = -s.xMin * x.Scale;
        y.Min = s.yMin;
        y.Max = s.yMax;
        y.Scale = -Height / (s.yMax - s.yMin);
        y.Origin = s.yMax * -y.Scale;
    }

    void Forget()
    {
        for (auto& entry : set->curves)
            entry.curve->DiscardLineStore();
    }

    // Draws the whole set afresh through the renderer with workers.
    TDrawing DrawWith(int workers, int highlight = -1)
    {
        SetPlotWorkerCount(workers);
        Forget();
        NewImage();
        TGraphRenderer renderer;
        renderer.HighlightLine = highlight;
        renderer.Render(*canvas, *params, &lines, {});
        TDrawing drawing;
        drawing.picture = Finished().copy();
        for (auto& entry : set->curves) {
            TCurvePLotter& curve = *entry.curve;
            std::vector<std::vector<QPoint>> pieces;
            if (const TPolyLineStore* store = curve.LineStore()) {
                EXPECT_EQ(store->State, lsComplete) << entry.name;
                for (const TStoredPiece* piece : *store) {
                    std::vector<QPoint> points;
                    if (const auto* line = dynamic_cast<const TLineStore*>(piece))
                        points.assign(line->Points().begin(), line->Points().end());
                    else if (const auto* band = dynamic_cast<const TShadingRect*>(piece))
                        points = {band->Rect().topLeft(), band->Rect().bottomRight()};
                    pieces.push_back(std::move(points));
                }
            }
            drawing.stores.push_back(std::move(pieces));
            std::vector<int> near;
            for (int px = 0; px < Width; px += 97)
                for (int py = 0; py < Height; py += 89)
                    if (curve.IsNearPoint({px, py}, *params))
                        near.push_back(px * 10000 + py);
            drawing.nearHits.push_back(std::move(near));
            std::vector<TRealPoint> traced;
            if (!entry.implicit)
                for (Extended v : {0.0L, 0.25L, 0.5L, 0.8L})
                    traced.push_back(curve.PointAtParameter(v, params.get()));
            drawing.traced.push_back(std::move(traced));
        }
        return drawing;
    }

    static bool SameBytes(const QImage& a, const QImage& b)
    {
        return a.size() == b.size() && a.format() == b.format() && a.sizeInBytes() == b.sizeInBytes() &&
               std::memcmp(a.constBits(), b.constBits(), static_cast<std::size_t>(a.sizeInBytes())) == 0;
    }
    static bool SameTraced(const std::vector<TRealPoint>& a, const std::vector<TRealPoint>& b)
    {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::memcmp(&a[i].x, &b[i].x, 10) != 0 || std::memcmp(&a[i].y, &b[i].y, 10) != 0)
                return false;
        return true;
    }

    std::unique_ptr<standardset::TStandardSet> set;
    TBorrowedLines lines;
};

TEST_F(PlotWorkers, EveryWorkerCountDrawsTheSamePictureStoresHitsAndTracedValues)
{
    struct TRow {
        int highlight; // the selected line, drawn over its halo
        int accuracy;
    };
    // Line 0 has a halo; line 15, shading without a line, none.
    const TRow rows[] = {{-1, 10}, {0, 10}, {-1, 3}, {15, 3}};
    std::vector<QImage> pictures;
    for (const TScales& scales : Scales)
        for (const TRow& row : rows) {
            SCOPED_TRACE(std::string(scales.name) + ", highlight " + std::to_string(row.highlight) +
                         ", accuracy " + std::to_string(row.accuracy));
            SetScales(scales);
            Configuration.Accuracy = static_cast<std::int16_t>(row.accuracy);
            const TDrawing one = DrawWith(1, row.highlight);
            EXPECT_GT(DarkCount(one.picture), 5000);
            pictures.push_back(one.picture);
            for (int workers : {2, 4}) {
                SCOPED_TRACE(std::to_string(workers) + " workers");
                const TDrawing many = DrawWith(workers, row.highlight);
                EXPECT_TRUE(SameBytes(many.picture, one.picture));
                for (std::size_t c = 0; c < set->curves.size(); ++c) {
                    SCOPED_TRACE(set->curves[c].name);
                    EXPECT_EQ(many.stores[c], one.stores[c]);
                    EXPECT_EQ(many.nearHits[c], one.nearHits[c]);
                    EXPECT_TRUE(SameTraced(many.traced[c], one.traced[c]));
                }
            }
        }
    // The scales and rows did change the drawing.
    EXPECT_FALSE(SameBytes(pictures[0], pictures[4]));
    EXPECT_FALSE(SameBytes(pictures[0], pictures[1]));
    EXPECT_FALSE(SameBytes(pictures[0], pictures[2]));
}

TEST_F(PlotWorkers, ImplicitCurvesScannedInBandsGiveTheDotsOfOneScan)
{
    // Curves crossing many band seams, running along rows and columns, and a
    // family: each alone, so that its bands take every worker.
    const char* formulas[] = {"x{^{2}+y{^{2}-4", "sin(xy)-cos(x+y)", "y-0.5",
                              "x-y{^{3}",        "(x-1)(y+2)",       "ax-y"};
    const int relations[] = {rlEqual, rlLess, rlGreaterEqual};
    for (const char* formula : formulas)
        for (int relation : relations) {
            SCOPED_TRACE(std::string(formula) + " relation " + std::to_string(relation));
            TImplicitFunction curve(standardset::Parse(*set, formula), relation);
            curve.SetDrawFlag(true);
            TBorrowedLines alone;
            alone.lines.push_back(&curve);
            QImage reference;
            for (int workers : {1, 2, 3, 4, 7}) {
                SetPlotWorkerCount(workers);
                curve.DiscardLineStore();
                NewImage();
                TGraphRenderer().DrawLines(*canvas, *params, &alone);
                const QImage picture = Finished().copy();
                ASSERT_NE(curve.LineStore(), nullptr);
                EXPECT_EQ(curve.LineStore()->State, lsComplete);
                if (workers == 1) {
                    reference = picture;
                    EXPECT_GT(DarkCount(picture), 50);
                } else {
                    EXPECT_TRUE(SameBytes(picture, reference)) << workers << " workers";
                }
            }
        }
}

TEST_F(PlotWorkers, FamiliesSplitAmongWorkersAndLinesKeptOnTheDrawingThreadDrawAsOneWorkerDoes)
{
    // A declared function keeps its curve on the drawing thread, which then
    // waits for the workers before drawing it.
    set->declared.push_back(new TDeclaredFunctionEquation("f", standardset::Parse(*set, "x{^{2}/4")));
    const std::unique_ptr<TEquationObject> function(set->declared.back());
    struct TRow {
        const char* name;
        std::unique_ptr<TCurvePLotter> curve;
        bool apart; // its family members are computed beside each other
    };
    auto p = [&](const char* markup) { return standardset::Parse(*set, markup); };
    std::vector<TRow> rows;
    rows.push_back({"y=ax^2", std::make_unique<TYofX>(p("ax{^{2}"), rlEqual), true});
    rows.push_back({"x=ay^2", std::make_unique<TXofY>(p("ay{^{2}"), rlEqual), true});
    // Members wholly undefined or off the window, and members that are not.
    rows.push_back({"y=sqrt(a)+x", std::make_unique<TYofX>(p("{sqrt{a}+x"), rlEqual), true});
    rows.push_back({"y=x+10a", std::make_unique<TYofX>(p("x+10a"), rlEqual), true});
    // Remembered signs (poles), two parts, shading, and a parametric family: one worker each.
    rows.push_back({"y=a tan x", std::make_unique<TYofX>(p("a tan x"), rlEqual), false});
    rows.push_back({"y=+-sqrt(a+5)", std::make_unique<TYofX>(p("{\xB1{sqrt{a+5}"), rlEqual), false});
    rows.push_back({"y<ax", std::make_unique<TYofX>(p("ax"), rlLess), false});
    rows.push_back({"(a cos t, sin t)",
                    std::make_unique<TYParametric>(p("sin t"), p("a cos t"),
                                                   std::make_unique<TConstantEvaluator>(0), p("2{p")),
                    false});
    rows.push_back({"y=f(x)+a", std::make_unique<TYofX>(p("f(x)+a"), rlEqual), false});
    rows.push_back({"y=f(x)-a", std::make_unique<TYofX>(p("f(x)-a"), rlEqual), false});
    for (TRow& row : rows) {
        row.curve->SetDrawFlag(true);
        row.curve->colour = CurveColour(static_cast<int>(lines.lines.size()));
    }
    // A curve of the function first and one in the middle, among the families.
    lines.lines.clear();
    lines.lines.push_back(rows[rows.size() - 2].curve.get());
    lines.lines.push_back(set->curves[0].curve.get());
    lines.lines.push_back(set->curves[11].curve.get());
    for (std::size_t r = 0; r < 4; ++r)
        lines.lines.push_back(rows[r].curve.get());
    lines.lines.push_back(rows.back().curve.get());
    for (std::size_t r = 4; r + 2 < rows.size(); ++r)
        lines.lines.push_back(rows[r].curve.get());

    for (const TScales& scales : Scales) {
        SCOPED_TRACE(scales.name);
        SetScales(scales);
        auto drawWith = [&](int workers) {
            SetPlotWorkerCount(workers);
            for (TRow& row : rows)
                row.curve->DiscardLineStore();
            Forget();
            NewImage();
            TGraphRenderer().DrawLines(*canvas, *params, &lines);
            std::vector<std::vector<std::vector<QPoint>>> stores;
            for (TRow& row : rows) {
                std::vector<std::vector<QPoint>> pieces;
                EXPECT_TRUE(row.curve->LineStore() && row.curve->LineStore()->State == lsComplete)
                    << row.name;
                if (row.curve->LineStore())
                    for (const TStoredPiece* piece : *row.curve->LineStore())
                        if (const auto* line = dynamic_cast<const TLineStore*>(piece))
                            pieces.emplace_back(line->Points().begin(), line->Points().end());
                stores.push_back(std::move(pieces));
            }
            return std::pair{Finished().copy(), stores};
        };
        const auto [picture, stores] = drawWith(1);
        EXPECT_GT(DarkCount(picture), 5000);
        for (int workers : {2, 3, 4}) {
            SCOPED_TRACE(std::to_string(workers) + " workers");
            const auto [many, manyStores] = drawWith(workers);
            EXPECT_TRUE(SameBytes(many, picture));
            for (std::size_t r = 0; r < rows.size(); ++r)
                EXPECT_EQ(manyStores[r], stores[r]) << rows[r].name;
        }
    }
    // Each family alone: its members are still computed apart.
    for (TRow& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " alone");
        TBorrowedLines alone;
        alone.lines.push_back(row.curve.get());
        QImage reference;
        for (int workers : {1, 3}) {
            SetPlotWorkerCount(workers);
            row.curve->DiscardLineStore();
            NewImage();
            TGraphRenderer().DrawLines(*canvas, *params, &alone);
            if (workers == 1)
                reference = Finished().copy();
            else
                EXPECT_TRUE(SameBytes(Finished(), reference));
        }
    }
    // Which families split: asked as a worker asks, after the curve's context is made.
    for (TRow& row : rows) {
        TXY context(*params);
        context.Unseen = true;
        row.curve->InitContext(context);
        EXPECT_EQ(row.curve->MembersComputeApart(context), row.apart) << row.name;
    }
}

// Presses Escape at a poll of the drawing thread (the first, or a later
// one, once the drawing thread computes its share), counting the polls.
class TEscapeNow : public TDrawingInterrupt {
public:
    explicit TEscapeNow(int at = 1) : at_(at) {}
    TInterruptRequest Poll() override
    {
        ++polls;
        return {polls >= at_, false};
    }
    int polls = 0;

private:
    int at_;
};

TEST_F(PlotWorkers, EscapeStopsTheWorkersAndLeavesTheStoresToBeComputedAgain)
{
    const QImage whole = DrawWith(1).picture;
    // Escape before anything starts, and while the drawing thread computes a curve of its own.
    for (const auto& [workers, at] : {std::pair{2, 1}, {4, 1}, {2, 5}, {2, 40}}) {
        SCOPED_TRACE(std::to_string(workers) + " workers, Escape at poll " + std::to_string(at));
        // Dense enough that the workers are still computing when the drawing thread first polls.
        Configuration.Accuracy = 1000;
        SetPlotWorkerCount(workers);
        Forget();
        TEscapeNow escape(at);
        InstallDrawingInterrupt(&escape);
        NewImage();
        const int drawn = TGraphRenderer().DrawLines(*canvas, *params, &lines);
        InstallDrawingInterrupt(nullptr);
        EXPECT_FALSE(DrawingCompleted);
        EXPECT_GE(escape.polls, at);
        EXPECT_LT(drawn, lines.LineCount());
        int incomplete = 0;
        for (auto& entry : set->curves)
            if (!entry.curve->LineStore() || entry.curve->LineStore()->State != lsComplete)
                ++incomplete;
        EXPECT_GT(incomplete, 0);
        // Drawn again without Escape, every curve is computed and the picture is whole.
        Configuration.Accuracy = 10;
        EXPECT_TRUE(SameBytes(DrawWith(workers).picture, whole));
    }
    // The lines cleared right after an abandoned drawing: nothing refers to them any more.
    Configuration.Accuracy = 1000;
    Forget();
    TEscapeNow escape;
    InstallDrawingInterrupt(&escape);
    NewImage();
    (void)TGraphRenderer().DrawLines(*canvas, *params, &lines);
    InstallDrawingInterrupt(nullptr);
    lines.lines.clear();
    set.reset();
    EXPECT_FALSE(DrawingCompleted);
}

TEST_F(PlotWorkers, EscapeAtAnyPointNeverLeavesAPartOfACurveStoredAsWhole)
{
    // A family whose members are shared out, and an implicit curve scanned
    // in bands, each alone: Escape at every poll of the drawing thread in
    // turn, until the drawing gets through. A store left complete must
    // replay the whole curve.
    for (const std::size_t c : {std::size_t{17}, std::size_t{13}}) {
        TCurvePLotter& curve = *set->curves[c].curve;
        SCOPED_TRACE(set->curves[c].name);
        TBorrowedLines alone;
        alone.lines.push_back(&curve);
        auto draw = [&] {
            NewImage();
            TGraphRenderer().DrawLines(*canvas, *params, &alone);
            return Finished().copy();
        };
        auto complete = [&] { return curve.LineStore() && curve.LineStore()->State == lsComplete; };
        SetPlotWorkerCount(1);
        curve.DiscardLineStore();
        const QImage whole = draw();
        ASSERT_TRUE(complete());
        int abandoned = 0;
        for (int at = 1; at < 2000; ++at) {
            SetPlotWorkerCount(2);
            TEscapeNow escape(at);
            InstallDrawingInterrupt(&escape);
            curve.DiscardLineStore();
            const QImage picture = draw();
            InstallDrawingInterrupt(nullptr);
            if (DrawingCompleted) {
                EXPECT_TRUE(complete());
                EXPECT_TRUE(SameBytes(picture, whole)) << "Escape at poll " << at;
                break;
            }
            ++abandoned;
            if (complete()) {
                EXPECT_TRUE(SameBytes(draw(), whole)) << "Escape at poll " << at;
            }
        }
        // Escape down from the start abandons the drawing before it starts;
        // how many polls come later depends on which thread takes the curve.
        EXPECT_GE(abandoned, 1);
    }
}

TEST_F(PlotWorkers, NothingPostedToTheEventLoopRunsWhileWorkersCompute)
{
    // A change of formula queued on the event loop (as a timer or a posted
    // edit would make it) waits until the drawing is over.
    SetPlotWorkerCount(2);
    auto* curve = dynamic_cast<TYofX*>(set->curves.front().curve.get());
    ASSERT_NE(curve, nullptr);
    const QImage before = DrawWith(2).picture;
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        curve->Formula = standardset::Parse(*set, "x");
        curve->DiscardLineStore();
    });
    Forget();
    NewImage();
    TGraphRenderer().Render(*canvas, *params, &lines, {});
    EXPECT_FALSE(ran);
    EXPECT_TRUE(SameBytes(Finished(), before));
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(SameBytes(DrawWith(2).picture, before));
}

TEST_F(PlotWorkers, TheWorkerCountIsTheSettersOrOneAtLeast)
{
    const std::pair<int, int> rows[] = {{1, 1}, {3, 3}, {64, 64}};
    for (const auto& [set, expected] : rows) {
        SetPlotWorkerCount(set);
        EXPECT_EQ(PlotWorkerCount(), expected);
    }
    SetPlotWorkerCount(0);
    EXPECT_GE(PlotWorkerCount(), 1);
}

} // namespace
