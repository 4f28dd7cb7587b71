#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/VirtualLoop.h"
#include "media/SimulatedDesktop.h"
#include "media/untZYNWinAmpControl.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/TempFolder.h"

namespace {

using TCommand = TSimulatedDesktop::TCommand;
using TControl = TZYNWinAmpControl;

std::vector<TCommand> Repeat(int command, int times, long parameter = 0)
{
    return std::vector<TCommand>(static_cast<std::size_t>(times), TCommand {command, parameter});
}

std::vector<TCommand> Join(std::vector<TCommand> a, const std::vector<TCommand>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A desktop with Winamp, Windows Media Player and the relay client running,
// and settings in a private file.
class WinAmpControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = std::make_unique<TZYNClientSettings>(FFolder.File("ZYNClient.ini"));
        winamp = desktop.OpenWindow("Winamp v1.x", "Winamp 5.9");
        wmplayer = desktop.OpenWindow("WMPlayerApp", "Windows Media Player");
        relay = desktop.OpenWindow("TfrmZYNWAmpRelaysClientMain", "ZYN relays");
    }
    void TearDown() override
    {
        control.reset();
        settings.reset();
    }

    // Both players steered, MediaVolume as given, commands of the start-up
    // forgotten.
    void Start(int mediaVolume, bool winAmp = true, bool wmPlayer = true)
    {
        settings->SetControlWinAmp(winAmp);
        settings->SetControlWMPlayer(wmPlayer);
        settings->SetMediaVolume(mediaVolume);
        control = std::make_unique<TControl>(*settings, desktop);
        desktop.ClearCommands();
    }

    std::size_t Ups(TWindowHandle w) const
    {
        return desktop.CountOf(w, w == winamp ? TControl::WinAmpVolumeUp : TControl::WMPlayerVolumeUp);
    }
    std::size_t Downs(TWindowHandle w) const
    {
        return desktop.CountOf(w, w == winamp ? TControl::WinAmpVolumeDown : TControl::WMPlayerVolumeDown);
    }

    TVirtualLoop loop;
    TSimulatedDesktop desktop;
    std::unique_ptr<TZYNClientSettings> settings;
    std::unique_ptr<TControl> control;
    TWindowHandle winamp = 0, wmplayer = 0, relay = 0;

private:
    TTempFolder FFolder;
};

} // namespace

TEST(VolumeStep, RoundsHalvesToTheEvenStepAndLimitsTheRange)
{
    EXPECT_EQ(VolumeStepOf(25, 10), 2); // 2.5
    EXPECT_EQ(VolumeStepOf(15, 10), 2); // 1.5
    EXPECT_EQ(VolumeStepOf(35, 10), 4); // 3.5
    EXPECT_EQ(VolumeStepOf(50, 64), 32);
    EXPECT_EQ(VolumeStepOf(1, 64), 1); // 0.64
    EXPECT_EQ(VolumeStepOf(1, 10), 0); // 0.1
    EXPECT_EQ(VolumeStepOf(26, 10), 3); // 2.6
    EXPECT_EQ(VolumeStepOf(100, 64), 64);
    EXPECT_EQ(VolumeStepOf(-1, 64), 0);
    EXPECT_EQ(VolumeStepOf(INT_MIN, 10), 0);
    EXPECT_EQ(VolumeStepOf(101, 64), 64);
    EXPECT_EQ(VolumeStepOf(INT_MAX, 10), 10);
}

TEST_F(WinAmpControl, ConstructionDrivesEachPlayerToTheBottomAndThenToTheMediaVolume)
{
    settings->SetControlWinAmp(true);
    settings->SetControlWMPlayer(true);
    settings->SetMediaVolume(50);
    control = std::make_unique<TControl>(*settings, desktop);

    EXPECT_EQ(
        desktop.Commands(winamp), Join(Repeat(TControl::WinAmpVolumeDown, 65), Repeat(TControl::WinAmpVolumeUp, 32)));
    EXPECT_EQ(desktop.Commands(wmplayer),
        Join(Repeat(TControl::WMPlayerVolumeDown, 11), Repeat(TControl::WMPlayerVolumeUp, 5)));
    EXPECT_EQ(desktop.Commands(relay),
        (std::vector<TCommand> {{TControl::RelayClientVolume, 0}, {TControl::RelayClientVolume, 50}}));
    EXPECT_EQ(control->WinAmpStep(), 32);
    EXPECT_EQ(control->WMPlayerStep(), 5);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
}

