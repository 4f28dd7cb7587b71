#include <gtest/gtest.h>

#include <vector>

#include "base/VirtualLoop.h"
#include "rig/ChannelState.h"

namespace {

// The channel's timers alone, on the virtual clock: settle 300 ms, release
// 500 ms.
class ChannelState : public ::testing::Test {
protected:
    ChannelState()
    {
        channel.SetIntervals(300, 500);
        report = channel.OnReport.Connect([this](TObject* sender, bool rigRx) {
            EXPECT_EQ(sender, &channel);
            reports.push_back(rigRx);
        });
        start = channel.OnInputStart.Connect([this](TObject*) { ++starts; });
    }

    TVirtualLoop loop;
    TChannelState channel;
    std::vector<bool> reports;
    int starts = 0;
    TConnection report;
    TConnection start;
};

} // namespace

TEST_F(ChannelState, ReceptionIsHeldBackUntilTheSquelchSettledAndItsEndByTheReleaseDelay)
{
    channel.Keyed(true);
    channel.Input(true); // the own transmitter's tail
    loop.AdvanceByMs(1000);
    EXPECT_EQ(reports, (std::vector<bool> {}));
    channel.Keyed(false);
    loop.AdvanceByMs(299);
    EXPECT_FALSE(channel.SquelchSettled());
    loop.AdvanceByMs(1);
    EXPECT_EQ(reports, (std::vector<bool> {true})) << "still active once settled";

    // A drop shorter than the release delay: reported active again, no end.
    channel.Input(false);
    loop.AdvanceByMs(499);
    channel.Input(true);
    EXPECT_EQ(reports, (std::vector<bool> {true, true}));
    channel.Input(false);
    loop.AdvanceByMs(499);
    EXPECT_EQ(reports, (std::vector<bool> {true, true})) << "each end waits a full delay";
    loop.AdvanceByMs(1);
    EXPECT_EQ(reports, (std::vector<bool> {true, true, false}));
    EXPECT_FALSE(channel.RigRx());

    // An input that ends within the settle time is never reported active.
    channel.Keyed(true);
    channel.Keyed(false);
    channel.Input(true);
    channel.Input(false);
    loop.AdvanceByMs(5000);
    EXPECT_EQ(reports, (std::vector<bool> {true, true, false, false}));
}

TEST_F(ChannelState, InputStartTicksOnceASecondAfterItsLastStartUnlessStopped)
{
    channel.StartInput();
    loop.AdvanceByMs(600);
    channel.StartInput();
    loop.AdvanceByMs(999);
    EXPECT_EQ(starts, 0);
    loop.AdvanceByMs(1);
    EXPECT_EQ(starts, 1);
    loop.AdvanceByMs(5000);
    EXPECT_EQ(starts, 1);

    channel.StartInput();
    loop.AdvanceByMs(500);
    channel.StopInput();
    loop.AdvanceByMs(5000);
    EXPECT_EQ(starts, 1);
}
