#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "audio/WavePlayers.h"
#include "base/VirtualLoop.h"

namespace {

// The modem's player: 200 ms buffers of 8-bit mono at 48000 Hz, two in the
// ring, every event written to a log with the virtual time.
struct PlayerFixture : ::testing::Test {
    TVirtualLoop loop;
    TSimulatedSoundCard card {2};
    std::vector<std::string> log;
    std::uint8_t fillByte = 127;
    std::vector<std::uint32_t> supply; // bytes to supply per fill, then full buffers
    std::unique_ptr<TLiveAudioPlayer> player = std::make_unique<TLiveAudioPlayer>(card);
    TObject* const self = player.get();

    PlayerFixture()
    {
        card.SetRecordPlayback(true);
        player->SetBufferCount(2);
        player->SetBufferLength(200);
        player->SetPCMFormat(Mono8bit48000Hz);
        connections.push_back(player->OnActivate.Connect([this](TObject* s) { Log("activate", s); }));
        connections.push_back(player->OnDeactivate.Connect([this](TObject* s) { Log("deactivate", s); }));
        connections.push_back(
            player->OnLevel.Connect([this](TObject* s, int level) { Log("level " + std::to_string(level), s); }));
        player->OnData = [this](TObject* s, std::uint8_t* buffer, std::uint32_t size) {
            Log("data " + std::to_string(size), s);
            std::uint32_t n = size;
            if (!supply.empty()) {
                n = supply.front();
                supply.erase(supply.begin());
            }
            std::memset(buffer, fillByte, n);
            return n;
        };
    }

    void Log(const std::string& what, TObject* sender)
    {
        EXPECT_EQ(sender, self);
        log.push_back(std::to_string(loop.NowMs()) + " " + what);
    }
    // Last: the listeners end before what they use.
    std::vector<TConnection> connections;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(PlayerFixture, OpensAsksForTwoBuffersThenOneEveryBufferPeriod)
{
    player->Activate();
    EXPECT_TRUE(player->Active());
    EXPECT_TRUE(log.empty()) << "events come from the main loop, not from Activate";
    loop.AdvanceByMs(650);
    // 255 - 128 = 127 -> level 100 for the bytes supplied (all 127 here: 0).
    EXPECT_EQ(log,
        (Lines {"0 activate", "0 data 9600", "0 level 0", "0 data 9600", "0 level 0", "200 data 9600", "200 level 0",
            "400 data 9600", "400 level 0", "600 data 9600", "600 level 0"}));
    EXPECT_EQ(player->BufferCountInUse(), 2u);
    EXPECT_EQ(card.TakePlayed().size(), 3u * 9600u);
    EXPECT_EQ(card.Underruns(), 0u);
}

TEST_F(PlayerFixture, DeactivateReturnsTheQueueAndEndsWithLevelZeroThenOnDeactivate)
{
    player->Activate();
    loop.AdvanceByMs(300);
    log.clear();
    player->Deactivate();
    EXPECT_TRUE(player->Active()) << "the close ends asynchronously";
    player->Deactivate(); // closing already: no-op
    loop.RunPending();
    EXPECT_EQ(log, (Lines {"300 level 0", "300 deactivate"}));
    EXPECT_FALSE(player->Active());
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Playback));
    EXPECT_EQ(player->BufferCountInUse(), 0u);
    player->Deactivate(); // closed: no-op
    loop.AdvanceByMs(1000);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(PlayerFixture, ActivateTwiceIsANoOp)
{
    player->Activate();
    player->Activate();
    loop.AdvanceByMs(10);
    EXPECT_EQ(log.front(), "0 activate");
    EXPECT_EQ(std::count(log.begin(), log.end(), "0 activate"), 1);
}

TEST_F(PlayerFixture, ShortFillPlaysJustThoseBytesAndTheNextFillIsFullSizeAgain)
{
    supply = {9600, 100};
    fillByte = 200;
    player->Activate();
    loop.AdvanceByMs(450);
    // Fills at 0 (full), 0 (100 bytes, about 2 ms), then at 200 and at
    // 202.08 ms, each offered the full 9600 bytes.
    EXPECT_EQ(log[3], "0 data 9600");
    EXPECT_EQ(log[5], "200 data 9600");
    EXPECT_EQ(log[7], "202 data 9600");
    EXPECT_EQ(log[4], "0 level 56"); // (200 - 128) * 100 / 127
    const auto played = card.TakePlayed();
    EXPECT_EQ(played.size(), 9600u + 100u + 9600u);
    EXPECT_EQ(card.Underruns(), 0u);
}

TEST_F(PlayerFixture, FillOfZeroEndsTheStreamAfterTheQueuedBufferPlayedOut)
{
    supply = {9600, 9600, 0};
    player->Activate();
    loop.AdvanceByMs(1000);
    EXPECT_EQ(log,
        (Lines {"0 activate", "0 data 9600", "0 level 0", "0 data 9600", "0 level 0", "200 data 9600", "400 level 0",
            "400 deactivate"}));
    EXPECT_FALSE(player->Active());
    EXPECT_EQ(card.TakePlayed().size(), 2u * 9600u);
}

TEST_F(PlayerFixture, DeviceSwitchInsideOnDeactivateReopensOnTheNewDevice)
{
    const TConnection on132 = player->OnDeactivate.Connect([this](TObject*) {
        log.push_back("deactivate");
        EXPECT_FALSE(player->Active());
        player->SetDeviceID(1);
        player->Activate();
    });
    player->Activate();
    loop.AdvanceByMs(100);
    EXPECT_EQ(card.OpenDeviceID(TWaveDirection::Playback), -1);
    player->Deactivate();
    loop.AdvanceByMs(500);
    EXPECT_TRUE(player->Active());
    EXPECT_EQ(player->DeviceID(), 1);
    EXPECT_EQ(card.OpenDeviceID(TWaveDirection::Playback), 1);
    EXPECT_EQ(player->BufferCountInUse(), 2u);
    EXPECT_EQ(std::count(log.begin(), log.end(), "100 activate"), 1) << "reopened at once";
}

TEST_F(PlayerFixture, SettingsRefusedWhileOpen)
{
    player->SetBufferLength(5);
    EXPECT_EQ(player->BufferLength(), 10);
    player->SetBufferLength(200);
    player->Activate();
    player->SetPCMFormat(Mono8bit48000Hz); // same value: no-op
    try {
        player->SetPCMFormat(Mono16bit48000Hz);
        FAIL() << "format changed while open";
    } catch (const EWaveAudioInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Audio format cannot be changed while device is open");
    }
    player->SetDeviceID(-1); // same value: no-op
    try {
        player->SetDeviceID(1);
        FAIL() << "device changed while open";
    } catch (const EWaveAudioInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "DeviceID cannot be changed while device is open");
    }
    EXPECT_EQ(player->PCMFormat(), Mono8bit48000Hz);
    EXPECT_EQ(player->DeviceID(), -1);
}

