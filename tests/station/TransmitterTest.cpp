#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "StationFixture.h"
#include "base/VirtualLoop.h"
#include "modem/untFFSK.h"
#include "radio/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTransmitter.h"

namespace {

// The transmitter's own hooks on top: its sender is checked and the
// modulator's ready signal is logged.
class TransmitterTest : public StationTest {
protected:
    void Build(int courtesyDelayMs = 400)
    {
        StationTest::Build(courtesyDelayMs);
        transmitter->OnTX = [this](TObject* sender, bool on) {
            EXPECT_EQ(sender, transmitter);
            log->Note(on ? "tx-on" : "tx-off");
        };
        // The modulator's ready signal is watched without taking the slot
        // the sequencer needs.
        transmitter->Sequencer().Modulator().OnReady = [this](TObject*) {
            log->Note("ready");
            transmitter->Sequencer().SendNext();
        };
    }
};

} // namespace

TEST_F(TransmitterTest, TextsSentAtOnceLeaveAtTheNextThreeQueueTicks)
{
    Build();
    loop.AdvanceByMs(1000);
    transmitter->Send("SMS>a>>1");
    transmitter->Send("SMS>a>>2");
    transmitter->Send("SMS>a>>3");
    Run(16000);
    // Each short text gets a keying of its own, at 5, 10 and 15 s.
    EXPECT_EQ(TimesOf("tx-on"), (std::vector<std::int64_t> {5000, 10000, 15000}));
    EXPECT_EQ(TimesOf("rts-up"), (std::vector<std::int64_t> {5000, 10000, 15000}));
    EXPECT_EQ(TimesOf("tx-off").size(), 3u);
    EXPECT_EQ(TimesOf("ready").size(), 3u);
    EXPECT_EQ(transmitter->Queued(), 0u);
    EXPECT_FALSE(station->Rts());
}

TEST_F(TransmitterTest, TextHandedOverWhileKeyedJoinsTheCurrentKeying)
{
    // A courtesy delay longer than the queue period keeps the radio keyed
    // across the next hand-over.
    Build(6000);
    transmitter->Send("SMS>a>>first");
    transmitter->Send("SMS>a>>second");
    Run(20000);
    EXPECT_EQ(TimesOf("tx-on"), (std::vector<std::int64_t> {5000}));
    EXPECT_EQ(TimesOf("rts-up"), (std::vector<std::int64_t> {5000}));
    ASSERT_EQ(TimesOf("tx-off").size(), 1u);
    // The second frame follows the ready signal of the first, in the same
    // keying; the release comes at the ready signal after the last frame.
    ASSERT_EQ(TimesOf("ready").size(), 2u);
    EXPECT_EQ(TimesOf("tx-off")[0], TimesOf("ready")[1]);
    const auto played = station->sound.TakePlayed();
    const TToneSpan tones = FindTones(played);
    ASSERT_TRUE(tones.found);
    EXPECT_GE(tones.firstMs, 11000.0);
    EXPECT_LT(tones.firstMs, 11000.0 + 400.0);
    // tx-off comes before the line falls.
    EXPECT_LE(TimesOf("tx-off")[0], TimesOf("rts-down")[0]);
}

TEST_F(TransmitterTest, CourtesyDelayIsReadAtEveryHandOver)
{
    Build(400);
    transmitter->Send("SMS>a>>1");
    Run(5001);
    // Changing the delay now does not touch the delay already running...
    station->transceiver->Settings().SetCourtesyDelay(2000);
    EXPECT_EQ(transmitter->Sequencer().DelayTimer().Interval(), 400);
    transmitter->Send("SMS>a>>2");
    Run(9000);
    // ...but the next hand-over uses it.
    EXPECT_EQ(transmitter->Sequencer().DelayTimer().Interval(), 2000);
    const auto played = station->sound.TakePlayed();
    const TToneSpan first = FindTones(played);
    ASSERT_TRUE(first.found);
    EXPECT_GE(first.firstMs, 5400.0);
    EXPECT_LT(first.firstMs, 5800.0);
    const TToneSpan second = FindTones(played, static_cast<std::size_t>(8000 * 48));
    ASSERT_TRUE(second.found);
    EXPECT_GE(second.firstMs, 12000.0);
    EXPECT_LT(second.firstMs, 12400.0);
}

