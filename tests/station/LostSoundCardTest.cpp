// A station whose sound card goes away while it transmits: the radio is
// released at once, the keying's texts are dropped and the user told once,
// and the station sends again when the card is back.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "StationFixture.h"
#include "base/VirtualLoop.h"
#include "modem/untFFSK.h"
#include "station/untFFSKTransmitter.h"

namespace {

class LostSoundCardTest : public StationTest {
protected:
    void Build(int courtesyDelayMs)
    {
        loop.SetErrorReport([this](const std::string& m) { reports.push_back(m); });
        StationTest::Build(courtesyDelayMs);
        log->Watch(*transmitter);
        failedConnection = transmitter->Sequencer().OnTextFailed.Connect(
            [this](TObject*, std::uint64_t id, const std::string&) { failed.push_back(id); });
        sentConnection =
            transmitter->Sequencer().OnTextSent.Connect([this](TObject*, std::uint64_t id) { sent.push_back(id); });
    }

    std::vector<std::string> reports;
    std::vector<std::uint64_t> failed;
    std::vector<std::uint64_t> sent;
    TConnection failedConnection;
    TConnection sentConnection;
};

} // namespace

TEST_F(LostSoundCardTest, CardLostMidFrameReleasesTheRadioAtOnceAndDropsTheKeying)
{
    // A courtesy delay longer than the queue period: both texts belong to
    // the keying that starts at 5 s, the first frame starts at 11 s.
    Build(6000);
    testing::internal::CaptureStderr();
    const std::uint64_t cut = transmitter->Send("SMS>Anna>>" + std::string(150, 'a'));
    const std::uint64_t second = transmitter->Send("SMS>Anna>>second");
    RunTo(11600);
    ASSERT_TRUE(transmitter->TX());
    ASSERT_TRUE(FindTones(station->sound.TakePlayed()).found) << "the first frame is on the air";

    station->sound.Unplug(TWaveDirection::Playback);
    RunTo(12600);
    ASSERT_EQ(TimesOf("tx-off").size(), 1u);
    ASSERT_EQ(TimesOf("rts-down").size(), 1u);
    EXPECT_LE(TimesOf("rts-down")[0], 11600 + 1000);
    EXPECT_LE(TimesOf("tx-off")[0], TimesOf("rts-down")[0]) << "tx-off comes before the line falls";
    EXPECT_FALSE(transmitter->TX());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("(2 message(s) not sent)"), std::string::npos) << reports[0];
    EXPECT_EQ(failed, (std::vector<std::uint64_t> {cut, second})) << "the frame cut off counts as not sent";

    station->sound.Replug(TWaveDirection::Playback);
    RunTo(30000);
    EXPECT_FALSE(FindTones(station->sound.TakePlayed()).found) << "nothing of the dropped keying is played later";
    EXPECT_EQ(TimesOf("rts-up").size(), 1u);
    EXPECT_EQ(reports.size(), 1u) << "reported once, the watchdog stays quiet";

    // The card is back: the next text goes out as ever.
    const std::uint64_t back = transmitter->Send("SMS>Anna>>back on the air");
    RunTo(45000);
    EXPECT_EQ(sent, (std::vector<std::uint64_t> {back}));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(FindTones(station->sound.TakePlayed()).found);
    EXPECT_EQ(TimesOf("tx-on").size(), 2u);
    EXPECT_EQ(TimesOf("tx-off").size(), 2u);
    EXPECT_FALSE(station->Rts());
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(said.find("playback device lost"), said.rfind("playback device lost")) << said;
}

TEST_F(LostSoundCardTest, KeyingWhileTheCardIsGoneEndsWithTheCourtesyDelay)
{
    Build(400);
    testing::internal::CaptureStderr();
    RunTo(1000);
    station->sound.Unplug(TWaveDirection::Playback);
    const std::uint64_t lost = transmitter->Send("SMS>Anna>>into the void");
    RunTo(6000);
    EXPECT_EQ(failed, (std::vector<std::uint64_t> {lost}));
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(TimesOf("rts-up"), (std::vector<std::int64_t> {5000}));
    EXPECT_EQ(TimesOf("rts-down"), (std::vector<std::int64_t> {5400}));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("(1 message(s) not sent)"), std::string::npos) << reports[0];
    station->sound.Replug(TWaveDirection::Playback);
    RunTo(12000);
    (void)testing::internal::GetCapturedStderr();
    EXPECT_FALSE(FindTones(station->sound.TakePlayed()).found) << "the text is not played when the card returns";
    EXPECT_EQ(reports.size(), 1u);
}