TEST_F(PlayerFixture, UnknownDeviceNumberIsRefusedAndNotStored)
{
    try {
        player->SetDeviceID(7);
        FAIL() << "unknown device accepted";
    } catch (const EWaveAudioSysError& e) {
        EXPECT_EQ(std::string(e.what()), std::strerror(ENODEV));
    }
    EXPECT_EQ(player->DeviceID(), -1);
    EXPECT_EQ(player->LastError(), static_cast<TWaveResult>(ENODEV));
}

TEST_F(PlayerFixture, MissingDeviceRaisesSysErrorAndLeavesTheStreamClosed)
{
    player->SetDeviceID(1);
    card.SetDeviceCount(1); // device 1 went away
    try {
        player->Activate();
        FAIL() << "opened a missing device";
    } catch (const EWaveAudioSysError& e) {
        EXPECT_EQ(std::string(e.what()), std::strerror(ENODEV));
    }
    EXPECT_FALSE(player->Active());
    loop.AdvanceByMs(500);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Playback));

    // With OnError assigned the open just fails.
    int errors = 0;
    const TConnection on203 = player->OnError.Connect([&](TObject*) { ++errors; });
    player->Activate();
    EXPECT_EQ(errors, 1);
    EXPECT_FALSE(player->Active());

    // And once the device is back, the same stream opens.
    card.SetDeviceCount(2);
    player->Activate();
    loop.AdvanceByMs(10);
    EXPECT_EQ(card.OpenDeviceID(TWaveDirection::Playback), 1);
}

TEST_F(PlayerFixture, BusyDeviceIsWaitedForWithItsReasonAndOpenedOnceFree)
{
    card.SetOpenError(TWaveDirection::Playback, EBUSY);
    int changes = 0;
    const TConnection watching = player->OnAvailabilityChange.Connect([&](TObject*) { ++changes; });
    EXPECT_NO_THROW(player->Activate());
    EXPECT_FALSE(player->Active());
    EXPECT_TRUE(player->DeviceLost());
    EXPECT_NE(player->LossReason().find(std::strerror(EBUSY)), std::string::npos) << player->LossReason();
    EXPECT_NE(player->LossReason().find("System default"), std::string::npos) << player->LossReason();
    card.SetOpenError(TWaveDirection::Playback, wrNoError);
    loop.AdvanceByMs(1100);
    EXPECT_TRUE(player->Active());
    EXPECT_TRUE(player->LossReason().empty());
    EXPECT_EQ(changes, 2);
}

TEST_F(PlayerFixture, NoEventsWhileDestroying)
{
    player->Activate();
    loop.AdvanceByMs(300);
    log.clear();
    player.reset();
    loop.AdvanceByMs(1000);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Playback));
}

TEST_F(PlayerFixture, FailingFillIsReportedAndTheRingRecovers)
{
    std::vector<std::string> errors;
    loop.SetErrorReport([&](const std::string& m) { errors.push_back(m); });
    int fills = 0;
    player->OnData = [&](TObject*, std::uint8_t* buffer, std::uint32_t size) -> std::uint32_t {
        if (++fills == 3) throw EWaveAudioError("fill failed");
        std::memset(buffer, 127, size);
        return size;
    };
    player->Activate();
    loop.AdvanceByMs(1000);
    EXPECT_EQ(errors, (std::vector<std::string> {"fill failed"}));
    EXPECT_EQ(player->BufferCountInUse(), 2u);
    player->Deactivate();
    loop.RunPending();
    EXPECT_FALSE(player->Active());
}

TEST_F(PlayerFixture, DeactivateInsideTheFillClosesTheStream)
{
    int fills = 0;
    player->OnData = [&](TObject*, std::uint8_t* buffer, std::uint32_t size) -> std::uint32_t {
        if (++fills == 4) player->Deactivate();
        std::memset(buffer, 127, size);
        return size;
    };
    bool deactivated = false;
    const TConnection on271 = player->OnDeactivate.Connect([&](TObject*) { deactivated = true; });
    player->Activate();
    loop.AdvanceByMs(1000);
    EXPECT_TRUE(deactivated);
    EXPECT_FALSE(player->Active());
    EXPECT_EQ(fills, 4);
}
