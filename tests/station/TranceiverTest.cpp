#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "StationFixture.h"
#include "audio/VirtualCable.h"
#include "base/ProgramFolder.h"
#include "base/VirtualLoop.h"
#include "modem/untFFSK.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTransmitter.h"

namespace {

struct TReceived {
    std::int64_t atMs;
    TObject* sender;
    TMessageRecord record;
    std::string text; // the raw body
};

TConnection Record(TFFSKTranceiver& t, TVirtualLoop& loop, std::vector<TReceived>& log)
{
    return t.OnReceive.Connect([&log, &loop](TObject* sender, const TMessageRecord& record) {
        log.push_back({loop.NowMs(), sender, record, record.RawBody});
    });
}

std::vector<TReceived> Heard(const std::vector<TReceived>& log)
{
    std::vector<TReceived> heard;
    for (const TReceived& r : log)
        if (!r.record.IsSent()) heard.push_back(r);
    return heard;
}

} // namespace

TEST(Tranceiver, SendTextQueuesTheTaggedTextAndEchoesAtOnce)
{
    TVirtualLoop loop;
    TSimulatedStation station(RtsStationSettings("Anna", 400));
    TFFSKTranceiver& t = station.Open();
    std::vector<TReceived> log;
    const TConnection listening = Record(t, loop, log);
    const std::uint64_t id = t.SendText("hello");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].sender, &t);
    EXPECT_EQ(log[0].record.State, TSendState::Queued);
    EXPECT_EQ(log[0].record.Id, id);
    EXPECT_EQ(log[0].text, "Anna>>hello");
    EXPECT_EQ(log[0].record.Message.Sender, "Anna");
    EXPECT_EQ(log[0].record.Message.Text, "hello");
    EXPECT_EQ(log[0].atMs, 0);
    EXPECT_EQ(t.Transmitter().Queued(), 1u);

    // What goes on the air is the tagged text: the station hears itself,
    // and the text is on the air, then sent, under the same number.
    TVirtualCable loopback(station.sound, station.sound);
    loop.AdvanceByMs(7000);
    const std::vector<TReceived> heard = Heard(log);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].text, std::string("Anna>>hello\0", 12));
    EXPECT_EQ(heard[0].record.Message.Text, "hello") << "the fill is gone";
    std::vector<TSendState> steps;
    for (const TReceived& r : log)
        if (r.record.IsSent() && r.record.Id == id) steps.push_back(r.record.State);
    EXPECT_EQ(steps, (std::vector<TSendState> {TSendState::Queued, TSendState::OnAir, TSendState::Sent}));
}

TEST(Tranceiver, EmptyOperatorNameAndEmptyText)
{
    TVirtualLoop loop;
    TSimulatedStation station("[Interface]\r\nRigComm=0\r\n");
    TFFSKTranceiver& t = station.Open();
    TVirtualCable loopback(station.sound, station.sound);
    std::vector<TReceived> log;
    const TConnection listening = Record(t, loop, log);
    t.SendText("");
    loop.AdvanceByMs(7000);
    ASSERT_EQ(Heard(log).size(), 1u);
    EXPECT_EQ(log[0].text, ">>");
    // "SMS>>>" is one block: six characters and two 0x00 of fill.
    EXPECT_EQ(Heard(log)[0].text, std::string(">>\0\0", 4));
}

TEST(Tranceiver, ForcesBandOneAndKeepsEveryOtherByteOfTheFile)
{
    TVirtualLoop loop;
    const std::string before = "; the suite's own file\r\n[Identification]\r\nOperaterName=Anna\r\nFBand=30\r\n"
                               "Channel=7\r\n\r\n[Foreign]\r\nkey = value with  spaces \r\n";
    TSimulatedStation station(before);
    station.Open();
    const std::string after = ReadBytes(station.SettingsFile());
    std::string expected = before;
    expected.replace(expected.find("FBand=30"), 8, "FBand=1");
    EXPECT_EQ(after, expected);
    EXPECT_EQ(station.transceiver->Settings().Band(), 1);
}

TEST(Tranceiver, SettingsFileLiesBesideTheExecutable)
{
    TVirtualLoop loop;
    const std::string file = ProgramFolder() + "ZYNClient.ini";
    ASSERT_NE(file.find("/bin/"), std::string::npos);
    std::filesystem::remove(file);
    TSimulatedStation station("");
    {
        TFFSKTranceiver t(station.Platform());
        // A new file gets the line endings of the suite's own files.
        EXPECT_EQ(ReadBytes(file), "[Identification]\r\nFBand=1\r\n");
    }
    std::filesystem::remove(file);
}

