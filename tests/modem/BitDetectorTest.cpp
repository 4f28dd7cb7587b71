#include <gtest/gtest.h>

#include <random>

#include "ModemTestKit.h"
#include "RadioPaths.h"
#include "modem/BitDetector.h"

using namespace modemtest;

namespace {

struct TSymbols : TBitSink {
    std::string Symbols;
    void BitDecided(TBitValue value, char symbol) override
    {
        Symbols.push_back(symbol);
        Symbols.push_back(static_cast<char>('0' + static_cast<int>(value)));
    }
};

// A noisy frame with hum, then silence and a clean frame, so that every part
// of both detectors is at work: rejected and accepted crossings, windows moved
// both ways, a lost signal and a transmission starting after silence.
std::vector<std::uint8_t> MixedInput()
{
    TAudio audio = FrameAudio({"SMS>Anna>>split the input anywhere"}, 0.2, 1234, 4000);
    AddHum(audio, 0.1);
    AddWhiteNoise(audio, 0.1, 7);
    std::vector<std::uint8_t> capture = ToCaptureSamples(audio);
    capture.resize(capture.size() + 2 * 333, 0);
    const auto clean = ToCapture(RenderFrame("SMS>after the silence"));
    capture.insert(capture.end(), clean.begin(), clean.end());
    return capture;
}

} // namespace

TEST(BitDetector, AnySplitOfTheInputGivesTheSameDecisions)
{
    const auto capture = MixedInput();
    const std::size_t samples = capture.size() / 2;
    for (const TDetectorKind kind : {TDetectorKind::Classic, TDetectorKind::Soft}) {
        TSymbols expected;
        MakeBitDetector(kind)->Demodulate(capture.data(), samples, expected);
        ASSERT_GT(expected.Symbols.size(), 2 * 700u);

        std::mt19937 random(3);
        for (const std::size_t largest : {1u, 7u, 40u, 9600u}) {
            const auto split = MakeBitDetector(kind);
            TSymbols got;
            for (std::size_t at = 0; at < samples;) {
                const std::size_t n = std::min<std::size_t>(samples - at, random() % (largest + 1));
                split->Demodulate(capture.data() + 2 * at, n, got);
                at += n;
            }
            EXPECT_EQ(got.Symbols, expected.Symbols) << DetectorKindName(kind) << ", pieces of up to " << largest;
        }
    }
}
