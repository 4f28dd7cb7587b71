#include <gtest/gtest.h>

#include <algorithm>

#include "ModemTestKit.h"
#include "audio/SampleCodec.h"
#include "audio/WavFile.h"

using namespace modemtest;

namespace {

// 16-bit samples of +-1000 that change sign exactly at the given indices
// (starting on the non-negative side).
std::vector<std::uint8_t> SignChanges(std::size_t length, const std::vector<std::size_t>& at)
{
    const TWaveFormat format = BuildPCMFormat(Mono16bit48000Hz);
    std::vector<std::uint8_t> bytes(length * 2);
    bool negative = false;
    std::size_t next = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (next < at.size() && at[next] == i) {
            negative = !negative;
            ++next;
        }
        EncodeFrame((negative ? -1000 : 1000) / 32768.0, &bytes[2 * i], format);
    }
    return bytes;
}

} // namespace

TEST(FFSKReceiver, CrossingsPerWindowDecideBitAndCarry)
{
    TDirectReceiver rx;
    // Windows of 40 samples from 0 (no crossing before position 7 or at
    // 8..12, so none is moved): 3 crossings, 4 (carry 1), 1 + 4 = 5, 2, 1 (owes 1),
    // -1 + 2 = 1 (owes 1), -1 + 0, and 2 with a glitch 5 samples after the
    // first that is not taken.
    rx.Feed(
        SignChanges(320, {13, 23, 33, 47, 57, 67, 77, 87, 97, 107, 117, 133, 150, 173, 213, 223, 293, 298, 300, 313}),
        0, 320);
    ASSERT_FALSE(rx.Traces.empty());
    EXPECT_EQ(rx.Traces.back(), "1^-0__-0");
}

TEST(FFSKReceiver, CandidateEarlyInAWindowMovesTheWindowOn)
{
    // A crossing at position 3 of the second window moves it to 7: that
    // window ends 4 samples early, at sample 75 instead of 79.
    {
        TDirectReceiver rx;
        rx.Feed(SignChanges(76, {43}), 0, 76);
        EXPECT_EQ(rx.Traces.size(), 2u);
    }
    TDirectReceiver unmoved;
    unmoved.Feed(SignChanges(76, {50}), 0, 76);
    EXPECT_EQ(unmoved.Traces.size(), 1u);
}

TEST(FFSKReceiver, LateBoundaryCrossingWalksTheWindowBackOneSample)
{
    // An accepted crossing at position 10 of the second window moves that
    // window's end one sample later, from sample 79 to 80; one at 13 is an
    // ordinary crossing inside the bit and moves nothing.
    {
        TDirectReceiver rx;
        rx.Feed(SignChanges(80, {50}), 0, 80);
        EXPECT_EQ(rx.Traces.size(), 1u);
    }
    TDirectReceiver inside;
    inside.Feed(SignChanges(80, {53}), 0, 80);
    EXPECT_EQ(inside.Traces.size(), 2u);
}

TEST(FFSKReceiver, FirstCrossingAfterSilenceIsPlacedAtSeven)
{
    // Four silent bits, then a crossing at position 39 of the fourth window:
    // it is placed at 7, so that window ends at sample 191 instead of 159.
    {
        TDirectReceiver rx;
        rx.Feed(SignChanges(191, {159}), 0, 191);
        EXPECT_EQ(rx.Traces.size(), 3u);
        rx.Feed(SignChanges(1, {}), 0, 1);
        EXPECT_EQ(rx.Traces.size(), 4u);
    }
    // After less than two silent bits a crossing at 39 moves nothing.
    TDirectReceiver soon;
    soon.Feed(SignChanges(191, {20, 79}), 0, 191);
    EXPECT_EQ(soon.Traces.size(), 4u);
}

