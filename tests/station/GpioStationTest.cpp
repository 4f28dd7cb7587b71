#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "StationFixture.h"
#include "base/VirtualLoop.h"

namespace {

using TBytes = std::vector<std::uint8_t>;
const TBytes Released3 = {0, 0, 0x00, 0x04, 0};
const TBytes Keyed3 = {0, 0, 0x04, 0x04, 0};

} // namespace

// A station whose sound card keys the radio through its own GPIO: the frame
// goes out between the keying report and the release report, the serial
// port is never opened, and shutdown writes the release once more.
TEST(GpioStation, SendsAFrameKeyedThroughTheSoundCardsGpioAndReleasesAfterIt)
{
    TVirtualLoop loop;
    TSimulatedStation station(RtsStationSettings("Anna", 400));
    const std::string card = station.hid.Plug(0x0D8C, 0x013C);
    std::vector<std::pair<std::int64_t, TBytes>> writes;
    station.hid.OnWrite = [&](const std::string& path, const TBytes& report) {
        if (path == card) writes.emplace_back(loop.NowMs(), report);
    };
    TFFSKTranceiver& t = station.Open();
    t.SendText("hello");
    loop.AdvanceByMs(12000);

    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0], (std::pair<std::int64_t, TBytes> {0, Released3}));
    EXPECT_EQ(writes[1], (std::pair<std::int64_t, TBytes> {5000, Keyed3}));
    EXPECT_EQ(writes[2].second, Released3);
    const TToneSpan tones = FindTones(station.sound.TakePlayed());
    ASSERT_TRUE(tones.found);
    // The courtesy delay passes keyed, the frame plays, the release follows.
    EXPECT_GE(tones.firstMs, 5400.0);
    EXPECT_LT(tones.firstMs, 5800.0);
    EXPECT_GT(static_cast<double>(writes[2].first), tones.lastMs);
    EXPECT_LT(static_cast<double>(writes[2].first), tones.lastMs + 1000.0);
    EXPECT_EQ(station.serial.OpenCount("COM1"), 0);

    station.transceiver.reset();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[3].second, Released3);
}
