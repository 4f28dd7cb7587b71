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
    EXPECT_EQ(rx.Decoder().BitTrace(), "1^-0__-0");
}

TEST(FFSKReceiver, CandidateEarlyInAWindowMovesTheWindowOn)
{
    // A crossing at position 3 of the second window moves it to 7: that
    // window ends 4 samples early, at sample 75 instead of 79.
    {
        TDirectReceiver rx;
        rx.Feed(SignChanges(76, {43}), 0, 76);
        EXPECT_EQ(rx.Decoder().BitCount(), 2);
    }
    TDirectReceiver unmoved;
    unmoved.Feed(SignChanges(76, {50}), 0, 76);
    EXPECT_EQ(unmoved.Decoder().BitCount(), 1);
}

TEST(FFSKReceiver, LateBoundaryCrossingWalksTheWindowBackOneSample)
{
    // An accepted crossing at position 10 of the second window moves that
    // window's end one sample later, from sample 79 to 80; one at 13 is an
    // ordinary crossing inside the bit and moves nothing.
    {
        TDirectReceiver rx;
        rx.Feed(SignChanges(80, {50}), 0, 80);
        EXPECT_EQ(rx.Decoder().BitCount(), 1);
    }
    TDirectReceiver inside;
    inside.Feed(SignChanges(80, {53}), 0, 80);
    EXPECT_EQ(inside.Decoder().BitCount(), 2);
}

TEST(FFSKReceiver, FirstCrossingAfterSilenceIsPlacedAtSeven)
{
    // Four silent bits, then a crossing at position 39 of the fourth window:
    // it is placed at 7, so that window ends at sample 191 instead of 159.
    {
        TDirectReceiver rx;
        rx.Feed(SignChanges(191, {159}), 0, 191);
        EXPECT_EQ(rx.Decoder().BitCount(), 3);
        rx.Feed(SignChanges(1, {}), 0, 1);
        EXPECT_EQ(rx.Decoder().BitCount(), 4);
    }
    // After less than two silent bits a crossing at 39 moves nothing.
    TDirectReceiver soon;
    soon.Feed(SignChanges(191, {20, 79}), 0, 191);
    EXPECT_EQ(soon.Decoder().BitCount(), 4);
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
        ASSERT_EQ(rx.Decoder().BitCount(), 240);
        EXPECT_EQ(rx.Decoder().BitTrace(), std::string(40, '-'));
    }

    // 1200 Hz square wave at full scale: the extreme high bytes never count.
    std::vector<std::uint8_t> square;
    for (int i = 0; i < 9600; ++i) {
        const bool high = (i / 20) % 2 == 0;
        square.push_back(high ? 0xFF : 0x00);
        square.push_back(high ? 0x7F : 0x80);
    }
    const std::string symbols = DetectorSymbols(TDetectorKind::Classic, square);
    EXPECT_EQ(symbols, std::string(240, '-'));
}

TEST(FFSKReceiver, BitTraceHoldsTheLast40SymbolsNewestLast)
{
    const auto frame = ToCapture(RenderFrame("SMS>trace"));
    const std::string symbols = DetectorSymbols(TDetectorKind::Classic, frame);
    for (const std::size_t length : {std::size_t {1}, std::size_t {39}, frame.size() / 2}) {
        const std::vector<std::uint8_t> part(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(2 * length));
        TDirectReceiver rx;
        rx.Feed(part, 0, static_cast<std::uint32_t>(length));
        const std::string all = DetectorSymbols(TDetectorKind::Classic, part);
        EXPECT_EQ(rx.Decoder().BitTrace(), all.substr(all.size() - std::min<std::size_t>(all.size(), 40))) << length;
    }
    // After the frame, silence: the newest symbols are "-".
    TDirectReceiver rx;
    rx.Feed(frame, 1);
    EXPECT_EQ(rx.Decoder().BitTrace(), std::string(40, '-'));
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

TEST(FFSKReceiver, BindingDecodesOnlyTheRecordedPartAndPassesTheLevelOn)
{
    // The stream binding: a short buffer (a stream closing) is decoded for
    // what it holds, an empty one counts as a quiet buffer, and the input
    // level goes on with the receiver as sender.
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    TFFSKReceiver receiver(card, TDetectorKind::Classic);
    std::vector<TDecodedMessage> messages;
    TObject* sender = nullptr;
    int level = -1;
    const TConnection received =
        receiver.OnReceive.Connect([&](TObject*, const TDecodedMessage& message) { messages.push_back(message); });
    const TConnection levels = receiver.OnInputLevel.Connect([&](TObject* s, int l) {
        sender = s;
        level = l;
    });
    std::vector<std::uint8_t> buffer(19200, 0);
    receiver.RecorderData(nullptr, buffer.data(), 400);
    EXPECT_EQ(receiver.BitTrace(), "-----");

    std::vector<std::uint8_t> frame = ToCapture(RenderFrame("SMS>Eve>>x"));
    receiver.RecorderData(nullptr, frame.data(), static_cast<std::uint32_t>(frame.size()));
    EXPECT_TRUE(messages.empty());
    receiver.RecorderData(nullptr, nullptr, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Body, std::string("Eve>>x") + std::string(6, '\0'));

    receiver.RecorderLevel(nullptr, 42);
    EXPECT_EQ(sender, &receiver);
    EXPECT_EQ(level, 42);
}