TEST_F(TransmitterTest, NoCourtesyDelayStartsTheFrameAtOnce)
{
    Build(0);
    transmitter->Send("SMS>a>>now");
    Run(7000);
    const TToneSpan tones = FindTones(station->sound.TakePlayed());
    ASSERT_TRUE(tones.found);
    EXPECT_GE(tones.firstMs, 5000.0);
    EXPECT_LT(tones.firstMs, 5400.0);
    EXPECT_EQ(TimesOf("tx-off").size(), 1u);
    EXPECT_FALSE(station->Rts());
}

TEST(TransmitterAlone, DestroyingWhileKeyedDoesNotUnkey)
{
    TVirtualLoop loop;
    TSimulatedStation station(RtsStationSettings("Anna", 400));
    auto settings = std::make_unique<TZYNClientSettings>(station.SettingsFile());
    settings->SetBand(1);
    auto rig = std::make_unique<TInterface>(*settings, station.serial, station.hid, station.hid, station.mixer);
    auto transmitter = std::make_unique<TFFSKTransmitter>(station.sound, *settings, *rig);
    int txOff = 0;
    transmitter->OnTX = [&](TObject*, bool on) { txOff += on ? 0 : 1; };
    transmitter->Send("SMS>a>>bye");
    loop.AdvanceByMs(5200);
    ASSERT_TRUE(transmitter->TX());
    ASSERT_TRUE(station.Rts());
    transmitter.reset();
    // The keying line is left to the rig interface, which is freed next.
    EXPECT_TRUE(station.Rts());
    EXPECT_TRUE(rig->Ptt());
    EXPECT_EQ(txOff, 0);
    rig.reset();
    settings.reset();
}

TEST_F(TransmitterTest, KeyingIsReleasedWhenTheFramesAreNeverPlayedOut)
{
    Build(400);
    std::vector<std::string> reports;
    loop.SetErrorReport([&](const std::string& m) { reports.push_back(m); });
    // A modulator whose ready signal never comes, as with a sound card that
    // stopped taking buffers.
    transmitter->Sequencer().Modulator().OnReady = nullptr;
    transmitter->Send("SMS>Anna>>lost");
    Run(12000);
    const double limitMs = 5000 + 400 + TFfskMessage::KeyingMarginMs + TFfskMessage::FrameOverheadMs
        + static_cast<double>(TFfskMessage::FrameAirtimeUs(14)) / 1000.0;
    ASSERT_EQ(TimesOf("rts-down").size(), 1u);
    EXPECT_LE(static_cast<double>(TimesOf("rts-down")[0]), limitMs + 1);
    EXPECT_GT(static_cast<double>(TimesOf("rts-down")[0]), limitMs - 2);
    ASSERT_EQ(TimesOf("tx-off").size(), 1u);
    EXPECT_FALSE(transmitter->TX());
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(TransmitterTest, LongHealthyKeyingIsNeverCutShort)
{
    // Four long texts in one keying: the watchdog must leave it alone.
    Build(16000);
    std::vector<std::string> reports;
    loop.SetErrorReport([&](const std::string& m) { reports.push_back(m); });
    for (int i = 0; i < 4; ++i) transmitter->Send("SMS>Anna>>" + std::string(190, static_cast<char>('a' + i)));
    Run(40000);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(TimesOf("tx-on").size(), 1u);
    EXPECT_EQ(TimesOf("ready").size(), 4u);
    ASSERT_EQ(TimesOf("rts-down").size(), 1u);
    EXPECT_EQ(TimesOf("tx-off")[0], TimesOf("ready")[3]);
}
