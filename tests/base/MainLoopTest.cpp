#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/Exceptions.h"
#include "base/RealTimeLoop.h"
#include "base/Timer.h"
#include "base/VirtualLoop.h"

TEST(VirtualLoop, TimersAndPostedWorkRunInExactOrder)
{
    TVirtualLoop loop;
    std::vector<std::string> order;
    loop.ScheduleAtUs(3000, [&] { order.push_back("t3"); });
    loop.ScheduleAtUs(1000, [&] {
        order.push_back("t1");
        loop.Post([&] { order.push_back("p-after-t1"); });
    });
    loop.ScheduleAtUs(1000, [&] { order.push_back("t1b"); });
    loop.Post([&] { order.push_back("p0"); });
    loop.AdvanceByMs(2);
    EXPECT_EQ(loop.NowMs(), 2);
    loop.AdvanceByMs(5);
    EXPECT_EQ(order, (std::vector<std::string> {"p0", "t1", "p-after-t1", "t1b", "t3"}));
}

TEST(VirtualLoop, CancelledTimerDoesNotRun)
{
    TVirtualLoop loop;
    bool ran = false;
    auto id = loop.ScheduleAtUs(1000, [&] { ran = true; });
    loop.Cancel(id);
    loop.AdvanceByMs(10);
    EXPECT_FALSE(ran);
}

TEST(VirtualLoop, ExceptionInTickIsReportedAndTheNextTickStillRuns)
{
    TVirtualLoop loop;
    std::vector<std::string> reports;
    loop.SetErrorReport([&](const std::string& m) { reports.push_back(m); });
    TTimer timer(100, false);
    int ticks = 0;
    const TConnection on47 = timer.OnTimer.Connect([&](TObject*) {
        ++ticks;
        if (ticks == 1) throw Exception("first tick failed");
    });
    timer.SetEnabled(true);
    loop.AdvanceByMs(250);
    EXPECT_EQ(ticks, 2);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "first tick failed");
}

TEST(MainLoop, SynchronizeFromWorkerWhileMainWaitsDoesNotDeadlock)
{
    TVirtualLoop loop;
    std::atomic<int> value {0};
    std::atomic<bool> workerDone {false};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) loop.Synchronize([&] { value = value + 1; });
        workerDone = true;
    });
    // The main thread waits for the worker, as a port close waits for its
    // event thread; the worker's hand-offs are served meanwhile.
    const bool finished = loop.WaitUntil([&] { return workerDone.load(); }, 5000);
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(value.load(), 50);
}

TEST(MainLoop, SynchronizeRunsOnTheMainThread)
{
    TRealTimeLoop loop;
    std::thread::id ranOn;
    std::thread worker([&] {
        loop.Synchronize([&] { ranOn = std::this_thread::get_id(); });
        loop.Quit();
    });
    loop.Run();
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(RealTimeLoop, TimerFiresInRealTime)
{
    TRealTimeLoop loop;
    TTimer timer(20, true);
    int ticks = 0;
    const TConnection on93 = timer.OnTimer.Connect([&](TObject*) { ++ticks; });
    EXPECT_TRUE(loop.RunUntil([&] { return ticks >= 3; }, 2000));
    EXPECT_GE(loop.NowMs(), 60);
}
