#include <gtest/gtest.h>

#include <algorithm>

#include "ModemTestKit.h"
#include "audio/SimulatedSoundCard.h"
#include "base/VirtualLoop.h"
#include "modem/untFFSK.h"

using namespace modemtest;

namespace {
const std::vector<std::uint8_t> Preamble = {0xAA, 0xAA};
const std::vector<std::uint8_t> Sync = {0xAA, 0xAA, 0x3B, 0x28};

std::vector<std::uint8_t> Bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
} // namespace

TEST(FFSKModulator, ToneTablesHoldTheRoundedSineValues)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    const TFFSK ffsk(card);
    const TFFSK::TTone& up1200 = ffsk.Tone1200Up();
    const TFFSK::TTone& up1800 = ffsk.Tone1800Up();
    EXPECT_TRUE(std::equal(up1200.begin(), up1200.begin() + 13,
        std::vector<int> {127, 130, 133, 136, 139, 141, 143, 145, 146, 147, 147, 147, 146}.begin()));
    EXPECT_EQ(*std::min_element(up1200.begin(), up1200.end()), 107);
    for (int i : {29, 30, 31}) EXPECT_EQ(up1200[i], 107) << i;
    EXPECT_TRUE(std::equal(up1800.begin(), up1800.begin() + 10,
        std::vector<int> {127, 132, 136, 140, 143, 145, 147, 147, 146, 144}.begin()));
    EXPECT_TRUE(std::equal(up1800.end() - 6, up1800.end(), std::vector<int> {147, 145, 143, 140, 136, 132}.begin()));
    for (std::size_t i = 0; i < TFFSK::SamplesPerBit; ++i) {
        EXPECT_EQ(ffsk.Tone1200Down()[i], 254 - up1200[i]) << i;
        EXPECT_EQ(ffsk.Tone1800Down()[i], 254 - up1800[i]) << i;
    }
}

TEST(FFSKModulator, FrameOfEightCharactersHasNoFill)
{
    const auto frame = RenderFrame("ABCDEFGH");
    EXPECT_EQ(frame.size(), 4520u); // 113 bits
    EXPECT_EQ(FrameBits(frame), BitsOf(Join({Preamble, Sync, Bytes("ABCDEFGH")})) + "0");
}

TEST(FFSKModulator, NinthCharacterStartsASecondBlockFilledWithZeros)
{
    const auto frame = RenderFrame("ABCDEFGHI");
    EXPECT_EQ(frame.size(), (16u + 2 * 96 + 1) * 40);
    EXPECT_EQ(FrameBits(frame),
        BitsOf(Join({Preamble, Sync, Bytes("ABCDEFGH"), Sync, Bytes("I"), std::vector<std::uint8_t>(7, 0)})) + "0");
}

TEST(FFSKModulator, EmptyTextIsEightZerosWithoutSyncWord)
{
    const auto frame = RenderFrame("");
    EXPECT_EQ(FrameBits(frame), BitsOf(Join({Preamble, std::vector<std::uint8_t>(8, 0)})) + "0");
}

TEST(FFSKModulator, FirstBitAfterConstructionStartsFalling)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    const TFFSK tables(card);
    const auto frame = RenderFrame("");
    // 0xAA: 1 then 0.
    EXPECT_TRUE(std::equal(tables.Tone1800Down().begin(), tables.Tone1800Down().end(), frame.begin()));
    EXPECT_TRUE(std::equal(tables.Tone1200Up().begin(), tables.Tone1200Up().end(), frame.begin() + 40));
}

TEST(FFSKModulator, TextWrittenWhileQueuedFollowsWithoutPreambleAndPhaseCarriesOver)
{
    // FrameBits also checks that the wave stays continuous across the texts.
    const auto frame = RenderFrames({"AB", "\x80\xFF"});
    EXPECT_EQ(FrameBits(frame),
        BitsOf(Join({Preamble, Sync, Bytes("AB"), std::vector<std::uint8_t>(6, 0)})) + "0"
            + BitsOf(Join({Sync, {0x80, 0xFF}, std::vector<std::uint8_t>(6, 0)})) + "0");
}

TEST(FFSKModulator, FillBufferHandsOverBlocksThenTheWrittenPartThenSilence)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    TFFSK ffsk(card);
    std::vector<std::uint8_t> buffer(TFFSK::BlockSize, 0);
    EXPECT_EQ(ffsk.FillBuffer(nullptr, buffer.data(), TFFSK::BlockSize), TFFSK::BlockSize);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 127; }));

    // 20 characters: 305 bits = 12200 samples, one whole block and 2600 bytes.
    ffsk.WriteText("SMS>abcdefghijklmnop");
    EXPECT_EQ(ffsk.QueuedBytes(), 12200u);
    EXPECT_EQ(ffsk.FillBuffer(nullptr, buffer.data(), TFFSK::BlockSize), TFFSK::BlockSize);
    EXPECT_EQ(ffsk.FillBuffer(nullptr, buffer.data(), TFFSK::BlockSize), 2600u);
    EXPECT_EQ(ffsk.QueuedBytes(), 0u);
    // The next text starts a new frame with its preamble, in a new block.
    ffsk.WriteText("");
    EXPECT_EQ(ffsk.QueuedBytes(), 81u * 40);
}

