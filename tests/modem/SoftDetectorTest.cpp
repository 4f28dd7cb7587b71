#include <gtest/gtest.h>

#include <cmath>

#include "ModemTestKit.h"
#include "RadioPaths.h"
#include "modem/SoftDetector.h"

using namespace modemtest;

namespace {

struct TDecisions : TBitSink {
    std::string Symbols;
    std::size_t Lost = 0;
    void BitDecided(const TBitDecision& decision) override
    {
        Symbols.push_back(decision.Symbol);
        Lost += decision.Value == TBitValue::Lost;
    }
};

TDecisions Decide(TSoftDetector& detector, const std::vector<std::int16_t>& capture)
{
    TDecisions decisions;
    detector.Demodulate(capture, decisions);
    return decisions;
}

} // namespace

TEST(SoftDetector, SilenceIsNoSignalAndAFaintToneIsNot)
{
    TSoftDetector detector;
    const TDecisions silence = Decide(detector, std::vector<std::int16_t>(9600, 0));
    // One decision per 40 samples, the first a little late: the decision
    // waits for the values after it.
    EXPECT_EQ(silence.Symbols, std::string(239, '-'));
    EXPECT_EQ(silence.Lost, 239u);

    // Tones of peak 4 are a signal: bits, no "-" once the filter has filled.
    TAudio audio = FrameAudio({"SMS>faint"}, 4.0 / 32768, 0, 0);
    const TDecisions faint = Decide(detector, ToCaptureSamples(audio));
    EXPECT_EQ(faint.Symbols.substr(10).find('-'), std::string::npos) << faint.Symbols;
}

TEST(SoftDetector, QuietNoiseAfterAFrameIsNoSignal)
{
    // A frame, then noise 30 dB below it: the noise's random bits must not
    // reach the register while the message is still open. Noise alone is
    // decided as bits (it may hide a weak signal).
    const std::string text = "SMS>Anna>>then noise";
    TAudio audio = FrameAudio({text}, 0.25, 4800, 48000);
    const std::size_t frameEnd = audio.size() - 48000;
    AddWhiteNoise(audio, 0.25 / std::sqrt(2.0) / std::pow(10.0, 30.0 / 20), 11);
    const auto capture = ToCaptureSamples(audio);
    TSoftDetector detector;
    const TDecisions decisions = Decide(detector, capture);
    const std::size_t bitsAfter = (audio.size() - frameEnd) / 40;
    const std::string after = decisions.Symbols.substr(decisions.Symbols.size() - bitsAfter + 8);
    EXPECT_EQ(after.find_first_not_of('-'), std::string::npos) << after;
    const std::string before = decisions.Symbols.substr(0, 4800 / 40);
    EXPECT_NE(before.find_first_not_of('-'), std::string::npos) << "noise alone gives bits";
    const auto deliveries = DecodeCapture(TDetectorKind::Soft, capture);
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].Body, ExpectedBody(text));
}

TEST(SoftDetector, ReceiverDeliversWhereverTheFrameStartsAndTheBuffersSplit)
{
    const auto capture = ToCapture(RenderFrame("SMS>split across the buffers"));
    const std::string expected = std::string("split across the buffers") + std::string(4, '\0');
    for (std::size_t offset = 0; offset < 9600; offset += offset < 40 ? 1 : 331) {
        std::vector<std::uint8_t> delayed(offset * 2, 0);
        delayed.insert(delayed.end(), capture.begin(), capture.end());
        TDirectReceiver rx(TDetectorKind::Soft);
        rx.Feed(delayed);
        ASSERT_EQ(rx.Messages.size(), 1u) << offset;
        EXPECT_EQ(rx.Messages[0].RxString, expected) << offset;
        EXPECT_LE(rx.Decoder().BitTrace().size(), TFFSKDecoder::TraceLength);
    }

    // A message is delivered after the next whole idle buffer.
    TDirectReceiver rx(TDetectorKind::Soft);
    rx.Feed(ToCapture(RenderFrame("SMS>Anna>>hello there")), 0);
    EXPECT_TRUE(rx.Messages.empty());
    rx.Feed({}, 1);
    ASSERT_EQ(rx.Messages.size(), 1u);
    EXPECT_EQ(rx.Messages[0].RxString, std::string("Anna>>hello there") + std::string(3, '\0'));
}

TEST(SoftDetector, LoopbackDeliversOnceAtEveryLevel)
{
    for (const double peak : {4.0, 100.0, 4864.0, 32767.0}) {
        TLoopback link(0, TDetectorKind::Soft);
        link.Cable.SetGain(GainForPeak(peak));
        link.Modulator->WriteText("SMS>Anna>>loop back");
        ASSERT_TRUE(link.WaitForMessages(1)) << peak;
        EXPECT_EQ(link.Messages[0].RxString, std::string("Anna>>loop back") + std::string(5, '\0')) << peak;
        link.Loop.AdvanceByMs(1000);
        EXPECT_EQ(link.Messages.size(), 1u) << peak;
    }
}
