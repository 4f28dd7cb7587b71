#include <gtest/gtest.h>

#include "base/Event.h"

TEST(Event, EmptySlotIsSkippedAndAssignmentReplaces)
{
    TEvent<TObject*, int> slot;
    slot(nullptr, 1); // nothing subscribed: no effect
    int first = 0, second = 0;
    slot = [&](TObject*, int v) { first += v; };
    slot(nullptr, 2);
    slot = [&](TObject*, int v) { second += v; };
    slot(nullptr, 3);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 3);
    slot = nullptr;
    EXPECT_FALSE(slot.Assigned());
}

TEST(Event, HandlerMayClearItsOwnSlot)
{
    TNotifyEvent slot;
    int calls = 0;
    slot = [&](TObject*) {
        ++calls;
        slot.Clear();
    };
    slot(nullptr);
    slot(nullptr);
    EXPECT_EQ(calls, 1);
}
