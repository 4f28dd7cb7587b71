#include <gtest/gtest.h>

#include <memory>

#include "base/Event.h"

TEST(Event, EveryListenerHearsUntilItsConnectionEnds)
{
    TEvent<TObject*, int> event;
    event(nullptr, 1); // nobody listens: no effect
    int first = 0, second = 0;
    TConnection a = event.Connect([&](TObject*, int v) { first += v; });
    {
        const TConnection b = event.Connect([&](TObject*, int v) { second += v; });
        event(nullptr, 2);
    } // b ends here
    event(nullptr, 3);
    EXPECT_EQ(first, 5);
    EXPECT_EQ(second, 2);

    TConnection moved = std::move(a);
    EXPECT_FALSE(a.Connected());
    EXPECT_TRUE(moved.Connected());
    moved.Disconnect();
    EXPECT_FALSE(event.HasListeners());
    event(nullptr, 4);
    EXPECT_EQ(first, 5);
}

TEST(Event, ListenersMayDisconnectWhileRaisedAndOutliveTheEvent)
{
    auto event = std::make_unique<TNotifyEvent>();
    int calls = 0, laterCalls = 0;
    TConnection later;
    TConnection self = event->Connect([&](TObject*) {
        ++calls;
        self.Disconnect();
        later.Disconnect(); // not called in this raise either
    });
    later = event->Connect([&](TObject*) { ++laterCalls; });
    (*event)(nullptr);
    (*event)(nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(laterCalls, 0);

    TConnection survivor = event->Connect([](TObject*) {});
    event.reset();
    EXPECT_FALSE(survivor.Connected()); // and its end touches nothing
}