TEST(FFSKReceiver, RecordedFrameDecodesWhereverTheWindowsFall)
{
    // A quarter second recorded by a station: idle level, then a frame
    // (first text "SMS>Msauetjythbh...") over a cable with a DC offset,
    // noise and a slow clock. With its first crossing on the last sample of
    // a window, its boundaries jittered across the window edge and the sync
    // word of the first block was lost. Every window position is tried.
    const TWavData wav = ReadWavFile(std::string(PARLET_MODEM_TEST_DATA) + "/frame-start-near-a-window-edge.wav");
    ASSERT_EQ(wav.BitsPerSample, 16);
    for (std::size_t lead = 0; lead < 40; ++lead) {
        std::vector<std::uint8_t> capture;
        for (std::size_t i = 0; i < lead; ++i) capture.insert(capture.end(), wav.Data.begin(), wav.Data.begin() + 2);
        capture.insert(capture.end(), wav.Data.begin(), wav.Data.end());
        TDirectReceiver rx;
        rx.Feed(capture);
        ASSERT_EQ(rx.Messages.size(), 1u) << lead;
        EXPECT_EQ(rx.Messages[0].RxString.substr(0, 12), "Msauetjythbh") << lead;
    }
}

TEST(FFSKReceiver, SilenceAndClippedSquareWaveGiveOnlyNoBitSymbols)
{
    {
        TDirectReceiver rx;
        rx.Feed(std::vector<std::uint8_t>(9600 * 2, 0), 0);
        ASSERT_EQ(rx.Traces.size(), 240u);
        EXPECT_EQ(rx.Traces.back(), std::string(40, '-'));
    }

    // 1200 Hz square wave at full scale: the extreme high bytes never count.
    std::vector<std::uint8_t> square;
    for (int i = 0; i < 9600; ++i) {
        const bool high = (i / 20) % 2 == 0;
        square.push_back(high ? 0xFF : 0x00);
        square.push_back(high ? 0x7F : 0x80);
    }
    TDirectReceiver clipped;
    clipped.Feed(square, 0);
    for (const auto& t : clipped.Traces) ASSERT_EQ(t.find_first_not_of('-'), std::string::npos) << t;
    EXPECT_TRUE(clipped.Messages.empty());
}

TEST(FFSKReceiver, BitTraceHoldsTheLast40SymbolsNewestLast)
{
    TDirectReceiver rx;
    rx.Feed(ToCapture(RenderFrame("SMS>trace")), 1);
    std::size_t longest = 0;
    for (const auto& t : rx.Traces) longest = std::max(longest, t.size());
    EXPECT_EQ(longest, 40u);
    EXPECT_EQ(rx.Traces[0].size(), 1u);
    EXPECT_EQ(rx.Receiver().BitTrace(), rx.Traces.back());
    // After the frame, silence: the newest symbols are "-".
    EXPECT_EQ(rx.Traces.back(), std::string(40, '-'));
}

TEST(FFSKReceiver, MessageIsDeliveredAfterTheNextWholeIdleBuffer)
{
    TDirectReceiver rx;
    const auto capture = ToCapture(RenderFrame("SMS>Anna>>hello there"));
    // The frame (18 bytes of text, 21 after the prefix) fits in one buffer.
    rx.Feed(capture, 0);
    EXPECT_TRUE(rx.Messages.empty()) << "the buffer with the last block counts as the first";
    rx.Feed({}, 1);
    ASSERT_EQ(rx.Messages.size(), 1u);
    EXPECT_EQ(rx.Messages[0], (TMessage {true, std::string("Anna>>hello there") + std::string(3, '\0'), 0}));
}

TEST(FFSKReceiver, PrefixedBlockDeliversTheOpenMessageAtOnce)
{
    TDirectReceiver rx;
    rx.Feed(ToCapture(RenderFrames({"SMS>Bob>>one", "LOC>1234", "SMS>Bob>>two"})), 0);
    ASSERT_EQ(rx.Messages.size(), 2u);
    EXPECT_EQ(rx.Messages[0], (TMessage {true, std::string("Bob>>one") + std::string(4, '\0'), 0}));
    EXPECT_EQ(rx.Messages[1], (TMessage {false, "1234", 0}));
    rx.Feed({}, 5);
    ASSERT_EQ(rx.Messages.size(), 3u) << "each message once";
    EXPECT_EQ(rx.Messages[2], (TMessage {true, std::string("Bob>>two") + std::string(4, '\0'), 0}));
}

