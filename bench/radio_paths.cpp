// Message success rates of both bit detectors over models of real radio
// audio paths: white noise, the voice band, one-sided emphasis, mains hum, an
// overdriven limiter, a narrow-band FM link with and without carrier noise,
// clock skew and input level; and what an hour of noise without a signal
// delivers. Every trial is seeded, so a run prints the same tables.
//
//   radio_paths [--trials N] [--length CHARS] [--seed S] [--noise-hours H]
//               [--only noise|clean|fm|fading]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "ModemTrial.h"
#include "RadioPaths.h"

namespace {

struct TOptions : TTrialOptions {
    double NoiseHours = 0;
    std::string Only; // one table only: "noise", "clean", "fm" or "fading"
};

TOptions ParseOptions(int argc, char** argv)
{
    TOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (TakeTrialOption(argv[i], argv[i + 1], options)) continue;
        if (!std::strcmp(argv[i], "--noise-hours"))
            options.NoiseHours = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--only")
            && (!std::strcmp(argv[i + 1], "noise") || !std::strcmp(argv[i + 1], "clean")
                || !std::strcmp(argv[i + 1], "fm") || !std::strcmp(argv[i + 1], "fading")))
            options.Only = argv[i + 1];
        else {
            std::fprintf(stderr,
                "usage: radio_paths [--trials N] [--length CHARS] [--seed S] [--noise-hours H] "
                "[--only noise|clean|fm|fading]\n");
            std::exit(2);
        }
    }
    return options;
}

// The tones' peak on the input before any path: a quarter of full scale.
constexpr double TonePeak = 0.25;

using TPath = std::function<void(TAudio&, std::uint32_t seed)>;

struct TRate {
    int Exact = 0;
    int Other = 0;
};

// The seeded trials of a path: each trial's text, and what the detector
// delivered of it after the path.
void ForEachTrial(const TOptions& options, TDetectorKind kind, const TPath& path,
    const std::function<void(const std::string&, const std::vector<TDecodedMessage>&)>& trial)
{
    for (int t = 0; t < options.Trials; ++t) {
        const std::uint32_t seed = options.Seed * 100003u + static_cast<std::uint32_t>(t);
        const std::string text = TrialMessage(seed, options.Length);
        const std::size_t lead = 2400 + std::mt19937(seed * 7919u + 1)() % 9600;
        TAudio audio = FrameAudio({text}, TonePeak, lead, 9600);
        path(audio, seed);
        trial(text, DecodeCapture(kind, ToCaptureSamples(audio)));
    }
}

TRate Measure(const TOptions& options, TDetectorKind kind, const TPath& path)
{
    TRate rate;
    ForEachTrial(options, kind, path, [&](const std::string& text, const std::vector<TDecodedMessage>& deliveries) {
        bool exact = false;
        for (const TDecodedMessage& d : deliveries) {
            if (!exact && d.Type == TMessageType::Sms && d.Body == ExpectedBody(text))
                exact = true;
            else
                ++rate.Other;
        }
        rate.Exact += exact ? 1 : 0;
    });
    return rate;
}

void Row(const TOptions& options, const std::string& label, const TPath& path)
{
    const TRate classic = Measure(options, TDetectorKind::Classic, path);
    const TRate soft = Measure(options, TDetectorKind::Soft, path);
    const auto pct = [&](const TRate& r) { return 100.0 * r.Exact / options.Trials; };
    std::printf(
        "| %s | %.0f %% (%d) | %.0f %% (%d) |\n", label.c_str(), pct(classic), classic.Other, pct(soft), soft.Other);
    std::fflush(stdout);
}

void Header(const char* title, const char* column)
{
    std::printf("\n%s\n\n| %s | classic | soft |\n|---|---|---|\n", title, column);
}

void WhiteNoise(TAudio& audio, double snrDb, std::uint32_t seed)
{
    AddWhiteNoise(audio, TonePeak / std::sqrt(2.0) / std::pow(10.0, snrDb / 20), seed);
}

std::string Format(const char* format, double value)
{
    char label[96];
    std::snprintf(label, sizeof label, format, value);
    return label;
}

