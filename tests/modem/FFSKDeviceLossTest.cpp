// The modem when its sound devices go away and come back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ModemTestKit.h"

using namespace modemtest;

namespace {
bool AllSilence(const std::vector<std::uint8_t>& played)
{
    return std::all_of(played.begin(), played.end(), [](std::uint8_t b) { return b == TFFSK::Midpoint; });
}
} // namespace

TEST(FFSKDeviceLoss, LostPlayerDropsTheFrameAndPlaysOnlyWhatIsWrittenAfterItIsBack)
{
    TLoopback link;
    link.Card.SetRecordPlayback(true);
    int lost = 0;
    const TConnection on23 = link.Modulator->OnPlayerLost.Connect([&](TObject* sender) {
        EXPECT_EQ(sender, link.Modulator.get());
        ++lost;
    });
    testing::internal::CaptureStderr();
    link.Loop.AdvanceByMs(500);
    link.Modulator->WriteText("SMS>Anna>>" + std::string(150, 'x'));
    link.Loop.AdvanceByMs(500);
    ASSERT_GT(link.Modulator->QueuedBytes(), 0u) << "the frame is still being played";
    (void)link.Card.TakePlayed();

    link.Card.Unplug(TWaveDirection::Playback);
    link.Loop.AdvanceByMs(1);
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(link.Modulator->PlayerLost());
    EXPECT_EQ(link.Modulator->QueuedBytes(), 0u);
    link.Loop.AdvanceByMs(2000);
    link.Card.Replug(TWaveDirection::Playback);
    link.Loop.AdvanceByMs(3000);
    EXPECT_FALSE(link.Modulator->PlayerLost());
    EXPECT_EQ(link.Readies, 0) << "the frame was never played out";
    const auto afterReturn = link.Card.TakePlayed();
    EXPECT_GE(afterReturn.size(), 10u * TFFSK::BlockSize) << "silence streams again";
    EXPECT_TRUE(AllSilence(afterReturn)) << "nothing of the dropped frame sounds later";

    link.Messages.clear();
    link.Modulator->WriteText("SMS>Anna>>after the return");
    ASSERT_TRUE(link.WaitForMessages(1));
    EXPECT_EQ(link.Messages[0].RxString, std::string("Anna>>after the return") + std::string(6, '\0'));
    link.Loop.AdvanceByMs(1000);
    EXPECT_EQ(link.Readies, 1);
    EXPECT_EQ(lost, 1);
    (void)testing::internal::GetCapturedStderr();
}

TEST(FFSKDeviceLoss, BothDevicesLostAsWithASoundServerRestartAndTheLinkWorksAgain)
{
    TLoopback link;
    testing::internal::CaptureStderr();
    link.Loop.AdvanceByMs(1000);
    link.Card.Unplug(TWaveDirection::Capture);
    link.Card.Unplug(TWaveDirection::Playback);
    link.Loop.AdvanceByMs(4000);
    link.Card.Replug(TWaveDirection::Playback);
    link.Card.Replug(TWaveDirection::Capture);
    link.Loop.AdvanceByMs(1000);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("parlet: capture device is back"), std::string::npos) << said;
    EXPECT_NE(said.find("parlet: playback device is back"), std::string::npos) << said;

    link.Modulator->WriteText("SMS>Bob>>heard again");
    ASSERT_TRUE(link.WaitForMessages(1));
    EXPECT_EQ(link.Messages[0], (TMessage {true, std::string("Bob>>heard again") + std::string(4, '\0'), 0}));
}

TEST(FFSKDeviceLoss, ChoosingADeviceWhileTheOldOneIsLostOpensTheNewOne)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card(2);
    TFFSK modulator(card);
    testing::internal::CaptureStderr();
    loop.AdvanceByMs(300);
    card.Unplug(TWaveDirection::Playback);
    loop.AdvanceByMs(1500);
    card.Replug(TWaveDirection::Playback);
    modulator.SetDeviceID(1);
    loop.AdvanceByMs(1000);
    (void)testing::internal::GetCapturedStderr();
    EXPECT_EQ(card.OpenDeviceID(TWaveDirection::Playback), 1);
    // And back to the default device, which is -1.
    modulator.SetDeviceID(-1);
    loop.AdvanceByMs(10);
    EXPECT_EQ(card.OpenDeviceID(TWaveDirection::Playback), -1);
    EXPECT_EQ(modulator.DeviceID(), -1);
}

TEST(FFSKDeviceLoss, FrameCutJustAfterASyncWordDoesNotSpoilTheNextOne)
{
    // The second sync word is heard, then the sender's sound card dies:
    // its block never comes. After the silence a new frame arrives whole.
    const auto first = RenderFrame("SMS>Anna>>" + std::string(14, 'x'));
    const std::size_t cut = (16 + 96 + 32) * TFFSK::SamplesPerBit;
    ASSERT_GT(first.size(), cut);
    TDirectReceiver rx;
    rx.Feed(ToCapture(std::vector<std::uint8_t>(first.begin(), first.begin() + cut)), 10);
    rx.Feed(ToCapture(RenderFrame("SMS>Bob>>whole again")));
    ASSERT_EQ(rx.Messages.size(), 2u);
    EXPECT_EQ(rx.Messages[0].RxString, "Anna");
    EXPECT_EQ(rx.Messages[1].RxString, std::string("Bob>>whole again") + std::string(4, '\0'));
}
