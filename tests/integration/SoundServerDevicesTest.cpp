// The sound server back end on the test run's private server, which has two
// null sinks: "loop" (the default, standing for the speakers) and "radio".
// Devices chosen by name, a chosen device that goes and comes back, and the
// streams as the server shows them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/PulseSoundPlatform.h"
#include "audio/WavePlayers.h"
#include "base/RealTimeLoop.h"
#include "media/SimulatedMixer.h"
#include "modem/untFFSK.h"
#include "modem/untFFSKReceiver.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "station/untFFSKTranceiver.h"
#include "station/untFFSKTransmitter.h"
#include "tests/support/ShellOutput.h"
#include "tests/support/TempFolder.h"

namespace {

// A null sink of the test's own, unloaded when the test ends.
class TExtraSink {
public:
    explicit TExtraSink(std::string name)
        : FName(std::move(name))
    {
        Load();
    }
    ~TExtraSink() { Unload(); }
    void Load()
    {
        FModule = ShellOutput("pactl load-module module-null-sink rate=48000 sink_name=" + FName);
        ASSERT_FALSE(FModule.empty()) << "pactl could not load a null sink";
    }
    void Unload()
    {
        if (!FModule.empty()) ShellOutput("pactl unload-module " + FModule);
        FModule.clear();
    }

private:
    std::string FName;
    std::string FModule;
};

struct SoundServerDevices : ::testing::Test {
    TRealTimeLoop loop;

    std::unique_ptr<TPulseSoundPlatform> Platform(const std::string& output, const std::string& input)
    {
        auto platform = TPulseSoundPlatform::Connect("FFSK to radio", "FFSK from radio");
        if (!platform) return nullptr;
        platform->ChooseDevice(TWaveDirection::Playback, output);
        platform->ChooseDevice(TWaveDirection::Capture, input);
        return platform;
    }
};

// A receiver that keeps what it decodes and counts its level notices.
struct TListener {
    TFFSKReceiver receiver;
    std::vector<std::string> texts;
    int levels = 0;
    int loudest = 0;
    std::vector<TConnection> connections;
    explicit TListener(TSoundPlatform& platform)
        : receiver(platform)
    {
        connections.push_back(receiver.OnReceive.Connect(
            [this](TObject*, const TDecodedMessage& message) { texts.push_back(message.Body); }));
        connections.push_back(receiver.OnInputLevel.Connect([this](TObject*, int level) {
            ++levels;
            loudest = std::max(loudest, level);
        }));
    }
};

} // namespace

TEST_F(SoundServerDevices, ListsSinksAndSourcesByNameWithMonitorsMarked)
{
    auto platform = Platform("", "");
    ASSERT_TRUE(platform) << "no sound server";
    const auto sinks = platform->Devices(TWaveDirection::Playback);
    const auto radio = platform->Find(TWaveDirection::Playback, "radio");
    ASSERT_TRUE(radio);
    EXPECT_EQ(radio->Description, "Radio");
    EXPECT_TRUE(platform->Find(TWaveDirection::Playback, "loop"));
    EXPECT_FALSE(platform->Find(TWaveDirection::Playback, "radio.monitor"));
    const auto monitor = platform->Find(TWaveDirection::Capture, "radio.monitor");
    ASSERT_TRUE(monitor);
    EXPECT_TRUE(monitor->Monitor);
    EXPECT_FALSE(radio->Monitor);

    // A sink loaded while the list is kept is announced and listed.
    int changes = 0;
    const TConnection on100 = platform->OnChange.Connect([&](TObject*) { ++changes; });
    {
        TExtraSink extra("parlet_extra");
        EXPECT_TRUE(
            loop.RunUntil([&] { return platform->Find(TWaveDirection::Playback, "parlet_extra").has_value(); }, 3000));
        EXPECT_TRUE(platform->Find(TWaveDirection::Capture, "parlet_extra.monitor"));
    }
    EXPECT_TRUE(loop.RunUntil([&] { return !platform->Find(TWaveDirection::Playback, "parlet_extra"); }, 3000));
    EXPECT_GE(changes, 2);
}

