// Streams whose device goes away while they run: they close, try the same
// device again once a second without a word, and carry on when it is back.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "audio/VirtualCable.h"
#include "audio/WavePlayers.h"
#include "audio/WaveRecorders.h"
#include "base/VirtualLoop.h"

namespace {

using Lines = std::vector<std::string>;

std::size_t CountOf(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A player and a recorder on one card, every event logged with its time;
// the top-level error report and OnError count what would reach the user.
struct DeviceLossFixture : ::testing::Test {
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    std::unique_ptr<TLiveAudioPlayer> player = std::make_unique<TLiveAudioPlayer>(card);
    std::unique_ptr<TLiveAudioRecorder> recorder = std::make_unique<TLiveAudioRecorder>(card);
    std::vector<std::string> log;
    std::vector<std::string> reports;
    int errors = 0;
    std::uint8_t fillByte = 127;
    std::vector<std::uint8_t> recorded;

    DeviceLossFixture()
    {
        card.SetRecordPlayback(true);
        loop.SetErrorReport([this](const std::string& m) { reports.push_back(m); });
        player->SetBufferCount(2);
        player->SetBufferLength(200);
        player->SetPCMFormat(Mono8bit48000Hz);
        connections.push_back(player->OnActivate.Connect([this](TObject*) { Log("play activate"); }));
        connections.push_back(player->OnDeactivate.Connect([this](TObject*) { Log("play deactivate"); }));
        connections.push_back(player->OnDeviceLost.Connect([this](TObject* sender) {
            EXPECT_EQ(sender, player.get());
            Log("play lost");
        }));
        connections.push_back(player->OnError.Connect([this](TObject*) { ++errors; }));
        player->OnData = [this](TObject*, std::uint8_t* buffer, std::uint32_t size) {
            std::memset(buffer, fillByte, size);
            return size;
        };
        recorder->SetBufferCount(2);
        recorder->SetBufferLength(200);
        recorder->SetPCMFormat(Mono16bit48000Hz);
        connections.push_back(recorder->OnActivate.Connect([this](TObject*) { Log("rec activate"); }));
        connections.push_back(recorder->OnDeactivate.Connect([this](TObject*) { Log("rec deactivate"); }));
        connections.push_back(recorder->OnDeviceLost.Connect([this](TObject*) { Log("rec lost"); }));
        connections.push_back(recorder->OnError.Connect([this](TObject*) { ++errors; }));
        connections.push_back(
            recorder->OnData.Connect([this](TObject*, const std::uint8_t* buffer, std::uint32_t size) {
                recorded.insert(recorded.end(), buffer, buffer + size);
            }));
    }

    ~DeviceLossFixture() override
    {
        // Their last notices still reach the handlers above.
        recorder.reset();
        player.reset();
    }

    void Log(const std::string& what) { log.push_back(std::to_string(loop.NowMs()) + " " + what); }
    // Last: the listeners end before what they use.
    std::vector<TConnection> connections;
};

} // namespace

TEST_F(DeviceLossFixture, LostPlayerClosesRetriesQuietlyEverySecondAndStreamsAgainWhenBack)
{
    player->Activate();
    loop.AdvanceByMs(300);
    ASSERT_EQ(card.TakePlayed().size(), 9600u);
    log.clear();

    ::testing::internal::CaptureStderr();
    card.Unplug(TWaveDirection::Playback);
    loop.AdvanceByMs(1);
    // Closed the way a deactivation closes: every buffer back, device closed.
    EXPECT_EQ(log, (Lines {"300 play lost", "300 play deactivate"}));
    EXPECT_FALSE(player->Active());
    EXPECT_TRUE(player->DeviceLost());
    EXPECT_EQ(player->BufferCountInUse(), 0u);
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Playback));

    // Five failed attempts (1300 ... 5300 ms): nothing reaches the user.
    loop.AdvanceByMs(5199);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_TRUE(card.TakePlayed().empty()) << "nothing queued at the loss is played";
    card.Replug(TWaveDirection::Playback);
    loop.AdvanceByMs(799);
    EXPECT_EQ(log.size(), 2u) << "the next attempt comes at 6300 ms";
    loop.AdvanceByMs(1);
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(log, (Lines {"300 play lost", "300 play deactivate", "6300 play activate"}));
    EXPECT_TRUE(player->Active());
    EXPECT_FALSE(player->DeviceLost());
    EXPECT_EQ(CountOf(said, "parlet: playback device lost: No such device; trying to reopen it every second\n"), 1u)
        << said;
    EXPECT_EQ(CountOf(said, "parlet: playback device is back\n"), 1u) << said;
    EXPECT_EQ(CountOf(said, "\n"), 2u) << said;
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(errors, 0);

    // Streaming in its rhythm again.
    loop.AdvanceByMs(400);
    EXPECT_EQ(card.TakePlayed().size(), 2u * 9600u);
    EXPECT_EQ(player->BufferCountInUse(), 2u);
}