TEST_F(WinAmpControl, WithoutControlFlagsNoWindowIsLookedUpButStateAndTimersRun)
{
    Start(50, false, false);
    control->MuteMedia();
    EXPECT_EQ(control->MediaState(), TControl::msMuted);
    control->RestoreMedia();
    loop.AdvanceByMs(4000);
    EXPECT_EQ(control->MediaState(), TControl::msRising);
    loop.AdvanceByMs(50 * 200);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
    EXPECT_EQ(desktop.Lookups(), 0u);
    EXPECT_TRUE(desktop.Commands(winamp).empty());
    EXPECT_TRUE(desktop.Commands(wmplayer).empty());
    EXPECT_TRUE(desktop.Commands(relay).empty());
}

TEST_F(WinAmpControl, HalfStepsRoundToTheEvenNeighbour)
{
    Start(0);
    control->SetVolume(25);
    EXPECT_EQ(control->WMPlayerStep(), 2);
    EXPECT_EQ(Ups(wmplayer), 2u);
    control->SetVolume(15);
    EXPECT_EQ(control->WMPlayerStep(), 2);
    EXPECT_EQ(Ups(wmplayer), 2u);
    EXPECT_EQ(Downs(wmplayer), 0u);
    control->SetVolume(5); // 0.5 rounds to 0: the full way down
    EXPECT_EQ(Downs(wmplayer), 11u);
    EXPECT_EQ(control->WMPlayerStep(), 0);
}

TEST_F(WinAmpControl, MuteTwiceSendsTheDownStepsOnce)
{
    Start(50);
    control->MuteMedia();
    control->MuteMedia();
    EXPECT_EQ(desktop.Commands(winamp), Repeat(TControl::WinAmpVolumeDown, 65));
    EXPECT_EQ(desktop.Commands(wmplayer), Repeat(TControl::WMPlayerVolumeDown, 11));
    EXPECT_EQ(control->MediaState(), TControl::msMuted);
}