TEST(FFSKModulator, TextsEndingOnABlockBoundaryHandOverAFullLastBlock)
{
    // 113 bits, then 31 times 97 bits without preamble: 3120 bits, 13 blocks.
    std::vector<std::string> texts(32, "ABCDEFGH");
    const auto frame = RenderFrames(texts);
    EXPECT_EQ(frame.size(), 13u * TFFSK::BlockSize);

    TVirtualLoop loop;
    TSimulatedSoundCard card;
    TFFSK ffsk(card);
    for (const auto& t : texts) ffsk.WriteText(t);
    std::vector<std::uint8_t> buffer(TFFSK::BlockSize);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(ffsk.FillBuffer(nullptr, buffer.data(), TFFSK::BlockSize), 9600u);
    EXPECT_EQ(ffsk.QueuedBytes(), 0u);
}

namespace {
// Where a frame ends in what a card played since it opened at time 0 (the
// player streams without a gap, so sample i sounds at i / 48000 s); -1 if
// the frame is not there unbroken, with silence around it.
std::int64_t FrameEndUs(
    const std::vector<std::uint8_t>& played, const std::vector<std::uint8_t>& frame, std::size_t from = 0)
{
    const auto begin =
        std::search(played.begin() + static_cast<std::ptrdiff_t>(from), played.end(), frame.begin(), frame.end());
    if (begin == played.end()) return -1;
    const auto end = begin + static_cast<std::ptrdiff_t>(frame.size());
    const auto silent = [](std::uint8_t b) { return b == 127; };
    if (!std::all_of(played.begin() + static_cast<std::ptrdiff_t>(from), begin, silent)) return -1;
    return (end - played.begin()) * 1000 / 48;
}
} // namespace

TEST(FFSKModulator, PlayerStreamsTheFrameAndOnReadyFollowsOncePerDrainedQueueAfterTheLastTone)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    card.SetRecordPlayback(true);
    TFFSK ffsk(card);
    std::vector<std::int64_t> readyAtUs;
    const TConnection on150 = ffsk.OnReady.Connect([&](TObject* sender) {
        EXPECT_EQ(sender, &ffsk);
        readyAtUs.push_back(loop.NowUs());
    });
    loop.AdvanceByMs(2010);
    EXPECT_TRUE(readyAtUs.empty()) << "nothing was written";

    // Two texts queued together drain as one: one OnReady.
    const std::int64_t writtenUs = loop.NowUs();
    ffsk.WriteText("SMS>first text, longer than one block");
    ffsk.WriteText("SMS>second");
    const auto frame = RenderFrames({"SMS>first text, longer than one block", "SMS>second"});
    loop.AdvanceByMs(3000);
    ASSERT_EQ(readyAtUs.size(), 1u);

    const auto played = card.TakePlayed();
    const std::int64_t toneEndUs = FrameEndUs(played, frame);
    ASSERT_GT(toneEndUs, writtenUs) << "the frame is played unbroken after silence";
    EXPECT_TRUE(
        std::all_of(played.begin() + toneEndUs * 48 / 1000, played.end(), [](std::uint8_t b) { return b == 127; }));
    EXPECT_GE(readyAtUs[0] - toneEndUs, 50000);
    EXPECT_LE(readyAtUs[0] - toneEndUs, 250000);
    EXPECT_LE(toneEndUs - writtenUs, 400000 + static_cast<std::int64_t>(frame.size()) * 1000 / 48);
}

TEST(FFSKModulator, ReadyTimerAlreadyRunningIsNotCancelledByANewText)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    card.SetRecordPlayback(true);
    TFFSK ffsk(card);
    std::vector<std::int64_t> readyAtUs;
    const TConnection on182 = ffsk.OnReady.Connect([&](TObject*) { readyAtUs.push_back(loop.NowUs()); });
    loop.AdvanceByMs(110);
    ffsk.WriteText("SMS>x");
    const auto first = RenderFrame("SMS>x");
    std::vector<std::uint8_t> played;
    const auto takePlayed = [&] {
        const auto more = card.TakePlayed();
        played.insert(played.end(), more.begin(), more.end());
    };
    ASSERT_TRUE(loop.AdvanceUntil(
        [&] {
            takePlayed();
            return FrameEndUs(played, first) >= 0;
        },
        2000));
    // The first tone has ended, so the ready timer runs: a text written now
    // does not stop it, and OnReady comes while the second frame waits or
    // plays.
    loop.AdvanceByMs(10);
    ASSERT_TRUE(readyAtUs.empty());
    ffsk.WriteText("SMS>y");
    loop.AdvanceByMs(2000);
    takePlayed();
    ASSERT_EQ(readyAtUs.size(), 2u);
    // The tail bit ends off the midpoint, so the last tone ends after the
    // last sample that is not silence.
    const auto last = std::find_if(played.rbegin(), played.rend(), [](std::uint8_t b) { return b != 127; });
    const std::int64_t secondEndUs = (played.rend() - last) * 1000 / 48;
    EXPECT_LT(readyAtUs[0], secondEndUs);
    EXPECT_GE(readyAtUs[1] - secondEndUs, 50000);
}

TEST(FFSKModulator, DeviceIDSwitchReopensThePlayerOnTheNewDevice)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card(3);
    TFFSK ffsk(card);
    loop.AdvanceByMs(500);
    EXPECT_EQ(ffsk.DeviceID(), -1);
    ffsk.SetDeviceID(2);
    loop.AdvanceByMs(500);
    EXPECT_EQ(ffsk.DeviceID(), 2);
    EXPECT_EQ(card.OpenDeviceID(TWaveDirection::Playback), 2);
    // Still streaming: a text written now is played and reported.
    int readies = 0;
    const TConnection on227 = ffsk.OnReady.Connect([&](TObject*) { ++readies; });
    ffsk.WriteText("SMS>after the switch");
    loop.AdvanceByMs(2000);
    EXPECT_EQ(readies, 1);
}