TEST_F(SoundServerDevices, NamedStreamsSendToTheChosenSinkOnlyAndTakeFromTheChosenSource)
{
    auto radio = Platform("radio", "radio.monitor");
    auto speakers = Platform("", "loop.monitor");
    ASSERT_TRUE(radio && speakers);
    TListener onRadio(*radio);
    TListener onSpeakers(*speakers);
    TFFSK modulator(*radio);
    ASSERT_TRUE(loop.RunUntil([&] { return onRadio.levels >= 5 && onSpeakers.levels >= 5; }, 10000));
    // The streams carry the program's name and their purpose.
    const std::string inputs = ShellOutput("pactl list sink-inputs");
    const std::string outputs = ShellOutput("pactl list source-outputs");
    EXPECT_NE(inputs.find("media.name = \"FFSK to radio\""), std::string::npos) << inputs;
    EXPECT_NE(inputs.find("application.name = \"Parlet\""), std::string::npos) << inputs;
    EXPECT_NE(outputs.find("media.name = \"FFSK from radio\""), std::string::npos) << outputs;
    EXPECT_NE(outputs.find("application.name = \"Parlet\""), std::string::npos) << outputs;

    const std::string text = "SMS>Anna>>to the radio only, pad";
    ASSERT_EQ(text.size() % 8, 0u) << "whole blocks, so nothing is padded";
    modulator.WriteText(text);
    EXPECT_TRUE(loop.RunUntil([&] { return !onRadio.texts.empty(); }, 3000));
    loop.RunForMs(500);
    ASSERT_EQ(onRadio.texts.size(), 1u);
    EXPECT_EQ(onRadio.texts[0], text.substr(4));
    EXPECT_GT(onRadio.loudest, 5);
    EXPECT_TRUE(onSpeakers.texts.empty());
    EXPECT_EQ(onSpeakers.loudest, 0) << "something reached the speakers";
}

TEST_F(SoundServerDevices, RemovedSinkIsLostOnceAndComesBackWithinTwoSecondsOfItsReturn)
{
    TExtraSink card("parlet_usb");
    auto platform = Platform("parlet_usb", "parlet_usb.monitor");
    ASSERT_TRUE(platform);
    TListener listener(*platform);
    TFFSK modulator(*platform);
    int lost = 0;
    const TConnection on148 = modulator.OnPlayerLost.Connect([&](TObject*) { ++lost; });
    ASSERT_TRUE(loop.RunUntil([&] { return listener.levels >= 3; }, 10000));

    ::testing::internal::CaptureStderr();
    card.Unload();
    EXPECT_TRUE(loop.RunUntil([&] { return modulator.PlayerLost(); }, 3000));
    loop.RunForMs(2500);
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(modulator.PlayerLost()) << "the stream went to another sink";

    card.Load();
    const std::int64_t loadedAt = loop.NowMs();
    EXPECT_TRUE(loop.RunUntil([&] { return !modulator.PlayerLost(); }, 2000));
    EXPECT_LE(loop.NowMs() - loadedAt, 2000);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("playback device lost"), said.rfind("playback device lost")) << said;
    EXPECT_NE(said.find("playback device lost"), std::string::npos) << said;

    const std::size_t before = listener.texts.size();
    modulator.WriteText("SMS>Anna>>back again, padded");
    EXPECT_TRUE(loop.RunUntil([&] { return listener.texts.size() > before; }, 4000));
}

