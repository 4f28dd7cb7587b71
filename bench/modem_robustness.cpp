// Message success rates of the FFSK modem on a simulated channel, and the
// latency from the last tone to delivery. Every trial is seeded, so a run
// with the same arguments prints the same tables.
//
//   modem_robustness [--trials N] [--length CHARS] [--seed S]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ModemTrial.h"

namespace {

using TOptions = TTrialOptions;

TOptions ParseOptions(int argc, char** argv)
{
    TOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!TakeTrialOption(argv[i], argv[i + 1], options)) {
            std::fprintf(stderr, "usage: modem_robustness [--trials N] [--length CHARS] [--seed S]\n");
            std::exit(2);
        }
    }
    return options;
}

struct TRate {
    int Exact = 0;
    int Other = 0;
};

// Trial t of every row uses the same message and the same seed, so rows
// differ only in the condition they vary.
TRate Measure(const TOptions& options, const std::function<void(TChannel&)>& condition)
{
    TRate rate;
    for (int t = 0; t < options.Trials; ++t) {
        TChannel channel;
        channel.Seed = options.Seed * 100003u + static_cast<std::uint32_t>(t);
        condition(channel);
        const TTrialResult r = RunTrial(channel, TrialMessage(channel.Seed, options.Length));
        rate.Exact += r.Exact ? 1 : 0;
        rate.Other += r.OtherMessages;
    }
    return rate;
}

// The condition measured with each detector, side by side: exact share,
// other deliveries in brackets.
void Row(const TOptions& options, const std::string& label, const std::function<void(TChannel&)>& condition)
{
    std::printf("| %s |", label.c_str());
    for (const TDetectorKind kind : {TDetectorKind::Classic, TDetectorKind::Soft}) {
        const TRate rate = Measure(options, [&](TChannel& c) {
            c.Detector = kind;
            condition(c);
        });
        std::printf(" %.0f %% (%d) |", 100.0 * rate.Exact / options.Trials, rate.Other);
    }
    std::printf("\n");
    std::fflush(stdout);
}

void Header(const char* title, const char* column)
{
    std::printf("\n%s\n\n| %s | classic | soft |\n|---|---|---|\n", title, column);
}

} // namespace

int main(int argc, char** argv)
{
    const TOptions options = ParseOptions(argc, argv);
    std::printf("%d trials of %zu-character messages per row, seed %u\n", options.Trials, options.Length, options.Seed);

    Header("White noise (SNR over 0-24 kHz; add 9.0 dB for the SNR in a 3 kHz band)", "SNR 0-24 kHz (3 kHz)");
    for (const double snr : {30.0, 20.0, 12.0, 10.0, 8.0, 6.0, 3.0, 0.0, -2.0, -3.0, -4.0, -5.0, -6.0}) {
        char label[64];
        std::snprintf(label, sizeof label, "%.0f dB (%.0f dB)", snr, snr + 9.03);
        Row(options, label, [snr](TChannel& c) { c.SnrDb = snr; });
    }

    Header("Sample-clock skew, no noise", "sender clock");
    for (const double ppm :
        {-10000.0, -5000.0, -1000.0, -500.0, -200.0, -100.0, 100.0, 200.0, 500.0, 1000.0, 5000.0, 10000.0}) {
        char label[64];
        std::snprintf(label, sizeof label, "%+.0f ppm (%+.2f %%)", ppm, ppm / 1e4);
        Row(options, label, [ppm](TChannel& c) { c.SenderPpm = ppm; });
    }

    Header("Input level, no noise", "tone peak (16-bit units)");
    for (const double peak : {1.0, 2.0, 3.0, 4.0, 8.0, 64.0, 1024.0, 4864.0, 16384.0, 32767.0, 40000.0, 65536.0}) {
        char label[64];
        std::snprintf(label, sizeof label, "%.0f", peak);
        Row(options, label, [peak](TChannel& c) { c.Peak = peak; });
    }

    std::printf("\nLatency, last tone to delivery (the end of the capture buffer after which the decoder delivers; "
                "no noise, the frame's start moved through a whole capture buffer)\n\n");
    std::printf("| detector | min | mean | max | trials |\n|---|---|---|---|---|\n");
    for (const TDetectorKind kind : {TDetectorKind::Classic, TDetectorKind::Soft}) {
        std::int64_t least = -1, most = -1, sum = 0;
        int count = 0;
        for (int t = 0; t < options.Trials; ++t) {
            TChannel channel;
            channel.Seed = options.Seed * 100003u + static_cast<std::uint32_t>(t);
            channel.StartSamples = t * 9600 / options.Trials;
            channel.Detector = kind;
            const TTrialResult r = RunTrial(channel, TrialMessage(channel.Seed, options.Length));
            if (r.LatencyUs < 0) continue;
            least = least < 0 ? r.LatencyUs : std::min(least, r.LatencyUs);
            most = std::max(most, r.LatencyUs);
            sum += r.LatencyUs;
            ++count;
        }
        if (count > 0)
            std::printf("| %s | %.1f ms | %.1f ms | %.1f ms | %d |\n", std::string(DetectorKindName(kind)).c_str(),
                least / 1000.0, sum / 1000.0 / count, most / 1000.0, count);
    }
    return 0;
}