TEST_F(DeviceLossFixture, LostRecorderComesBackAndHearsWhatIsPlayedAfterwards)
{
    TVirtualCable cable(card, card);
    recorder->Activate();
    player->Activate();
    loop.AdvanceByMs(1000);
    log.clear();

    ::testing::internal::CaptureStderr();
    card.Unplug(TWaveDirection::Capture);
    loop.AdvanceByMs(2500);
    recorded.clear();
    EXPECT_EQ(log, (Lines {"1000 rec lost", "1000 rec deactivate"}));
    EXPECT_TRUE(player->Active()) << "the other direction is not touched";
    card.Replug(TWaveDirection::Capture);
    loop.AdvanceByMs(600);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(log.back(), "4000 rec activate");
    EXPECT_EQ(CountOf(said, "parlet: capture device lost: No such device"), 1u) << said;
    EXPECT_EQ(CountOf(said, "parlet: capture device is back"), 1u) << said;
    EXPECT_TRUE(recorded.empty());

    // A tone played from now on comes back through the cable.
    fillByte = 160;
    loop.AdvanceByMs(1000);
    ASSERT_GE(recorded.size(), 2u * 9600u);
    std::size_t loud = 0;
    for (std::size_t k = 0; k + 1 < recorded.size(); k += 2)
        loud += static_cast<std::int16_t>(recorded[k] | (recorded[k + 1] << 8)) > 4000;
    EXPECT_GT(loud, 9600u) << "at least a buffer's worth of the tone is heard";
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(errors, 0);
}

TEST_F(DeviceLossFixture, DeliberateDeactivateOrDestructionEndsTheAttempts)
{
    player->Activate();
    recorder->Activate();
    loop.AdvanceByMs(300);
    ::testing::internal::CaptureStderr();
    card.Unplug(TWaveDirection::Playback);
    card.Unplug(TWaveDirection::Capture);
    loop.AdvanceByMs(1500);
    player->Deactivate();
    EXPECT_FALSE(player->DeviceLost());
    recorder.reset();
    card.Replug(TWaveDirection::Playback);
    card.Replug(TWaveDirection::Capture);
    loop.AdvanceByMs(3000);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(player->Active());
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Playback));
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Capture));
    EXPECT_EQ(CountOf(said, "is back"), 0u) << said;
    // A later Activate is the owner's own and works as ever.
    player->Activate();
    EXPECT_TRUE(player->Active());
}

TEST_F(DeviceLossFixture, DeviceFailingWhileItClosesAnywayIsOnlyLetClose)
{
    player->Activate();
    loop.AdvanceByMs(300);
    log.clear();
    ::testing::internal::CaptureStderr();
    player->Deactivate();
    card.Unplug(TWaveDirection::Playback);
    loop.AdvanceByMs(1);
    card.Replug(TWaveDirection::Playback);
    loop.AdvanceByMs(3000);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, (Lines {"300 play deactivate"}));
    EXPECT_TRUE(said.empty()) << said;
    EXPECT_FALSE(player->DeviceLost());
    EXPECT_FALSE(player->Active());
}

TEST_F(DeviceLossFixture, UnpluggedDeviceIsWaitedForFromTheStart)
{
    card.Unplug(TWaveDirection::Playback);
    EXPECT_FALSE(card.Plugged(TWaveDirection::Playback));
    EXPECT_TRUE(card.Plugged(TWaveDirection::Capture));
    player->Activate();
    EXPECT_EQ(errors, 0) << "not an error: the program runs on without it";
    EXPECT_EQ(player->LastError(), static_cast<TWaveResult>(ENODEV));
    EXPECT_FALSE(player->Active());
    EXPECT_TRUE(player->DeviceLost());
    recorder->Activate();
    EXPECT_TRUE(recorder->Active());
    card.Replug(TWaveDirection::Playback);
    loop.AdvanceByMs(1100);
    EXPECT_TRUE(player->Active()) << "opened by itself once back";
}
