#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "rig/RigConfig.h"

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

TEST(RigConfig, OnlyThePortsOwnSettingsConcernTheSerialPort)
{
    const TRigConfig base = Keying(false, true, false);
    const std::pair<const char*, void (*)(TRigConfig&)> cases[] = {
        {"PortName", [](TRigConfig& c) { c.PortName = "COM2"; }},
        {"RigComDtr", [](TRigConfig& c) { c.RigComDtr = true; }},
        {"RigComActiveHigh", [](TRigConfig& c) { c.RigComActiveHigh = false; }},
        {"RigComUnusedHight", [](TRigConfig& c) { c.RigComUnusedHight = true; }},
        {"VoIPComDsr", [](TRigConfig& c) { c.VoIPComDsr = true; }},
        {"VoIPComActiveHigh", [](TRigConfig& c) { c.VoIPComActiveHigh = false; }},
    };
    for (const auto& [name, change] : cases) {
        TRigConfig changed = base;
        change(changed);
        EXPECT_FALSE(SameSerialSettings(base, changed)) << name;
    }
    TRigConfig other = base;
    other.GpioPin = 5;
    other.OutputDevice = "USB Audio";
    other.SquelchSetlingTime = 700;
    other.VoxDelayTime = 900;
    EXPECT_TRUE(SameSerialSettings(base, other));
}
