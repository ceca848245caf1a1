// TObjectList owns its entries: removing or deleting frees, clearing frees
// from the first entry on, and an entry's destructor may change the list.
#include "expr/objectlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TTracked {
    TTracked(std::vector<int>& log, int id) : log_(log), id_(id) {}
    virtual ~TTracked() { log_.push_back(id_); }
    std::vector<int>& log_;
    int id_;
};

// Frees a sibling from its own destructor.
struct TRemovesOther : TTracked {
    TRemovesOther(std::vector<int>& log, int id, TObjectList<TTracked>& list, TTracked* other)
        : TTracked(log, id), list_(list), other_(other)
    {
    }
    ~TRemovesOther() override { list_.Remove(other_); }
    TObjectList<TTracked>& list_;
    TTracked* other_;
};

TEST(EvalObjectList, RemovingAndDeletingFreeTheEntry)
{
    std::vector<int> freed;
    TObjectList<TTracked> list;
    for (int id = 1; id <= 4; ++id)
        list.Add(std::make_unique<TTracked>(freed, id));
    TTracked* third = list[2];
    EXPECT_EQ(list.Remove(third), 2);
    EXPECT_EQ(freed, std::vector<int>{3});
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Remove(third), -1); // already gone: nothing happens
    list.Delete(0);
    EXPECT_EQ(freed, (std::vector<int>{3, 1}));
    list.Delete(7);
    EXPECT_EQ(list.Count(), 2);

    auto taken = list.Extract(list[0]);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->id_, 2);
    EXPECT_EQ(freed.size(), 2u); // extracting does not free
    EXPECT_EQ(list.IndexOf(list.Last()), 0);
}

TEST(EvalObjectList, ClearFreesFromTheFirstEntryOn)
{
    std::vector<int> freed;
    {
        TObjectList<TTracked> list;
        for (int id = 1; id <= 3; ++id)
            list.Add(std::make_unique<TTracked>(freed, id));
        list.Insert(0, std::make_unique<TTracked>(freed, 0));
        list.Move(0, 3);
        list.Exchange(0, 1);
        std::vector<int> order;
        for (TTracked* entry : list)
            order.push_back(entry->id_);
        EXPECT_EQ(order, (std::vector<int>{2, 1, 3, 0}));
        list.Clear();
        EXPECT_EQ(freed, (std::vector<int>{2, 1, 3, 0}));
        EXPECT_TRUE(list.Empty());
        list.Add(std::make_unique<TTracked>(freed, 9));
    }
    EXPECT_EQ(freed.back(), 9); // the destructor clears too
}

TEST(EvalObjectList, EntryDestructorMayRemoveASibling)
{
    std::vector<int> freed;
    TObjectList<TTracked> list;
    list.Add(std::make_unique<TTracked>(freed, 1));
    TTracked* second = list[0];
    list.Insert(0, std::make_unique<TRemovesOther>(freed, 0, list, second));
    list.Add(std::make_unique<TTracked>(freed, 2));
    list.Clear();
    EXPECT_EQ(freed, (std::vector<int>{1, 0, 2})); // the sibling goes inside the first one's destructor
}

} // namespace
