#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/Timer.h"
#include "base/VirtualLoop.h"

namespace {
struct TTickLog {
    std::vector<std::int64_t> at;
    TConnection ticking;
    void Attach(TTimer& timer, TVirtualLoop& loop)
    {
        ticking = timer.OnTimer.Connect([this, &loop](TObject*) { at.push_back(loop.NowMs()); });
    }
};
} // namespace

TEST(Timer, RepeatsAtItsInterval)
{
    TVirtualLoop loop;
    TTimer timer(200, true);
    TTickLog log;
    log.Attach(timer, loop);
    loop.AdvanceByMs(1000);
    EXPECT_EQ(log.at, (std::vector<std::int64_t> {200, 400, 600, 800, 1000}));
}

TEST(Timer, IntervalZeroNeverFires)
{
    TVirtualLoop loop;
    TTimer timer(0, true);
    TTickLog log;
    log.Attach(timer, loop);
    loop.AdvanceByMs(100000);
    EXPECT_TRUE(log.at.empty());
}

TEST(Timer, SameIntervalDoesNotRestartButNewIntervalDoes)
{
    TVirtualLoop loop;
    TTimer timer(100, true);
    TTickLog log;
    log.Attach(timer, loop);
    loop.AdvanceByMs(60);
    timer.SetInterval(100); // unchanged: keeps counting
    loop.AdvanceByMs(40);
    ASSERT_EQ(log.at, (std::vector<std::int64_t> {100}));
    loop.AdvanceByMs(60); // t = 160
    timer.SetInterval(50); // new interval: fresh count from now
    loop.AdvanceByMs(50);
    EXPECT_EQ(log.at, (std::vector<std::int64_t> {100, 210}));
}

TEST(Timer, EnablingStartsAFreshIntervalAndOneShotDisablesItself)
{
    TVirtualLoop loop;
    TTimer timer(250, false);
    std::vector<std::int64_t> at;
    const TConnection on60 = timer.OnTimer.Connect([&](TObject*) {
        timer.SetEnabled(false);
        at.push_back(loop.NowMs());
    });
    loop.AdvanceByMs(1000);
    timer.SetEnabled(true);
    timer.SetEnabled(true); // already enabled: no restart
    loop.AdvanceByMs(2000);
    EXPECT_EQ(at, (std::vector<std::int64_t> {1250}));
}

TEST(Timer, OneShotFiresOnceAndMayBeStartedAgainFromItsTick)
{
    TVirtualLoop loop;
    TTimer timer(300, true, TTimerRepeat::OneShot);
    std::vector<std::int64_t> at;
    bool again = true;
    const TConnection on77 = timer.OnTimer.Connect([&](TObject*) {
        at.push_back(loop.NowMs());
        EXPECT_FALSE(timer.Enabled());
        if (std::exchange(again, false)) timer.SetEnabled(true);
    });
    loop.AdvanceByMs(5000);
    EXPECT_EQ(at, (std::vector<std::int64_t> {300, 600}));
    EXPECT_FALSE(timer.Enabled());
}