void NoisePaths(const TOptions& options)
{
    Header("White noise (SNR over 0-24 kHz)", "SNR");
    for (const double snr : {9.0, 6.0, 3.0, 0.0, -2.0, -3.0, -4.0, -5.0, -6.0})
        Row(options, Format("%+.0f dB", snr), [snr](TAudio& a, std::uint32_t s) { WhiteNoise(a, snr, s); });
}

void CleanPaths(const TOptions& options)
{
    Header("Radio audio paths without noise", "path");
    Row(options, "voice band (300 Hz high-pass, 3 kHz low-pass)", [](TAudio& a, std::uint32_t) { VoiceBand(a); });
    Row(options, "pre-emphasis only, voice band", [](TAudio& a, std::uint32_t) {
        PreEmphasis(a);
        VoiceBand(a);
    });
    Row(options, "de-emphasis only, voice band", [](TAudio& a, std::uint32_t) {
        DeEmphasis(a);
        VoiceBand(a);
    });
    for (const double hum : {0.25, 0.5, 1.0})
        Row(options, Format("hum 50/150/250 Hz at %.2f of the tones' peak", hum),
            [hum](TAudio& a, std::uint32_t) { AddHum(a, hum * TonePeak); });
    for (const double db : {6.0, 12.0})
        Row(options, Format("limiter overdriven by %.0f dB, 3 kHz low-pass", db),
            [db](TAudio& a, std::uint32_t) { OverdrivenLimiter(a, db); });
    Row(options, "FM link, matched emphasis", [](TAudio& a, std::uint32_t) { FmLink(a, {}); });
    Row(options, "FM link, flat send, de-emphasised receive",
        [](TAudio& a, std::uint32_t) { FmLink(a, {.PreEmphasis = false}); });
    Row(options, "FM link, pre-emphasised send, flat receive",
        [](TAudio& a, std::uint32_t) { FmLink(a, {.DeEmphasis = false}); });
    Row(options, "de-emphasis only, no voice band", [](TAudio& a, std::uint32_t) { DeEmphasis(a); });
    for (const double ppm : {-10000.0, -5000.0, 5000.0, 10000.0})
        Row(options, Format("sender clock %+.0f ppm", ppm), [ppm](TAudio& a, std::uint32_t) { ClockSkew(a, ppm); });
    for (const double peak : {4.0, 8.0, 64.0, 1024.0, 32767.0, 65536.0, 262144.0})
        Row(options, Format("tone peak %.0f (16-bit units)", peak),
            [peak](TAudio& a, std::uint32_t) { ScaleToPeak(a, peak / 32768.0); });
}

void CarrierNoise(const TOptions& options)
{
    Header("FM link with carrier noise (CNR in 12.5 kHz)", "CNR");
    for (const double cnr : {16.0, 12.0, 10.0, 9.0, 8.5, 8.0, 7.0, 6.0, 5.0, 4.0})
        Row(options, Format("matched, %.1f dB", cnr),
            [cnr](TAudio& a, std::uint32_t s) { FmLink(a, {.CnrDb = cnr, .Seed = s}); });
    for (const double cnr : {12.0, 10.0, 9.0, 8.5, 8.0, 6.0})
        Row(options, Format("flat send, de-emphasised receive, %.1f dB", cnr),
            [cnr](TAudio& a, std::uint32_t s) { FmLink(a, {.PreEmphasis = false, .CnrDb = cnr, .Seed = s}); });
}

// What the operator is shown over the path, counted for each detector.
TOutcomeCounts Judged(const TOptions& options, TDetectorKind kind, const TPath& path)
{
    TOutcomeCounts counts;
    ForEachTrial(options, kind, path, [&](const std::string& text, const std::vector<TDecodedMessage>& deliveries) {
        counts.Add(Judge(text, deliveries));
    });
    return counts;
}