TEST_F(SoundServerDevices, ChosenSinkMissingAtStartIsAwaitedNotReplaced)
{
    auto platform = Platform("parlet_later", "");
    auto speakers = Platform("", "loop.monitor");
    ASSERT_TRUE(platform && speakers);
    TListener onSpeakers(*speakers);
    ::testing::internal::CaptureStderr();
    TFFSK modulator(*platform);
    EXPECT_TRUE(modulator.PlayerLost());
    modulator.WriteText("SMS>Anna>>must not be heard anywhere");
    loop.RunForMs(1500);
    EXPECT_TRUE(modulator.PlayerLost());
    EXPECT_EQ(onSpeakers.loudest, 0) << "the tones went to the speakers";

    TExtraSink card("parlet_later");
    EXPECT_TRUE(loop.RunUntil([&] { return !modulator.PlayerLost(); }, 2000));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("playback device \"parlet_later\" not found"), std::string::npos) << said;
}

// A whole station as the program builds it, on the sound server, keying on
// a simulated serial port: its settings send to a card of its own.
TEST_F(SoundServerDevices, WholeStationIsHeardOnItsCardOnlyAndReleasesTheRadioWhenTheCardGoes)
{
    TExtraSink card("parlet_radio_card");
    TTempFolder folder;
    const std::string settings = folder.File("ZYNClient.ini");
    WriteBytes(settings,
        "[Identification]\r\nOperaterName=Anna\r\n[Interface]\r\nRigComm=1\r\nRigComDtr=0\r\n"
        "RigComActiveHigh=1\r\nCommPort=0\r\nCourtesyDelay=400\r\n[Parlet]\r\nOutputDevice=parlet_radio_card\r\n");
    auto sound = TPulseSoundPlatform::Connect("FFSK to radio", "FFSK from radio");
    auto onCard = Platform("", "parlet_radio_card.monitor");
    auto onSpeakers = Platform("", "loop.monitor");
    ASSERT_TRUE(sound && onCard && onSpeakers);
    TSimulatedSerialPlatform serial;
    TSimulatedHidBus hid;
    TSimulatedMixer mixer;
    TFFSKTranceiver station(TStationPlatform {*sound, serial, hid, hid, mixer}, settings);
    std::vector<bool> keying;
    const TConnection on210 = station.Transmitter().OnTX.Connect([&](TObject*, bool on) { keying.push_back(on); });
    TListener radio(*onCard);
    TListener speakers(*onSpeakers);
    ASSERT_TRUE(loop.RunUntil([&] { return radio.levels >= 3 && speakers.levels >= 3; }, 10000));

    station.SendText("heard on the radio");
    EXPECT_TRUE(loop.RunUntil([&] { return !radio.texts.empty(); }, 9000));
    loop.RunForMs(500);
    ASSERT_EQ(radio.texts.size(), 1u);
    EXPECT_EQ(radio.texts[0].substr(0, 24), "Anna>>heard on the radio");
    EXPECT_TRUE(speakers.texts.empty());
    EXPECT_EQ(speakers.loudest, 0);
    EXPECT_EQ(keying, (std::vector<bool> {true, false}));
    EXPECT_FALSE(serial.RTS("COM1"));

    // The card goes: the next keying is released, nothing is heard anywhere.
    ::testing::internal::CaptureStderr();
    card.Unload();
    loop.RunForMs(500);
    station.SendText("into the void");
    EXPECT_TRUE(loop.RunUntil([&] { return keying.size() >= 4; }, 9000));
    loop.RunForMs(1500);
    EXPECT_EQ(keying, (std::vector<bool> {true, false, true, false}));
    EXPECT_FALSE(serial.RTS("COM1"));
    EXPECT_EQ(radio.texts.size(), 1u);
    EXPECT_TRUE(speakers.texts.empty());
    EXPECT_EQ(speakers.loudest, 0) << "the tones went to the speakers";

    card.Load();
    ::testing::internal::GetCapturedStderr();
    loop.RunForMs(2000);
    station.SendText("back");
    EXPECT_TRUE(loop.RunUntil([&] { return radio.texts.size() == 2; }, 9000));
}
