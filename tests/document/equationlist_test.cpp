// The list of document lines: where inserted lines go, what a deletion takes
// with it, the selection surviving removals around it, the idle carrying-out
// of state-bit requests, and reordering by drag and drop.
#include "document/equationlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A line with a chosen parent, source, validity and property bits that counts
// its recalculations in a shared log.
class TFakeLine : public TEquationObject {
public:
    TFakeLine(std::string name, std::vector<std::string>* log, TEquationObject* parent = nullptr,
              TEquationObject* source = nullptr)
        : name_(std::move(name)), log_(log), parent_(parent), source_(source)
    {
    }
    void WriteTo(TMathsWriter&) const override {}
    void DrawOnGraph(Canvas&, TGraphParams&) override {}
    [[nodiscard]] TEquationObject* GetParent() const override { return parent_; }
    [[nodiscard]] TEquationObject* GetSource() const override { return source_; }
    [[nodiscard]] bool IsValid() const override { return valid; }
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return properties; }
    [[nodiscard]] bool UsesName(const TEquationObject& line) const override { return uses == &line; }
    void Recalculate() override
    {
        if (log_)
            log_->push_back(name_);
    }
    [[nodiscard]] const std::string& Name() const { return name_; }

    bool valid = true;
    std::uint32_t properties = 0;
    const TEquationObject* uses = nullptr;

private:
    std::string name_;
    std::vector<std::string>* log_;
    TEquationObject* parent_;
    TEquationObject* source_;
};

class EquationListTest : public ::testing::Test {
protected:
    TFakeLine* Add(const std::string& name, TEquationObject* parent = nullptr,
                   TEquationObject* source = nullptr)
    {
        auto line = std::make_unique<TFakeLine>(name, &log, parent, source);
        TFakeLine* raw = line.get();
        list.InsertObject(std::move(line));
        return raw;
    }
    std::string Names() const
    {
        std::string names;
        for (TEquationObject* line : list.Lines())
            names += (names.empty() ? "" : " ") + static_cast<TFakeLine*>(line)->Name();
        return names;
    }

    TEquationList list;
    std::vector<std::string> log;
};

TEST_F(EquationListTest, DerivedLinesGoAfterTheirParentsOtherDerivedLines)
{
    TFakeLine* p = Add("P");
    TFakeLine* q = Add("Q");
    TFakeLine* t1 = Add("T1", p);
    Add("T1a", t1);
    Add("T2", p);
    Add("U", q);
    Add("R");
    EXPECT_EQ(Names(), "P T1 T1a T2 Q U R");
    // An object whose parent is not listed goes to the end.
    TFakeLine stranger("S", nullptr);
    Add("orphan", &stranger);
    EXPECT_EQ(Names(), "P T1 T1a T2 Q U R orphan");
}

TEST_F(EquationListTest, DeletingALineTakesEverythingDerivedFromIt)
{
    struct {
        const char* doomed;
        const char* left;
    } rows[] = {
        // J is the intersection of P with L, L the gradient of X.
        {"X", "P"},
        {"L", "P X"},
        {"P", "X L"},
        {"J", "P X L"},
    };
    for (const auto& row : rows) {
        list.ClearAll();
        TFakeLine* p = Add("P");
        TFakeLine* x = Add("X");
        TFakeLine* l = Add("L", x);
        TFakeLine* j = Add("J", p, l);
        std::vector<TFakeLine*> all = {p, x, l, j};
        list.SetSelected(list.Count() - 1);
        TFakeLine* doomed = nullptr;
        for (TFakeLine* line : all)
            if (line->Name() == row.doomed)
                doomed = line;
        list.DeleteObject(doomed); // the others may go with it: not looked at again
        EXPECT_EQ(Names(), row.left) << row.doomed;
        // The selection stays inside the list.
        EXPECT_EQ(list.SelectedIndex(), list.Count() - 1) << row.doomed;
    }
}

TEST_F(EquationListTest, SelectionStaysOnItsLineWhenLinesAboveGo)
{
    TFakeLine* a = Add("A");
    TFakeLine* b = Add("B");
    Add("C");
    TFakeLine* d = Add("D");
    Add("E");
    list.SetSelected(3);
    list.DeleteObject(a);
    list.DeleteObject(b);
    EXPECT_EQ(list.SelectedObject(), d);
    EXPECT_EQ(list.SelectedIndex(), 1);

    // The selected line itself going selects the line that takes its place,
    // and the last line when it was the last.
    list.DeleteObject(d);
    EXPECT_EQ(Names(), "C E");
    EXPECT_EQ(list.SelectedIndex(), 1);
    list.DeleteObject(list.ItemAt(1));
    EXPECT_EQ(list.SelectedIndex(), 0);
}