TEST_F(WinAmpControl, AFreeChannelRisesAfterFourSecondsOnePercentEvery200Ms)
{
    Start(50);
    control->MuteMedia();
    desktop.ClearCommands();
    const std::int64_t t0 = loop.NowMs();
    control->RestoreMedia();

    loop.AdvanceToUs((t0 + 3999) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msMuted);
    loop.AdvanceToUs((t0 + 4000) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msRising);
    loop.AdvanceToUs((t0 + 4199) * 1000);
    EXPECT_TRUE(desktop.Commands(relay).empty());
    loop.AdvanceToUs((t0 + 4200) * 1000);
    EXPECT_EQ(control->RampLevel(), 1);
    EXPECT_EQ(control->WinAmpStep(), 1);
    loop.AdvanceToUs((t0 + 4000 + 10 * 200) * 1000);
    EXPECT_EQ(control->RampLevel(), 10);
    EXPECT_EQ(control->WinAmpStep(), VolumeStepOf(10, 64));

    loop.AdvanceToUs((t0 + 4000 + 49 * 200) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msRising);
    loop.AdvanceToUs((t0 + 4000 + 50 * 200) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
    EXPECT_EQ(control->RampLevel(), 0);
    EXPECT_EQ(control->WinAmpStep(), 32);
    EXPECT_EQ(control->WMPlayerStep(), 5);

    // Every percentage from 1 to 50 went to the relay client, once each.
    // Winamp only ever stepped up; Windows Media Player's target stays 0 up to
    // 5 percent (0.5 rounds to even), and each of those ticks sends it the
    // full way down again.
    std::vector<TCommand> expectedRelay;
    for (long p = 1; p <= 50; ++p) expectedRelay.push_back({TControl::RelayClientVolume, p});
    EXPECT_EQ(desktop.Commands(relay), expectedRelay);
    EXPECT_EQ(desktop.Commands(winamp), Repeat(TControl::WinAmpVolumeUp, 32));
    EXPECT_EQ(desktop.Commands(wmplayer),
        Join(Repeat(TControl::WMPlayerVolumeDown, 5 * 11), Repeat(TControl::WMPlayerVolumeUp, 5)));

    loop.AdvanceByMs(60000);
    EXPECT_EQ(desktop.Commands(relay).size(), 50u);
}

TEST_F(WinAmpControl, CountdownIsNotRestartedButCancelledByActivityAndAnInterruptedRiseResumes)
{
    Start(50);
    control->MuteMedia();
    const std::int64_t t0 = loop.NowMs();
    control->RestoreMedia();
    loop.AdvanceByMs(3000);
    control->RestoreMedia(); // a second free report does not restart it
    loop.AdvanceToUs((t0 + 4000) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msRising);

    control->MuteMedia();
    control->RestoreMedia();
    loop.AdvanceByMs(3000);
    control->MuteMedia(); // busy again before the rise began
    loop.AdvanceByMs(10000);
    EXPECT_EQ(control->MediaState(), TControl::msMuted);
    EXPECT_FALSE(control->RestorePending());

    control->RestoreMedia();
    loop.AdvanceByMs(4000 + 10 * 200);
    ASSERT_EQ(control->RampLevel(), 10);
    control->MuteMedia();
    EXPECT_EQ(control->WinAmpStep(), 0);
    EXPECT_FALSE(control->RampRunning());
    control->RestoreMedia();
    loop.AdvanceByMs(4000 + 200);
    EXPECT_EQ(control->RampLevel(), 11);
    EXPECT_EQ(control->WinAmpStep(), VolumeStepOf(11, 64));
}

TEST_F(WinAmpControl, MediaVolumeChangedWhileMutedSendsNothingAndEndsTheNextRise)
{
    Start(50);
    control->MuteMedia();
    desktop.ClearCommands();
    settings->SetMediaVolume(20);
    EXPECT_TRUE(desktop.Commands(winamp).empty());
    EXPECT_TRUE(desktop.Commands(relay).empty());

    control->RestoreMedia();
    loop.AdvanceByMs(4000 + 20 * 200);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
    EXPECT_EQ(control->WinAmpStep(), VolumeStepOf(20, 64));
}

TEST_F(WinAmpControl, MediaVolumeChangedOutsideMuteSetsTheVolumeAtOnce)
{
    Start(50);
    settings->SetMediaVolume(25);
    EXPECT_EQ(control->WMPlayerStep(), 2);
    EXPECT_EQ(Downs(wmplayer), 3u);
    EXPECT_EQ(control->WinAmpStep(), 16);
    EXPECT_EQ(desktop.Commands(relay), (std::vector<TCommand> {{TControl::RelayClientVolume, 25}}));
}

TEST_F(WinAmpControl, MediaVolumeZeroRisesOneTickAtOnePercent)
{
    Start(0);
    control->MuteMedia();
    desktop.ClearCommands();
    control->RestoreMedia();
    loop.AdvanceByMs(4000 + 200);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
    EXPECT_EQ(desktop.Commands(winamp), Repeat(TControl::WinAmpVolumeUp, 1));
    EXPECT_EQ(desktop.Commands(wmplayer), Repeat(TControl::WMPlayerVolumeDown, 11));
    loop.AdvanceByMs(10000);
    EXPECT_EQ(desktop.Commands(winamp).size(), 1u);
}

TEST_F(WinAmpControl, OutOfRangeMediaVolumesCountAsTheNearestEnd)
{
    for (int volume : {-20, INT_MIN, 1000, INT_MAX}) {
        SCOPED_TRACE(volume);
        control.reset();
        Start(volume);
        const int full = volume > 0 ? 64 : 0;
        EXPECT_EQ(control->WinAmpStep(), full);
        control->MuteMedia();
        control->RestoreMedia();
        // The rise ends by 100 percent at the latest.
        loop.AdvanceByMs(4000 + 100 * 200);
        EXPECT_EQ(control->MediaState(), TControl::msNormal);
        EXPECT_EQ(control->WinAmpStep(), volume > 0 ? 64 : 1);
        EXPECT_EQ(control->WMPlayerStep(), volume > 0 ? 10 : 0);
    }
}

TEST_F(WinAmpControl, ClosedPlayerIsSkippedAndTheRelayFollowsTheWinampFlag)
{
    Start(50, false, true);
    desktop.CloseWindow(wmplayer);
    control->MuteMedia();
    EXPECT_EQ(control->WMPlayerStep(), 5);
    EXPECT_TRUE(desktop.Commands(wmplayer).empty());
    EXPECT_TRUE(desktop.Commands(winamp).empty());
    EXPECT_TRUE(desktop.Commands(relay).empty());
}

TEST_F(WinAmpControl, AVolumeChangeAfterTheControlIsGoneReachesNothing)
{
    Start(50);
    control.reset();
    settings->SetMediaVolume(10);
    EXPECT_TRUE(desktop.Commands(winamp).empty());
    EXPECT_TRUE(desktop.Commands(relay).empty());
}
