// Throughput of the FFSK modulator and demodulator on one core, as multiples
// of real time (the "x_realtime" counter: seconds of audio per second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "base/VirtualLoop.h"
#include "modem/untFFSK.h"
#include "modem/untFFSKReceiver.h"

namespace {

constexpr double SampleRate = 48000.0;

// 200 ms of capture input: "frames" is back-to-back 20-character messages,
// "noise" white noise at the tones' level, "silence" zeros.
std::vector<std::uint8_t> CaptureBuffer(int kind)
{
    std::vector<std::int16_t> samples;
    if (kind == 0) {
        TSimulatedSoundCard card;
        TFFSK modulator(card);
        std::vector<std::uint8_t> block(TFFSK::BlockSize);
        std::uint32_t loops = 0;
        while (samples.size() < 9600) {
            modulator.WriteText("SMS>Anna>>benchmark!");
            while (modulator.QueuedBytes() > 0) {
                const std::uint32_t n = modulator.FillBuffer(nullptr, block.data(), TFFSK::BlockSize, loops);
                for (std::uint32_t i = 0; i < n; ++i)
                    samples.push_back(static_cast<std::int16_t>((block[i] - 128) * 256));
            }
        }
    } else if (kind == 1) {
        std::mt19937 random(1);
        std::normal_distribution<double> gauss(0.0, 3500.0);
        for (int i = 0; i < 9600; ++i) samples.push_back(static_cast<std::int16_t>(std::lround(gauss(random))));
    } else {
        samples.assign(9600, 0);
    }
    samples.resize(9600);
    std::vector<std::uint8_t> bytes;
    for (const std::int16_t s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

void BM_Demodulator(benchmark::State& state)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    TFFSKReceiver receiver(card, state.range(1) ? TDetectorKind::Soft : TDetectorKind::Classic);
    std::size_t messages = 0;
    receiver.OnReceive = [&](TObject*, bool, const std::string&) { ++messages; };
    std::vector<std::uint8_t> buffer = CaptureBuffer(static_cast<int>(state.range(0)));
    bool freeIt = true;
    for (auto _ : state) {
        receiver.RecorderData(nullptr, buffer.data(), static_cast<std::uint32_t>(buffer.size()), freeIt);
        benchmark::DoNotOptimize(messages);
    }
    const double samples = static_cast<double>(state.iterations()) * 9600;
    state.counters["x_realtime"] = benchmark::Counter(samples / SampleRate, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
}
BENCHMARK(BM_Demodulator)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"input(0=frames,1=noise,2=silence)", "detector(0=classic,1=soft)"});

void BM_Modulator(benchmark::State& state)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    TFFSK modulator(card);
    std::vector<std::uint8_t> block(TFFSK::BlockSize);
    std::uint32_t loops = 0;
    double samples = 0;
    for (auto _ : state) {
        modulator.WriteText("SMS>Anna>>benchmark!");
        while (modulator.QueuedBytes() > 0) {
            samples += modulator.FillBuffer(nullptr, block.data(), TFFSK::BlockSize, loops);
            benchmark::DoNotOptimize(block.data());
        }
    }
    state.counters["x_realtime"] = benchmark::Counter(samples / SampleRate, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
}
BENCHMARK(BM_Modulator);

} // namespace

BENCHMARK_MAIN();
