#include <gtest/gtest.h>

#include <array>

#include "radio/RigConfig.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/TempFolder.h"

namespace {

TRigConfig Keying(bool dtr, bool activeHigh, bool unusedHigh)
{
    TRigConfig config;
    config.RadioAttached = true;
    config.RigComKeying = true;
    config.RigComDtr = dtr;
    config.RigComActiveHigh = activeHigh;
    config.RigComUnusedHight = unusedHigh;
    return config;
}

using TLines = std::array<TLineLevel, 2>;
constexpr TRigLine RTS = TRigLine::RTS;
constexpr TRigLine DTR = TRigLine::DTR;

} // namespace

TEST(RigConfig, IdleLinesWriteThePttLineAtRestFirstThenTheOtherAtTheUnusedLevel)
{
    EXPECT_EQ(IdleLines(Keying(true, true, false), true), (TLines {{{DTR, false}, {RTS, false}}}));
    EXPECT_EQ(IdleLines(Keying(true, false, true), true), (TLines {{{DTR, true}, {RTS, true}}}));
    EXPECT_EQ(IdleLines(Keying(false, true, true), true), (TLines {{{RTS, false}, {DTR, true}}}));
    EXPECT_EQ(IdleLines(Keying(false, false, false), true), (TLines {{{RTS, true}, {DTR, false}}}));

    // A port that does not key (open for the receive input only) holds RTS,
    // then DTR, at the unused level, whatever the pin and polarity.
    EXPECT_EQ(IdleLines(Keying(true, false, true), false), (TLines {{{RTS, true}, {DTR, true}}}));
    EXPECT_EQ(IdleLines(Keying(true, false, false), false), (TLines {{{RTS, false}, {DTR, false}}}));
}

TEST(RigConfig, PttAndReceiveLevelsFollowTheirPolarity)
{
    EXPECT_EQ(PttLine(Keying(true, true, false)), DTR);
    EXPECT_EQ(PttLine(Keying(false, true, false)), RTS);
    EXPECT_TRUE(PttLevel(Keying(false, true, false), true));
    EXPECT_FALSE(PttLevel(Keying(false, true, false), false));
    EXPECT_FALSE(PttLevel(Keying(false, false, false), true));
    EXPECT_TRUE(PttLevel(Keying(false, false, false), false));

    TRigConfig input;
    input.VoIPComActiveHigh = true;
    EXPECT_TRUE(ReceiveActive(input, true));
    EXPECT_FALSE(ReceiveActive(input, false));
    input.VoIPComActiveHigh = false;
    EXPECT_FALSE(ReceiveActive(input, true));
    EXPECT_TRUE(ReceiveActive(input, false));
}

TEST(RigConfig, PortAndReleaseDelayDependOnWhetherARadioIsAttached)
{
    TRigConfig config = Keying(false, true, false);
    config.VoxDelayTime = 700;
    EXPECT_TRUE(KeysRadio(config));
    EXPECT_TRUE(NeedsPort(config));
    EXPECT_EQ(RxReleaseIntervalMs(config), 700);

    config.RadioAttached = false;
    EXPECT_FALSE(KeysRadio(config));
    EXPECT_FALSE(NeedsPort(config));
    EXPECT_EQ(RxReleaseIntervalMs(config), 10);
    config.VoIPComKeying = true;
    EXPECT_TRUE(NeedsPort(config));
}

TEST(RigConfig, SnapshotTakesEveryInterfaceSettingAndNamesThePort)
{
    TTempFolder folder;
    TZYNClientSettings settings(folder.File("ZYNClient.ini"));
    settings.SetBand(1);
    settings.SetRigComKeying(true);
    settings.SetRigComDtr(true);
    settings.SetRigComActiveHigh(false);
    settings.SetRigComUnusedHight(true);
    settings.SetCommIndex(11);
    settings.SetVoIPComKeying(true);
    settings.SetVoIPComDsr(true);
    settings.SetVoIPComActiveHigh(false);
    settings.SetSquelchSetlingTime(450);
    settings.SetVoxDelayTime(900);
    settings.SetGpioPin(5);

    const TRigConfig config = RigConfigOf(settings);
    EXPECT_TRUE(config.RadioAttached);
    EXPECT_TRUE(config.RigComKeying);
    EXPECT_TRUE(config.RigComDtr);
    EXPECT_FALSE(config.RigComActiveHigh);
    EXPECT_TRUE(config.RigComUnusedHight);
    EXPECT_EQ(config.PortName, "COM12");
    EXPECT_TRUE(config.VoIPComKeying);
    EXPECT_TRUE(config.VoIPComDsr);
    EXPECT_FALSE(config.VoIPComActiveHigh);
    EXPECT_EQ(config.SquelchSetlingTime, 450);
    EXPECT_EQ(config.VoxDelayTime, 900);
    EXPECT_EQ(config.GpioPin, 5);

    settings.SetBand(0);
    EXPECT_FALSE(RigConfigOf(settings).RadioAttached);
}
