#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/QtMainLoop.h"
#include "base/Exceptions.h"
#include "base/Timer.h"

namespace {
// Runs Qt's event loop (the program's main loop) until pred holds.
bool RunUntil(const std::function<bool()>& pred, int timeoutMs = 5000)
{
    return QTest::qWaitFor(pred, timeoutMs);
}
} // namespace

TEST(QtMainLoop, TimersRunInDueOrderAndNeverEarly)
{
    TQtMainLoop loop;
    const std::int64_t start = loop.NowUs();
    std::vector<std::pair<int, std::int64_t>> fired;
    for (int ms : {30, 10, 20, 10})
        loop.ScheduleAtUs(start + ms * 1000, [&, ms] { fired.emplace_back(ms, loop.NowUs() - start); });
    ASSERT_TRUE(RunUntil([&] { return fired.size() == 4; }));
    const std::vector<int> order {fired[0].first, fired[1].first, fired[2].first, fired[3].first};
    EXPECT_EQ(order, (std::vector<int> {10, 10, 20, 30}));
    for (const auto& [ms, atUs] : fired) EXPECT_GE(atUs, ms * 1000) << "timer of " << ms << " ms";
}

TEST(QtMainLoop, CancelledTimerDoesNotRunAndLaterOnesStill)
{
    TQtMainLoop loop;
    bool cancelledRan = false;
    bool laterRan = false;
    const auto id = loop.ScheduleAtUs(loop.NowUs() + 5000, [&] { cancelledRan = true; });
    loop.ScheduleAtUs(loop.NowUs() + 30000, [&] { laterRan = true; });
    loop.Cancel(id);
    ASSERT_TRUE(RunUntil([&] { return laterRan; }));
    EXPECT_FALSE(cancelledRan);
}

TEST(QtMainLoop, RepeatingTimerAndTimersScheduledFromATimer)
{
    TQtMainLoop loop;
    TTimer timer(15, true);
    int ticks = 0;
    bool chained = false;
    const TConnection on54 = timer.OnTimer.Connect([&](TObject*) {
        if (++ticks == 1) loop.ScheduleAtUs(loop.NowUs() - 1000, [&] { chained = true; });
    });
    ASSERT_TRUE(RunUntil([&] { return ticks >= 3 && chained; }));
    EXPECT_GE(loop.NowMs(), 45);
}

TEST(QtMainLoop, PostedWorkFromWorkersRunsOnTheGuiThreadInOrder)
{
    TQtMainLoop loop;
    std::vector<int> seen;
    bool offThread = false;
    const auto gui = std::this_thread::get_id();
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i)
            loop.Post([&, i] {
                offThread = offThread || std::this_thread::get_id() != gui;
                seen.push_back(i);
            });
    });
    worker.join();
    ASSERT_TRUE(RunUntil([&] { return seen.size() == 2000; }));
    EXPECT_FALSE(offThread);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
}

TEST(QtMainLoop, SynchronizeWaitsForTheGuiThread)
{
    TQtMainLoop loop;
    int value = 0;
    std::atomic<int> seenByWorker {-1};
    std::atomic<bool> done {false};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) loop.Synchronize([&] { ++value; });
        // Synchronize returned only after the main thread ran every call.
        seenByWorker = value;
        done = true;
    });
    const bool finished = RunUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(seenByWorker.load(), 20);
}

TEST(QtMainLoop, AnErrorInATimerOrPostedWorkIsReportedAndTheLoopCarriesOn)
{
    TQtMainLoop loop;
    std::vector<std::string> reports;
    loop.SetErrorReport([&](const std::string& message) { reports.push_back(message); });
    bool afterTimer = false;
    bool afterPost = false;
    loop.ScheduleAtUs(loop.NowUs() + 1000, [] { throw Exception("timer failed"); });
    loop.ScheduleAtUs(loop.NowUs() + 1000, [&] { afterTimer = true; });
    std::thread worker([&] {
        loop.Post([] { throw Exception("notice failed"); });
        loop.Post([&] { afterPost = true; });
    });
    worker.join();
    ASSERT_TRUE(RunUntil([&] { return afterTimer && afterPost; }));
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, (std::vector<std::string> {"notice failed", "timer failed"}));
}

TEST(QtMainLoop, DestroyingTheLoopDropsWorkStillQueued)
{
    bool ran = false;
    {
        TQtMainLoop loop;
        loop.Post([&] { ran = true; });
        loop.ScheduleAtUs(loop.NowUs(), [&] { ran = true; });
    }
    // A queued drain of the dead loop must not run.
    QCoreApplication::processEvents();
    QTest::qWait(20);
    EXPECT_FALSE(ran);
    TQtMainLoop next;
    EXPECT_EQ(&TMainLoop::Current(), &next);
}
