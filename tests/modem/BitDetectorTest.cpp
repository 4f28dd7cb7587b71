#include <gtest/gtest.h>

#include <random>

#include "ModemTestKit.h"
#include "RadioPaths.h"
#include "modem/BitDetector.h"

using namespace modemtest;

namespace {

// Every decision written out: value, symbol, margin and where it ended.
struct TSymbols : TBitSink {
    std::string Symbols;
    void BitDecided(const TBitDecision& decision) override
    {
        Symbols += std::to_string(static_cast<int>(decision.Value)) + decision.Symbol + std::to_string(decision.Margin)
            + "@" + std::to_string(decision.EndSample) + " ";
    }
};

// A noisy frame with hum, then silence and a clean frame, so that every part
// of both detectors is at work: rejected and accepted crossings, windows moved
// both ways, a lost signal and a transmission starting after silence.
std::vector<std::int16_t> MixedInput()
{
    TAudio audio = FrameAudio({"SMS>Anna>>split the input anywhere"}, 0.2, 1234, 4000);
    AddHum(audio, 0.1);
    AddWhiteNoise(audio, 0.1, 7);
    std::vector<std::int16_t> capture = ToCaptureSamples(audio);
    capture.resize(capture.size() + 333, 0);
    const auto clean = CaptureSamples(ToCapture(RenderFrame("SMS>after the silence")));
    capture.insert(capture.end(), clean.begin(), clean.end());
    return capture;
}

} // namespace

TEST(BitDetector, AnySplitOfTheInputGivesTheSameDecisions)
{
    const auto capture = MixedInput();
    const std::size_t samples = capture.size();
    for (const TDetectorKind kind : {TDetectorKind::Classic, TDetectorKind::Soft}) {
        TSymbols expected;
        MakeBitDetector(kind)->Demodulate(capture, expected);
        ASSERT_GT(expected.Symbols.size(), 5 * 700u);

        std::mt19937 random(3);
        for (const std::size_t largest : {1u, 7u, 40u, 9600u}) {
            const auto split = MakeBitDetector(kind);
            TSymbols got;
            for (std::size_t at = 0; at < samples;) {
                const std::size_t n = std::min<std::size_t>(samples - at, random() % (largest + 1));
                split->Demodulate(std::span(capture).subspan(at, n), got);
                at += n;
            }
            EXPECT_EQ(got.Symbols, expected.Symbols) << DetectorKindName(kind) << ", pieces of up to " << largest;
        }
    }
}