TEST_F(EquationListTest, IdleProcessingCarriesOutRequestsAndRemovesInvalidLines)
{
    TFakeLine* p = Add("P");
    TFakeLine* g = Add("G", p);
    TFakeLine* bad = Add("bad");
    TFakeLine* badChild = Add("badChild", bad);
    TFakeLine* selectedBad = Add("selectedBad");
    EXPECT_FALSE(list.ProcessChanges()); // nothing asked for
    p->SetMustRecalculate(true);
    g->SetLayoutOutOfDate(true);
    bad->valid = false;
    selectedBad->valid = false;
    list.SetSelected(list.IndexOf(selectedBad));
    int measured = 0;
    list.Measure = [&](TEquationObject&) { ++measured; };
    EXPECT_TRUE(list.HasPendingChanges());
    EXPECT_TRUE(list.ProcessChanges());
    // The primary is recalculated before its derived line.
    EXPECT_EQ(log, (std::vector<std::string>{"P", "G"}));
    EXPECT_EQ(measured, 1);
    EXPECT_EQ(Names(), "P G selectedBad");
    EXPECT_FALSE(p->MustRecalculate());
    EXPECT_FALSE(g->LayoutOutOfDate());
    EXPECT_FALSE(list.HasPendingChanges());
    (void)badChild;

    // A selected invalid line that is derived (property 2) does go.
    selectedBad->properties = 0x2;
    list.ProcessChanges();
    EXPECT_EQ(Names(), "P G");
}

// A data set whose points changed has its dependent lines (best fits)
// recalculated, itself and unrelated lines left alone.
TEST_F(EquationListTest, ChangedResultsRecalculateTheLinesComputedFromThem)
{
    TFakeLine* p = Add("P");
    Add("other");
    Add("G", p);
    p->SetResultsChanged(true);
    EXPECT_TRUE(list.HasPendingChanges());
    EXPECT_TRUE(list.ProcessChanges());
    EXPECT_EQ(log, (std::vector<std::string>{"G"}));
    EXPECT_FALSE(p->ResultsChanged());
    EXPECT_FALSE(list.HasPendingChanges());
}

TEST_F(EquationListTest, DropTargetsKeepDerivedLinesWithParentsAndNamesAboveUsers)
{
    // 0 A, 1 B, 2 Bt (of B), 3 K (a name), 4 C (uses K), 5 D
    TFakeLine* a = Add("A");
    TFakeLine* b = Add("B");
    Add("Bt", b);
    TFakeLine* k = Add("K");
    TFakeLine* c = Add("C");
    c->uses = k;
    Add("D");
    struct {
        int selected;
        int target;
        int answer;
    } rows[] = {
        {0, 0, 0},              // onto itself
        {0, 1, -1},             // between B and its derived line
        {0, 2, -1},             // onto a derived line
        {0, 3, 3},              // below K
        {3, 4, -1},             // name below its user
        {3, 5, -1}, {4, 3, -1}, // user above its name
        {4, 0, -1},             // also passes K on its way up
        {5, 0, 0},  {5, 99, 5}, // below all lines: the last line, which is itself
        {0, 99, 5}, {2, 0, -1}, // a derived line away from its parent
    };
    (void)a;
    for (const auto& row : rows) {
        list.SetSelected(row.selected);
        EXPECT_EQ(list.DropTarget(row.target), row.answer) << row.selected << " to " << row.target;
    }
}

TEST_F(EquationListTest, MovingALineTakesItsDerivedLinesAlong)
{
    TFakeLine* a = Add("A");
    TFakeLine* at = Add("At", a);
    Add("Atn", at);
    Add("B");
    Add("C");
    list.SetSelected(0);
    EXPECT_TRUE(list.MoveSelectedTo(99));
    EXPECT_EQ(Names(), "B C A At Atn");
    EXPECT_EQ(list.SelectedObject(), a);
    EXPECT_TRUE(list.MoveSelectedTo(0));
    EXPECT_EQ(Names(), "A At Atn B C");
    list.SetSelected(3);
    EXPECT_FALSE(list.MoveSelectedTo(1)); // would split A from its lines
    EXPECT_TRUE(list.MoveSelectedTo(4));
    EXPECT_EQ(Names(), "A At Atn C B");
}

TEST_F(EquationListTest, EventsComeInTheOrderOwnersRelyOn)
{
    std::vector<std::string> events;
    list.OnInsertCurve = [&](TEquationObject* o) {
        events.push_back("+" + static_cast<TFakeLine*>(o)->Name());
    };
    list.OnDeleteCurve = [&](TEquationObject* o) {
        events.push_back("-" + static_cast<TFakeLine*>(o)->Name());
    };
    list.OnLineLeaving = [&](TEquationObject* o) {
        events.push_back("x" + static_cast<TFakeLine*>(o)->Name());
    };
    TFakeLine* p = Add("P");
    Add("T", p);
    list.DeleteObject(p);
    EXPECT_EQ(events, (std::vector<std::string>{"+P", "+T", "-P", "-T", "xT", "xP"}));
}

} // namespace
