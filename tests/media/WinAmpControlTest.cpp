#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "base/VirtualLoop.h"
#include "media/SimulatedMixer.h"
#include "media/untZYNWinAmpControl.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/TempFolder.h"

namespace {

using TControl = TZYNWinAmpControl;
constexpr std::uint32_t Sixty = 39322; // 60 % in the server's units

// Another program playing at 60 % on a simulated mixer, settings in a
// private file with turning down ticked.
class WinAmpControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = std::make_unique<TZYNClientSettings>(FFolder.File("ZYNClient.ini"));
        music = mixer.StartStream(Sixty);
    }
    void TearDown() override
    {
        control.reset();
        settings.reset();
    }

    void Start(int mediaVolume, bool turnDown = true)
    {
        settings->SetControlWinAmp(turnDown);
        settings->SetMediaVolume(mediaVolume);
        control = std::make_unique<TControl>(*settings, mixer);
    }
    std::uint32_t At(int level) const { return VolumeAtLevel(Sixty, level); }

    TVirtualLoop loop;
    TSimulatedMixer mixer;
    std::unique_ptr<TZYNClientSettings> settings;
    std::unique_ptr<TControl> control;
    TSimulatedMixer::TStreamId music = 0;

private:
    TTempFolder FFolder;
};

} // namespace

TEST_F(WinAmpControl, AFreeChannelPlaysEveryProgramAtTheMediaVolumeOfItsOwnAndTheEndGivesItBack)
{
    Start(50);
    EXPECT_EQ(mixer.Level(), 50);
    EXPECT_EQ(mixer.Volume(music), At(50));
    const auto late = mixer.StartStream(65536);
    EXPECT_EQ(mixer.Volume(late), 32768u) << "a program that starts while free";
    control->MuteMedia();
    EXPECT_EQ(mixer.Volume(music), 0u);
    EXPECT_EQ(mixer.OwnVolume(music), Sixty) << "always relative to the volume before";
    control.reset();
    EXPECT_EQ(mixer.Volume(music), Sixty);
    EXPECT_EQ(mixer.Volume(late), 65536u);

    Start(100);
    EXPECT_EQ(mixer.Volume(music), Sixty) << "100 is exactly its own";
    EXPECT_FALSE(mixer.OwnVolume(music));
}

TEST_F(WinAmpControl, UntickedNothingIsTurnedDownButStateAndTimersRunAndUntickingGivesVolumesBack)
{
    Start(50, false);
    control->MuteMedia();
    EXPECT_EQ(control->MediaState(), TControl::msMuted);
    control->RestoreMedia();
    loop.AdvanceByMs(4000);
    EXPECT_EQ(control->MediaState(), TControl::msRising);
    loop.AdvanceByMs(50 * 200);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
    EXPECT_EQ(mixer.Volume(music), Sixty);
    EXPECT_EQ(mixer.Level(), 100);

    settings->SetControlWinAmp(true);
    control->MuteMedia();
    EXPECT_EQ(mixer.Volume(music), 0u);
    settings->SetControlWinAmp(false);
    control->RestoreMedia();
    loop.AdvanceByMs(4000 + 200);
    EXPECT_EQ(mixer.Volume(music), Sixty) << "back at the first step of the rise";
}

TEST_F(WinAmpControl, MuteTwiceSetsTheLevelOnce)
{
    Start(50);
    const int changes = mixer.LevelChanges();
    control->MuteMedia();
    control->MuteMedia();
    EXPECT_EQ(mixer.LevelChanges(), changes + 1);
    EXPECT_EQ(control->MediaState(), TControl::msMuted);
}

TEST_F(WinAmpControl, AFreeChannelRisesAfterFourSecondsOnePercentEvery200Ms)
{
    Start(50);
    control->MuteMedia();
    const std::int64_t t0 = loop.NowMs();
    control->RestoreMedia();

    loop.AdvanceToUs((t0 + 3999) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msMuted);
    loop.AdvanceToUs((t0 + 4000) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msRising);
    loop.AdvanceToUs((t0 + 4199) * 1000);
    EXPECT_EQ(mixer.Level(), 0);
    loop.AdvanceToUs((t0 + 4200) * 1000);
    EXPECT_EQ(control->RampLevel(), 1);
    EXPECT_EQ(mixer.Volume(music), At(1));
    loop.AdvanceToUs((t0 + 4000 + 10 * 200) * 1000);
    EXPECT_EQ(mixer.Volume(music), At(10));
    loop.AdvanceToUs((t0 + 4000 + 49 * 200) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msRising);
    loop.AdvanceToUs((t0 + 4000 + 50 * 200) * 1000);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
    EXPECT_EQ(control->RampLevel(), 0);
    EXPECT_EQ(mixer.Volume(music), At(50));
    const int changes = mixer.LevelChanges();
    loop.AdvanceByMs(60000);
    EXPECT_EQ(mixer.LevelChanges(), changes);
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
    EXPECT_EQ(mixer.Volume(music), 0u);
    EXPECT_FALSE(control->RampRunning());
    control->RestoreMedia();
    loop.AdvanceByMs(4000 + 200);
    EXPECT_EQ(control->RampLevel(), 11);
    EXPECT_EQ(mixer.Volume(music), At(11));
}

TEST_F(WinAmpControl, MediaVolumeChangesApplyAtOnceExceptWhileMutedWhereTheNextRiseEndsThere)
{
    Start(50);
    settings->SetMediaVolume(25);
    EXPECT_EQ(mixer.Volume(music), At(25));

    control->MuteMedia();
    settings->SetMediaVolume(20);
    EXPECT_EQ(mixer.Volume(music), 0u);
    control->RestoreMedia();
    loop.AdvanceByMs(4000 + 20 * 200);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
    EXPECT_EQ(mixer.Volume(music), At(20));

    // Lowered during a rise: the rise ends at the new volume, not above it.
    control->MuteMedia();
    control->RestoreMedia();
    loop.AdvanceByMs(4000 + 10 * 200);
    settings->SetMediaVolume(5);
    loop.AdvanceByMs(200);
    EXPECT_EQ(control->MediaState(), TControl::msNormal);
    EXPECT_EQ(mixer.Level(), 5);
}

TEST_F(WinAmpControl, OutOfRangeMediaVolumesCountAsTheNearestEnd)
{
    for (int volume : {0, -20, INT_MIN, 1000, INT_MAX}) {
        SCOPED_TRACE(volume);
        control.reset();
        Start(volume);
        const int level = volume > 0 ? 100 : 0;
        EXPECT_EQ(mixer.Level(), level);
        control->MuteMedia();
        control->RestoreMedia();
        // The rise ends by 100 percent at the latest; at 0 after one tick.
        loop.AdvanceByMs(4000 + 200);
        if (level == 0) {
            EXPECT_EQ(control->MediaState(), TControl::msNormal);
        }
        loop.AdvanceByMs(100 * 200);
        EXPECT_EQ(control->MediaState(), TControl::msNormal);
        EXPECT_EQ(mixer.Level(), level);
    }
}

TEST_F(WinAmpControl, AVolumeChangeAfterTheControlIsGoneReachesNothing)
{
    Start(50);
    control.reset();
    const int changes = mixer.LevelChanges();
    settings->SetMediaVolume(10);
    EXPECT_EQ(mixer.LevelChanges(), changes);
    EXPECT_EQ(mixer.Volume(music), Sixty);
}
