#include "RadioPaths.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>

#include "modem/FFSKDecoder.h"
#include "modem/FrameFormat.h"
#include "modem/FrameRenderer.h"

namespace {

constexpr double Rate = 48000.0;
const double Pi = std::acos(-1.0);

// A biquad section, direct form I.
struct TBiquad {
    double B0, B1, B2, A1, A2;
    double X1 = 0, X2 = 0, Y1 = 0, Y2 = 0;
    double Run(double x)
    {
        const double y = B0 * x + B1 * X1 + B2 * X2 - A1 * Y1 - A2 * Y2;
        X2 = X1;
        X1 = x;
        Y2 = Y1;
        Y1 = y;
        return y;
    }
};

// Butterworth sections of a 4th-order filter (Q of the two pole pairs).
constexpr double ButterworthQ[2] = {0.5411961, 1.3065630};

TBiquad LowPass(double hz, double q)
{
    const double w = 2 * Pi * hz / Rate, alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    return {(1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

TBiquad HighPass(double hz, double q)
{
    const double w = 2 * Pi * hz / Rate, alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

void Run(TAudio& audio, TBiquad section)
{
    for (double& x : audio) x = section.Run(x);
}

// First order: zero at `zeroHz`, pole at `poleHz` (bilinear, prewarped),
// scaled to unity gain at 1 kHz.
void Shelf(TAudio& audio, double zeroHz, double poleHz)
{
    const double k = 2 * Rate;
    const double wz = k * std::tan(Pi * zeroHz / Rate), wp = k * std::tan(Pi * poleHz / Rate);
    // H(s) = (1 + s/wz) / (1 + s/wp)
    const double b0 = 1 + k / wz, b1 = 1 - k / wz, a0 = 1 + k / wp, a1 = 1 - k / wp;
    const std::complex<double> z = std::polar(1.0, 2 * Pi * 1000 / Rate);
    const double gain = std::abs((b0 + b1 / z) / (a0 + a1 / z));
    double x1 = 0, y1 = 0;
    for (double& x : audio) {
        const double y = (b0 * x + b1 * x1 - a1 * y1) / a0;
        x1 = x;
        y1 = y;
        x = y / gain;
    }
}

double Peak(const TAudio& audio)
{
    double peak = 0;
    for (const double x : audio) peak = std::max(peak, std::fabs(x));
    return peak;
}

} // namespace

TAudio FrameAudio(const std::vector<std::string>& texts, double peak, std::size_t lead, std::size_t tail)
{
    const std::vector<std::uint8_t> frame = TFrameRenderer::Render(texts);
    TAudio audio(lead, 0.0);
    for (const std::uint8_t b : frame)
        audio.push_back((b - TFrameRenderer::Midpoint) * peak / TFrameRenderer::Amplitude);
    audio.resize(audio.size() + tail, 0.0);
    return audio;
}

void LowPass3k(TAudio& audio)
{
    for (const double q : ButterworthQ) Run(audio, LowPass(3000, q));
}

void VoiceBand(TAudio& audio)
{
    for (const double q : ButterworthQ) Run(audio, HighPass(300, q));
    LowPass3k(audio);
}

void PreEmphasis(TAudio& audio)
{
    Shelf(audio, 300, 3000);
}

void DeEmphasis(TAudio& audio)
{
    Shelf(audio, 3000, 300);
}

void AddHum(TAudio& audio, double peak)
{
    // Amplitudes 1, 1/3, 1/5: the three together reach about 1.3 of the
    // fundamental; scaled so that they peak at `peak`.
    const double scale = peak / 1.2;
    for (std::size_t n = 0; n < audio.size(); ++n) {
        const double w = 2 * Pi * 50 * n / Rate;
        audio[n] += scale * (std::sin(w) + std::sin(3 * w + 0.5) / 3 + std::sin(5 * w + 1.0) / 5);
    }
}

void OverdrivenLimiter(TAudio& audio, double overdriveDb)
{
    const double limit = Peak(audio);
    const double gain = std::pow(10.0, overdriveDb / 20);
    for (double& x : audio) x = std::clamp(x * gain, -limit, limit);
    LowPass3k(audio);
}

namespace {

// The complex gain of a fading path, of mean power 1: a sum of sinusoids
// (the scattered paths, arriving from angles spread round the receiver,
// each with the Doppler shift of its angle and a random phase), plus for a
// Rician path a direct one.
class TFading {
public:
    TFading(double dopplerHz, double ricianK, std::uint32_t seed)
    {
        std::mt19937 random(seed * 2654435761u + 17);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        const double tilt = unit(random);
        for (int n = 0; n < Paths; ++n) {
            const double angle = 2 * Pi * (n + tilt) / Paths;
            FStep[n] = 2 * Pi * dopplerHz * std::cos(angle) / Rate;
            FPhase[n] = 2 * Pi * unit(random);
        }
        FScatter = std::sqrt(1.0 / (ricianK + 1) / Paths);
        FDirect = std::sqrt(ricianK / (ricianK + 1));
        FDirectStep = 2 * Pi * dopplerHz * std::cos(2 * Pi * unit(random)) / Rate;
    }
    std::complex<double> Next()
    {
        std::complex<double> gain = std::polar(FDirect, FDirectPhase);
        for (int n = 0; n < Paths; ++n) {
            gain += std::polar(FScatter, FPhase[n]);
            FPhase[n] = std::fmod(FPhase[n] + FStep[n], 2 * Pi);
        }
        FDirectPhase = std::fmod(FDirectPhase + FDirectStep, 2 * Pi);
        return gain;
    }

private:
    static constexpr int Paths = 24;
    double FStep[Paths] {}, FPhase[Paths] {};
    double FScatter = 0, FDirect = 0, FDirectStep = 0, FDirectPhase = 0;
};

} // namespace

void FmLink(TAudio& audio, const TFmLink& link)
{
    if (link.PreEmphasis) PreEmphasis(audio);
    // The tones take about 2 kHz of deviation, the limiter stops at 2.5.
    const double scale = 2000.0 / std::max(Peak(audio), 1e-12);
    std::mt19937 random(link.Seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    // Carrier of power 1; complex noise of power 12.5/48 of its total in 12.5 kHz.
    const double noise = link.CnrDb < 200 ? std::sqrt(Rate / 12500.0 * std::pow(10.0, -link.CnrDb / 10) / 2) : 0;
    TBiquad channelRe[2] = {LowPass(6250, ButterworthQ[0]), LowPass(6250, ButterworthQ[1])};
    TBiquad channelIm[2] = {LowPass(6250, ButterworthQ[0]), LowPass(6250, ButterworthQ[1])};
    double phase = 0;
    std::complex<double> last(1, 0);
    TFading fading(link.DopplerHz, link.RicianK, link.Seed);
    // The squelch's view of the carrier: its power smoothed over 5 ms.
    const double squelchLevel = std::pow(10.0, link.SquelchDb / 10);
    double carrierPower = 1;
    for (double& x : audio) {
        const double deviation = std::clamp(x * scale, -2500.0, 2500.0) + link.OffsetHz;
        phase = std::fmod(phase + 2 * Pi * deviation / Rate, 2 * Pi);
        std::complex<double> carrier = std::polar(1.0, phase);
        if (link.DopplerHz > 0) {
            const std::complex<double> gain = fading.Next();
            carrier *= gain;
            carrierPower += (std::norm(gain) - carrierPower) / (0.005 * Rate);
        }
        double re = carrier.real(), im = carrier.imag();
        if (noise > 0) {
            re += noise * gauss(random);
            im += noise * gauss(random);
        }
        for (int s = 0; s < 2; ++s) {
            re = channelRe[s].Run(re);
            im = channelIm[s].Run(im);
        }
        const std::complex<double> now(re, im);
        const double hz = std::arg(now * std::conj(last)) * Rate / (2 * Pi);
        last = now;
        x = carrierPower < squelchLevel ? 0.0 : hz / scale;
    }
    if (link.DeEmphasis) DeEmphasis(audio);
    VoiceBand(audio);
}

void ClockSkew(TAudio& audio, double senderPpm)
{
    // Read on the receiver's clock, sample n lies at n * (1 + ppm) of the
    // sender's samples: a slower sender's bits come out longer.
    const double step = 1.0 + senderPpm * 1e-6;
    TAudio out;
    out.reserve(static_cast<std::size_t>(audio.size() / step) + 1);
    for (double t = 0; t + 1 < static_cast<double>(audio.size()); t += step) {
        const std::size_t i = static_cast<std::size_t>(t);
        const double f = t - static_cast<double>(i);
        out.push_back(audio[i] * (1 - f) + audio[i + 1] * f);
    }
    audio = std::move(out);
}

void AddWhiteNoise(TAudio& audio, double rms, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, rms);
    for (double& x : audio) x += gauss(random);
}

void ScaleToPeak(TAudio& audio, double peak)
{
    const double now = Peak(audio);
    if (now <= 0) return;
    for (double& x : audio) x *= peak / now;
}

std::vector<std::int16_t> ToCaptureSamples(const TAudio& audio)
{
    std::vector<std::int16_t> samples;
    samples.reserve(audio.size());
    for (const double x : audio)
        samples.push_back(static_cast<std::int16_t>(std::clamp(std::lround(x * 32768.0), -32768L, 32767L)));
    return samples;
}

std::vector<TDecodedMessage> DecodeCapture(TDetectorKind kind, const std::vector<std::int16_t>& capture)
{
    std::vector<TDecodedMessage> messages;
    TFFSKDecoder decoder(kind, [&](const TDecodedMessage& message) { messages.push_back(message); });
    decoder.DecodeRecording(capture);
    return messages;
}

std::string ExpectedBody(const std::string& text)
{
    std::string body = text.substr(std::min(FFSKFrame::PrefixLength, text.size()));
    body.append((FFSKFrame::BlockChars - text.size() % FFSKFrame::BlockChars) % FFSKFrame::BlockChars, '\0');
    return body;
}

TJudged Judge(const std::string& text, const std::vector<TDecodedMessage>& deliveries)
{
    TJudged judged;
    const TDecodedMessage* message = nullptr;
    for (const TDecodedMessage& d : deliveries) {
        if (!message && d.Type == TMessageType::Sms)
            message = &d;
        else
            ++judged.Other;
    }
    if (!message) return judged;
    const std::string expected = ExpectedBody(text);
    bool wrong = false, marked = false, doubt = false;
    for (std::size_t i = 0; i < std::max(expected.size(), message->Body.size()); ++i) {
        const bool heard = i < message->Body.size();
        const bool sure = heard && (i >= message->Certainty.size() || message->Certainty[i] == TCharCertainty::Sure);
        const bool right = heard && i < expected.size() && message->Body[i] == expected[i];
        doubt |= heard && !sure;
        wrong |= !right && (sure || !heard);
        marked |= !right && heard && !sure;
    }
    judged.Outcome = wrong ? TOutcome::Wrong : marked ? TOutcome::Marked : doubt ? TOutcome::Flagged : TOutcome::Sure;
    return judged;
}

void TOutcomeCounts::Add(const TJudged& judged)
{
    ++Counts[static_cast<int>(judged.Outcome)];
    Other += judged.Other;
    ++Trials;
}
