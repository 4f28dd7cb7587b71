// The life of a stream as one state: every event sees the state it belongs
// to, and no notice that comes late moves a stream back.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "audio/WavePlayers.h"
#include "audio/WaveRecorders.h"
#include "base/VirtualLoop.h"

namespace {

using S = TWaveStreamState;
using States = std::vector<std::string>;

const char* Name(S state)
{
    static constexpr const char* Names[] = {"Closed", "Opening", "Starting", "Streaming", "Closing", "CloseRequested"};
    return Names[static_cast<int>(state)];
}

// A player and a recorder as the modem sets them up; every event writes the
// state its stream is in when the event is raised.
struct StreamStateFixture : ::testing::Test {
    TVirtualLoop loop;
    TSimulatedSoundCard card {2};
    std::vector<std::uint32_t> supply; // bytes per fill, then full buffers
    States seen;
    std::unique_ptr<TLiveAudioPlayer> player = std::make_unique<TLiveAudioPlayer>(card);
    std::unique_ptr<TLiveAudioRecorder> recorder = std::make_unique<TLiveAudioRecorder>(card);

    StreamStateFixture()
    {
        player->SetBufferLength(200);
        player->SetPCMFormat(Mono8bit48000Hz);
        Watch(*player, "play");
        player->OnData = [this](TObject*, std::uint8_t* buffer, std::uint32_t size) {
            See("play data", *player);
            std::uint32_t n = size;
            if (!supply.empty()) {
                n = supply.front();
                supply.erase(supply.begin());
            }
            std::memset(buffer, 255, n); // level 100 while it plays
            return n;
        };
        recorder->SetBufferLength(200);
        recorder->SetPCMFormat(Mono16bit48000Hz);
        Watch(*recorder, "rec");
        connections.push_back(recorder->OnData.Connect([this](TObject*, const std::uint8_t*, std::uint32_t size) {
            See("rec data " + std::to_string(size), *recorder);
        }));
    }

    void Watch(TWaveAudioIO& stream, const std::string& who)
    {
        connections.push_back(
            stream.OnActivate.Connect([this, &stream, who](TObject*) { See(who + " activate", stream); }));
        connections.push_back(
            stream.OnDeactivate.Connect([this, &stream, who](TObject*) { See(who + " deactivate", stream); }));
        connections.push_back(
            stream.OnDeviceLost.Connect([this, &stream, who](TObject*) { See(who + " lost", stream); }));
        connections.push_back(stream.OnLevel.Connect([this, &stream, who](TObject*, int level) {
            if (level == 0) See(who + " level 0", stream); // the close's, or a recorder's silence
        }));
    }

    void See(const std::string& what, const TWaveAudioIO& stream)
    {
        seen.push_back(what + ": " + Name(stream.State()));
    }
    // Last: the listeners end before what they use.
    std::vector<TConnection> connections;
};

} // namespace

TEST_F(StreamStateFixture, PlayerOpensStreamsClosesAndEachEventSeesItsState)
{
    EXPECT_EQ(player->State(), S::Closed);
    player->Activate();
    EXPECT_EQ(player->State(), S::Starting) << "open, its opened notice still to come";
    EXPECT_TRUE(player->Active());
    loop.AdvanceByMs(300);
    EXPECT_EQ(player->State(), S::Streaming);
    EXPECT_EQ(seen,
        (States {"play activate: Streaming", "play data: Streaming", "play data: Streaming", "play data: Streaming"}));
    seen.clear();

    player->Deactivate();
    EXPECT_EQ(player->State(), S::Closing) << "two buffers are still to come back";
    EXPECT_TRUE(player->Active());
    loop.RunPending();
    // The closing level is raised while the stream is still active; only
    // OnDeactivate sees it closed, so it may activate again.
    EXPECT_EQ(seen, (States {"play level 0: CloseRequested", "play deactivate: Closed"}));
    EXPECT_EQ(player->State(), S::Closed);
    EXPECT_FALSE(player->Active());
}