TEST(Tranceiver, LevelAndMessagesArePassedOnWithTheTranceiverAsSender)
{
    TVirtualLoop loop;
    TSimulatedStation station("");
    TFFSKTranceiver& t = station.Open();
    std::vector<int> levels;
    TObject* levelSender = nullptr;
    const TConnection listening = t.OnInputLevel.Connect([&](TObject* sender, int level) {
        levelSender = sender;
        levels.push_back(level);
    });
    loop.AdvanceByMs(1000);
    EXPECT_EQ(levelSender, &t);
    EXPECT_GE(levels.size(), 4u);
    for (int level : levels) EXPECT_EQ(level, 0);
}

// Two stations joined by a cable with noise and a small clock skew: A sends,
// B hears.
TEST(TwoStations, AnnaSendsHelloAndTheOtherStationHearsIt)
{
    TVirtualLoop loop;
    TSimulatedStation a(RtsStationSettings("Anna", 400));
    TSimulatedStation b("[Identification]\r\nOperaterName=Bert\r\n[Interface]\r\nRigComm=0\r\n");
    TVirtualCable cable(a.sound, b.sound);
    cable.SetGain(0.5);
    cable.SetNoise(0.01, 42);
    cable.SetClockSkewPpm(100);
    TFFSKTranceiver& ta = a.Open();
    TFFSKTranceiver& tb = b.Open();
    std::vector<TReceived> heardByA, heardByB;
    const TConnection listeningA = Record(ta, loop, heardByA);
    const TConnection listeningB = Record(tb, loop, heardByB);
    std::vector<std::int64_t> readyAt;
    const TConnection ready =
        ta.Transmitter().Sequencer().Modulator().OnReady.Connect([&](TObject*) { readyAt.push_back(loop.NowMs()); });

    loop.AdvanceByMs(1000);
    const std::int64_t sentAt = loop.NowMs();
    ta.SendText("hello");
    ASSERT_EQ(heardByA.size(), 1u);
    EXPECT_EQ(heardByA[0].atMs, sentAt);
    EXPECT_EQ(heardByA[0].text, "Anna>>hello");

    TKeyingLog keying(loop, a);
    keying.RunFor(8000);
    // The last rise and fall of A's RTS line, -1 if there was none.
    const std::vector<std::int64_t> ups = keying.TimesOf("rts-up");
    const std::vector<std::int64_t> downs = keying.TimesOf("rts-down");
    const std::int64_t rtsUp = ups.empty() ? -1 : ups.back();
    const std::int64_t rtsDown = downs.empty() ? -1 : downs.back();
    EXPECT_FALSE(b.Rts());
    const TToneSpan tones = FindTones(a.sound.TakePlayed());
    ASSERT_TRUE(tones.found);
    ASSERT_EQ(heardByB.size(), 1u);
    EXPECT_EQ(heardByB[0].sender, &tb);
    EXPECT_EQ(heardByB[0].record.Type, TMessageType::Sms);
    EXPECT_EQ(heardByB[0].text, std::string("Anna>>hello\0", 12));
    ASSERT_EQ(readyAt.size(), 1u);

    // The RTS line rises at the queue tick; the first tone follows the
    // courtesy delay; B has the message 200 to 400 ms after the last block;
    // the line falls after the modulator's ready signal.
    EXPECT_EQ(rtsUp, 5000);
    EXPECT_GE(tones.firstMs - static_cast<double>(rtsUp), 400.0);
    const double deliveredAfterLastTone = static_cast<double>(heardByB[0].atMs) - tones.lastMs;
    EXPECT_GE(deliveredAfterLastTone, 200.0 - 1.0);
    EXPECT_LE(deliveredAfterLastTone, 400.0 + 1.0);
    EXPECT_GE(rtsDown, readyAt[0]);
    EXPECT_GT(static_cast<double>(rtsDown), tones.lastMs);

    std::printf("send->rts-up %lld ms, rts-up->first tone %.1f ms, last tone->B delivery %.1f ms, "
                "last tone->rts-down %.1f ms\n",
        static_cast<long long>(rtsUp - sentAt), tones.firstMs - static_cast<double>(rtsUp), deliveredAfterLastTone,
        static_cast<double>(rtsDown) - tones.lastMs);
}
