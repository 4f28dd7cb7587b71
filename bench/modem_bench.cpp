// Throughput of the FFSK frame renderer and decoder on one core, as
// multiples of real time (the "x_realtime" counter: seconds of audio per
// second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "modem/FFSKDecoder.h"
#include "modem/FrameRenderer.h"

namespace {

constexpr double SampleRate = 48000.0;
constexpr std::size_t Buffer = TFFSKDecoder::BufferSamples;

// 200 ms of capture input: "frames" is back-to-back 20-character messages,
// "noise" white noise at the tones' level, "silence" zeros.
std::vector<std::int16_t> CaptureBuffer(int kind)
{
    std::vector<std::int16_t> samples;
    if (kind == 0) {
        while (samples.size() < Buffer) {
            for (const std::uint8_t b : TFrameRenderer::Render({"SMS>Anna>>benchmark!"}))
                samples.push_back(static_cast<std::int16_t>((b - 128) * 256));
        }
    } else if (kind == 1) {
        std::mt19937 random(1);
        std::normal_distribution<double> gauss(0.0, 3500.0);
        for (std::size_t i = 0; i < Buffer; ++i)
            samples.push_back(static_cast<std::int16_t>(std::lround(gauss(random))));
    }
    samples.resize(Buffer);
    return samples;
}

void BM_Demodulator(benchmark::State& state)
{
    std::size_t messages = 0;
    TFFSKDecoder decoder(
        state.range(1) ? TDetectorKind::Soft : TDetectorKind::Classic, [&](const TDecodedMessage&) { ++messages; });
    const std::vector<std::int16_t> buffer = CaptureBuffer(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        decoder.DecodeBuffer(buffer);
        benchmark::DoNotOptimize(messages);
    }
    const double samples = static_cast<double>(state.iterations()) * Buffer;
    state.counters["x_realtime"] = benchmark::Counter(samples / SampleRate, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
}
BENCHMARK(BM_Demodulator)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"input(0=frames,1=noise,2=silence)", "detector(0=classic,1=soft)"});

void BM_Modulator(benchmark::State& state)
{
    double samples = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t> frame = TFrameRenderer::Render({"SMS>Anna>>benchmark!"});
        samples += static_cast<double>(frame.size());
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(samples / SampleRate, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
}
BENCHMARK(BM_Modulator);

} // namespace

BENCHMARK_MAIN();