void JudgedRow(const TOptions& options, const std::string& label, const TPath& path)
{
    std::printf("| %s |", label.c_str());
    for (const TDetectorKind kind : {TDetectorKind::Classic, TDetectorKind::Soft}) {
        const TOutcomeCounts c = Judged(options, kind, path);
        std::printf(" %d / %d / %d / **%d** / %d (%d) |", c[TOutcome::Sure], c[TOutcome::Flagged], c[TOutcome::Marked],
            c[TOutcome::Wrong], c[TOutcome::Lost], c.Other);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// A moving radio: fading, squelch and frequency offset, with the static
// FM link beside it; sure / flagged / marked / WRONG / lost, other
// deliveries in brackets.
void FadingPaths(const TOptions& options)
{
    std::printf("\nWhat the operator is shown: sure / flagged / marked / WRONG / lost (other deliveries)\n\n"
                "| path | classic | soft |\n|---|---|---|\n");
    for (const double cnr : {30.0, 12.0, 10.0, 8.0})
        JudgedRow(options, Format("static FM link, %.0f dB", cnr),
            [cnr](TAudio& a, std::uint32_t s) { FmLink(a, {.CnrDb = cnr, .Seed = s}); });
    for (const double doppler : {5.0, 20.0, 80.0})
        for (const double cnr : {20.0, 25.0, 30.0})
            JudgedRow(options, Format("Rayleigh, Doppler %.0f Hz", doppler) + Format(", mean %.0f dB", cnr),
                [=](TAudio& a, std::uint32_t s) { FmLink(a, {.CnrDb = cnr, .Seed = s, .DopplerHz = doppler}); });
    for (const double cnr : {20.0, 25.0})
        JudgedRow(options, Format("Rician K 4, Doppler 20 Hz, mean %.0f dB", cnr),
            [=](TAudio& a, std::uint32_t s) { FmLink(a, {.CnrDb = cnr, .Seed = s, .DopplerHz = 20, .RicianK = 4}); });
    for (const double cnr : {20.0, 25.0})
        JudgedRow(options, Format("Rayleigh 20 Hz, squelch 10 dB below the mean, mean %.0f dB", cnr),
            [=](TAudio& a, std::uint32_t s) {
                FmLink(a, {.CnrDb = cnr, .Seed = s, .DopplerHz = 20, .SquelchDb = -10});
            });
    for (const double offset : {500.0, 1500.0})
        JudgedRow(options, Format("Rayleigh 20 Hz, mean 25 dB, %.0f Hz off frequency", offset),
            [=](TAudio& a, std::uint32_t s) {
                FmLink(a, {.CnrDb = 25, .Seed = s, .DopplerHz = 20, .OffsetHz = offset});
            });
    JudgedRow(options, "static FM link, 12 dB, 1500 Hz off frequency",
        [](TAudio& a, std::uint32_t s) { FmLink(a, {.CnrDb = 12, .Seed = s, .OffsetHz = 1500}); });
}

// Noise without any signal, fed in one-minute pieces; counts deliveries.
void NoiseWithoutSignal(const TOptions& options)
{
    std::printf("\n%.1f h of noise without a signal: deliveries\n\n| noise | classic | soft |\n|---|---|---|\n",
        options.NoiseHours);
    const int minutes = static_cast<int>(std::lround(options.NoiseHours * 60));
    for (const bool fm : {false, true}) {
        int count[2] = {0, 0};
        for (int m = 0; m < minutes; ++m) {
            TAudio audio(48000 * 60, 0.0);
            if (fm) {
                // A receiver with an open squelch and no carrier: the
                // discriminator's noise through de-emphasis and voice band.
                FmLink(audio, {.CnrDb = -100.0, .Seed = options.Seed + static_cast<std::uint32_t>(m)});
                ScaleToPeak(audio, 0.5);
            } else {
                AddWhiteNoise(audio, 0.1, options.Seed + static_cast<std::uint32_t>(m));
            }
            const auto capture = ToCaptureSamples(audio);
            count[0] += static_cast<int>(DecodeCapture(TDetectorKind::Classic, capture).size());
            count[1] += static_cast<int>(DecodeCapture(TDetectorKind::Soft, capture).size());
        }
        std::printf("| %s | %d | %d |\n", fm ? "FM receiver noise, no carrier" : "white noise", count[0], count[1]);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const TOptions options = ParseOptions(argc, argv);
    std::printf("%d trials of %zu-character messages per row, seed %u; exact share, other deliveries in brackets\n",
        options.Trials, options.Length, options.Seed);
    if (options.NoiseHours > 0) {
        NoiseWithoutSignal(options);
        return 0;
    }
    if (options.Only.empty() || options.Only == "noise") NoisePaths(options);
    if (options.Only.empty() || options.Only == "clean") CleanPaths(options);
    if (options.Only.empty() || options.Only == "fm") CarrierNoise(options);
    if (options.Only.empty() || options.Only == "fading") FadingPaths(options);
    return 0;
}
