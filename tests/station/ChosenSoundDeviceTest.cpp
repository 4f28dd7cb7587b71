// A station whose settings choose the sound devices by name: a chosen device
// that is not plugged in is waited for (nothing goes elsewhere, a keying is
// released), it is taken within two seconds of appearing, and a new choice
// reopens only the stream it concerns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StationFixture.h"
#include "settings/untZYNClientSettings.h"

namespace {

TSoundDeviceInfo Card(const std::string& name)
{
    TSoundDeviceInfo device;
    device.Name = name;
    device.Description = "USB Audio " + name;
    return device;
}

class ChosenSoundDeviceTest : public StationTest {
protected:
    void Build(const std::string& extraSettings)
    {
        loop.SetErrorReport([this](const std::string& m) { reports.push_back(m); });
        station = std::make_unique<TSimulatedStation>(RtsStationSettings("Anna", 400) + extraSettings);
        log = std::make_unique<TKeyingLog>(loop, *station);
        transmitter = &station->Open().Transmitter();
        log->Watch(*transmitter);
    }
    TSimulatedSoundCard& Sound() { return station->sound; }

    std::vector<std::string> reports;
};

} // namespace

TEST_F(ChosenSoundDeviceTest, MissingOutputIsAwaitedReleasesTheKeyingAndIsTakenWhenItAppears)
{
    testing::internal::CaptureStderr();
    Build("[Parlet]\r\nOutputDevice=radio\r\n");
    EXPECT_FALSE(Sound().OpenDeviceID(TWaveDirection::Playback)) << "opened on another device";
    EXPECT_TRUE(Sound().OpenDeviceID(TWaveDirection::Capture)) << "the input is the system default";

    transmitter->Send("SMS>Anna>>nowhere to go");
    RunTo(6000);
    EXPECT_EQ(TimesOf("rts-up"), (std::vector<std::int64_t> {5000}));
    EXPECT_EQ(TimesOf("rts-down"), (std::vector<std::int64_t> {5400}));
    EXPECT_FALSE(FindTones(Sound().TakePlayed()).found);
    EXPECT_EQ(reports.size(), 1u);

    Sound().AddNamed(TWaveDirection::Playback, Card("radio"));
    const std::int64_t pluggedAt = loop.NowMs();
    while (!Sound().OpenDeviceID(TWaveDirection::Playback) && loop.NowMs() < pluggedAt + 3000) Run(10);
    EXPECT_LE(loop.NowMs() - pluggedAt, 2000);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("playback device \"radio\" not found"), std::string::npos) << said;
    EXPECT_EQ(said.find("not found"), said.rfind("not found")) << "said once: " << said;

    transmitter->Send("SMS>Anna>>now on the radio");
    RunTo(20000);
    EXPECT_TRUE(FindTones(Sound().TakePlayed()).found);
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(ChosenSoundDeviceTest, ChoiceWrittenThroughReopensOnlyItsOwnStream)
{
    Build("");
    Sound().AddNamed(TWaveDirection::Playback, Card("radio"));
    Sound().AddNamed(TWaveDirection::Capture, Card("radio-in"));
    TZYNClientSettings& settings = station->transceiver->Settings();
    RunTo(1000);

    testing::internal::CaptureStderr();
    settings.SetOutputDevice("radio");
    RunTo(2000);
    EXPECT_NE(ReadBytes(station->SettingsFile()).find("[Parlet]\r\nOutputDevice=radio\r\n"), std::string::npos)
        << ReadBytes(station->SettingsFile());
    EXPECT_EQ(Sound().ChosenDevice(TWaveDirection::Playback), "radio");
    ASSERT_TRUE(Sound().OpenDeviceID(TWaveDirection::Playback));

    // The stream now runs on "radio": pulling that card loses it, pulling
    // the other does not touch the input.
    Sound().RemoveNamed(TWaveDirection::Capture, "radio-in");
    Sound().RemoveNamed(TWaveDirection::Playback, "radio");
    RunTo(2500);
    EXPECT_FALSE(Sound().OpenDeviceID(TWaveDirection::Playback));
    EXPECT_TRUE(Sound().OpenDeviceID(TWaveDirection::Capture));

    // Back to the system default: the player opens at once, not a second later.
    settings.SetOutputDevice("");
    EXPECT_TRUE(Sound().OpenDeviceID(TWaveDirection::Playback));
    settings.SetInputDevice("radio-in");
    RunTo(3000);
    EXPECT_FALSE(Sound().OpenDeviceID(TWaveDirection::Capture)) << "the missing input is waited for";
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("capture device \"radio-in\" not found"), std::string::npos) << said;
    // A line break would split the line in the shared file: refused.
    settings.SetInputDevice("bad\nname");
    EXPECT_EQ(settings.InputDevice(), "radio-in");
    EXPECT_EQ(ReadBytes(station->SettingsFile()).find("bad"), std::string::npos);
}