TEST(FFSKReceiver, BlockWithoutPrefixOnlyContinuesAnOpenMessage)
{
    // A frame whose first block was not heard, at start-up and after a
    // message was delivered: nothing is delivered, however long it waits.
    TDirectReceiver rx;
    rx.Feed(ToCapture(RenderFrame("ABCDEFGHIJ")), 5);
    rx.Feed(ToCapture(RenderFrame("SMS>Eve>>x")));
    rx.Feed(ToCapture(RenderFrame("12345678")), 5);
    ASSERT_EQ(rx.Messages.size(), 1u);
    EXPECT_EQ(rx.Messages[0], (TMessage {true, std::string("Eve>>x") + std::string(6, '\0'), 0}));

    // Within a message, blocks without a prefix join the type it began with.
    rx.Feed(ToCapture(RenderFrame("LOC>12345678")));
    ASSERT_EQ(rx.Messages.size(), 2u);
    EXPECT_EQ(rx.Messages[1], (TMessage {false, std::string("12345678") + std::string(4, '\0'), 0}));
}

TEST(FFSKReceiver, EmptyBufferCountsAsAnIdleBuffer)
{
    TDirectReceiver rx;
    rx.Feed(ToCapture(RenderFrame("SMS>Eve>>x")), 0);
    EXPECT_TRUE(rx.Messages.empty());
    bool freeIt = true;
    rx.Receiver().RecorderData(nullptr, nullptr, 0, freeIt);
    ASSERT_EQ(rx.Messages.size(), 1u);
    EXPECT_EQ(rx.Messages[0].RxString, std::string("Eve>>x") + std::string(6, '\0'));
}

TEST(FFSKReceiver, FrameAtAnyStartOffsetAndSplitAnywhereDecodesTheSame)
{
    const auto capture = ToCapture(RenderFrame("SMS>split across the buffers"));
    const std::string expected = std::string("split across the buffers") + std::string(4, '\0');
    // Offsets 0..39 in a bit, and offsets that put the buffer boundary at
    // points all over the frame.
    std::vector<std::size_t> offsets;
    for (std::size_t k = 0; k < 40; ++k) offsets.push_back(k);
    for (std::size_t k = 40; k < 9600; k += 97) offsets.push_back(k);
    for (const std::size_t offset : offsets) {
        std::vector<std::uint8_t> delayed(offset * 2, 0);
        delayed.insert(delayed.end(), capture.begin(), capture.end());
        TDirectReceiver rx;
        rx.Feed(delayed);
        ASSERT_EQ(rx.Messages.size(), 1u) << offset;
        EXPECT_EQ(rx.Messages[0].RxString, expected) << offset;
    }
}

TEST(FFSKReceiver, OnlyTheRecordedPartOfAShortBufferIsDemodulated)
{
    TDirectReceiver rx;
    std::vector<std::uint8_t> buffer(19200, 0);
    bool freeIt = true;
    rx.Receiver().RecorderData(nullptr, buffer.data(), 400, freeIt);
    EXPECT_EQ(rx.Traces.size(), 5u);
    EXPECT_TRUE(freeIt);
}

TEST(FFSKReceiver, InputLevelIsPassedOnWithTheReceiverAsSender)
{
    TDirectReceiver rx;
    TObject* sender = nullptr;
    int level = -1;
    rx.Receiver().OnInputLevel = [&](TObject* s, int l) {
        sender = s;
        level = l;
    };
    rx.Receiver().RecorderLevel(nullptr, 42);
    EXPECT_EQ(sender, &rx.Receiver());
    EXPECT_EQ(level, 42);
}