TEST_F(StreamStateFixture, CloseBeforeTheOpenedNoticeIsNotUndoneByIt)
{
    player->Activate();
    player->Deactivate();
    EXPECT_EQ(player->State(), S::CloseRequested) << "no buffer yet, so the device is asked to close at once";
    loop.AdvanceByMs(1000);
    // The opened notice still raises OnActivate, but the stream stays
    // closing: no buffer is asked for.
    EXPECT_EQ(
        seen, (States {"play activate: CloseRequested", "play level 0: CloseRequested", "play deactivate: Closed"}));
    EXPECT_EQ(player->State(), S::Closed);
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Playback));
}

TEST_F(StreamStateFixture, FillOfZeroClosesAfterTheQueuedBufferAndASecondDeactivateChangesNothing)
{
    supply = {9600, 0};
    player->Activate();
    loop.RunPending();
    EXPECT_EQ(player->State(), S::Closing) << "the first buffer is still playing";
    player->Deactivate();
    EXPECT_EQ(player->State(), S::Closing);
    loop.AdvanceByMs(199);
    EXPECT_EQ(player->State(), S::Closing);
    loop.AdvanceByMs(1);
    EXPECT_EQ(player->State(), S::Closed);
    EXPECT_EQ(seen.back(), "play deactivate: Closed");
}

TEST_F(StreamStateFixture, RecorderDeliversWhatCameBackWhileClosing)
{
    recorder->Activate();
    EXPECT_EQ(recorder->State(), S::Starting);
    loop.AdvanceByMs(250);
    seen.clear();
    recorder->Deactivate();
    EXPECT_EQ(recorder->State(), S::Closing);
    loop.RunPending();
    EXPECT_EQ(seen,
        (States {"rec level 0: Closing", "rec data 4800: Closing", "rec level 0: CloseRequested",
            "rec deactivate: Closed"}));
}

TEST_F(StreamStateFixture, ReactivatingInsideOnDeactivateStartsAfresh)
{
    const TConnection on146 = player->OnDeactivate.Connect([this](TObject*) {
        See("play deactivate", *player);
        player->Activate();
        See("play reactivated", *player);
    });
    player->Activate();
    loop.AdvanceByMs(100);
    player->Deactivate();
    loop.RunPending();
    EXPECT_EQ(player->State(), S::Streaming);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "play activate: Streaming"), 2);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "play reactivated: Starting"), 1);
}

TEST_F(StreamStateFixture, FailedOpenLeavesTheStreamClosedAndOpenableAgain)
{
    card.SetOpenError(TWaveDirection::Playback, EBUSY);
    EXPECT_NO_THROW(player->Activate());
    EXPECT_EQ(player->State(), S::Closed);
    EXPECT_TRUE(player->DeviceLost()) << "waited for";

    // A stream stuck half-open would take every later Activate for a no-op.
    card.SetOpenError(TWaveDirection::Playback, wrNoError);
    player->Activate();
    EXPECT_EQ(player->State(), S::Starting);
    loop.AdvanceByMs(10);
    EXPECT_EQ(player->State(), S::Streaming);
}

TEST_F(StreamStateFixture, LostDeviceClosesAndTheReopenStartsAgain)
{
    recorder->Activate();
    loop.AdvanceByMs(300);
    seen.clear();
    ::testing::internal::CaptureStderr();
    card.Unplug(TWaveDirection::Capture);
    loop.RunPending();
    EXPECT_EQ(seen.front(), "rec lost: Closing") << "the close has begun when the owner hears of the loss";
    EXPECT_EQ(seen.back(), "rec deactivate: Closed");
    EXPECT_EQ(recorder->State(), S::Closed);
    card.Replug(TWaveDirection::Capture);
    loop.AdvanceByMs(1000);
    (void)::testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen.back(), "rec activate: Streaming");
    EXPECT_EQ(recorder->State(), S::Streaming);
    EXPECT_FALSE(recorder->DeviceLost());
}
