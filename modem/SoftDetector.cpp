#include "SoftDetector.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "modem/FrameFormat.h"

namespace {

constexpr int MixerScale = 4096; // 8 samples of 32768 times this stay within 32 bits
constexpr float SamplesPerBit = float(FFSKFrame::SamplesPerBit) / TSoftDetector::Decimation;
constexpr float CutoffHz = 600.0f;
constexpr float FilteredRate = float(FFSKFrame::SampleRate) / TSoftDetector::Decimation;
// Early and late points of the timing gate, either side of the decision.
constexpr float GateOffset = 1.0f;
constexpr float TimingGain = 0.4f;
// The rate term follows clock skew up to 1.2 % (0.06 filtered samples per
// bit); slow and narrow, so that the noise before a frame cannot drive it
// far enough to miss the first sync word.
constexpr float RateGain = 0.01f;
constexpr float RateLimit = 0.06f;
constexpr float StepLimit = 1.0f;
// The weight of the older values in the reference for a decision. The
// reference is turned by a quarter cycle per bit, and the filter makes the
// turns of alternating bits (the preamble) smaller than that: the older
// values must weigh little enough that the error this leaves cannot cost
// the first bits of a sync word.
constexpr float ReferenceWeight = 0.6f;
// The check for decisions half a bit off: the size of the turn is smoothed
// over about 8 bits, and the decisions move when half a bit earlier it is
// 1.5 times as large.
constexpr float StrengthSmoothing = 0.125f;
constexpr float MisplacedRatio = 1.5f;
constexpr float PowerSmoothing = 0.2f;
// The size of the turn at the decisions, followed over about 30 bits, for
// the margins.
constexpr float TurnLevelSmoothing = 0.03f;
// The level of the last signal: rises slowly (a click of FM noise moves it
// little), falls with a time constant of a third of a second.
constexpr float LevelRise = 0.01f;
constexpr float LevelFall = 0.9995f;
// 15 dB below that level the signal has ended: what follows is the noise
// behind it, whose random bits could match a sync word and add a block of
// noise to the message still open.
constexpr float EndedRatio = 0.03f;
// Below this power (a tone of peak 1 gives 0.25) there is no signal.
constexpr float SilencePower = 0.1f;
// The input samples between a bit's end on the air and the filtered value
// that holds it: half the filter and half a group of 8.
constexpr float DelaySamples = (TSoftDetector::FilterTaps - 1) / 2.0f * TSoftDetector::Decimation + 3.5f;

} // namespace

TSoftDetector::TSoftDetector()
{
    // A windowed sinc (Hamming): passes the tones at +-300 Hz with their
    // sidebands, turns DC and 50 Hz hum (-1500 and -1450 Hz) down by 63 dB
    // or more, its 5th harmonic (-1250 Hz) by 56 dB. A cut-off at 600 Hz
    // (-6 dB) lets in less noise than a wider one; with the reference
    // averaged over several bits the bits still come apart.
    const double pi = std::acos(-1.0);
    const double fc = CutoffHz / FilteredRate;
    double sum = 0;
    for (int k = 0; k < FilterTaps; ++k) {
        const double m = k - (FilterTaps - 1) / 2.0;
        const double sinc = std::sin(2 * pi * fc * m) / (pi * m);
        const double window = 0.54 - 0.46 * std::cos(2 * pi * k / (FilterTaps - 1));
        FTaps[k] = static_cast<float>(sinc * window);
        sum += FTaps[k];
    }
    for (float& tap : FTaps) tap = static_cast<float>(tap / sum);
    for (int i = 0; i < MixerPeriod + Decimation; ++i) {
        FMixCos[i] = static_cast<std::int32_t>(std::lround(MixerScale * std::cos(2 * pi * i / MixerPeriod)));
        FMixSin[i] = static_cast<std::int32_t>(std::lround(MixerScale * std::sin(2 * pi * i / MixerPeriod)));
    }
    FDecisionAt = SamplesPerBit;
}

void TSoftDetector::Demodulate(std::span<const std::int16_t> samples, TBitSink& sink)
{
    while (!samples.empty()) {
        const std::size_t n = std::min(samples.size(), FLimited.size());
        FClickLimiter.Limit(samples.first(n), FLimited.data());
        MixDown(FLimited.data(), n, sink);
        samples = samples.subspan(n);
    }
}

void TSoftDetector::MixDown(const std::int32_t* samples, std::size_t count, TBitSink& sink)
{
    std::size_t i = 0;
    while (i < count) {
        // Whole groups of 8 in one go, the rest sample by sample; the sums
        // are integers, so both ways give the same values.
        if (FGroupCount == 0 && count - i >= Decimation) {
            std::int32_t re = 0, im = 0;
            const std::int32_t* cosine = &FMixCos[FMixPhase];
            const std::int32_t* sine = &FMixSin[FMixPhase];
            for (int k = 0; k < Decimation; ++k) {
                re += samples[i + k] * cosine[k];
                im -= samples[i + k] * sine[k];
            }
            FSumRe = re;
            FSumIm = im;
            FMixPhase = (FMixPhase + Decimation) & (MixerPeriod - 1);
            i += Decimation;
        } else {
            FSumRe += samples[i] * FMixCos[FMixPhase];
            FSumIm -= samples[i] * FMixSin[FMixPhase];
            FMixPhase = (FMixPhase + 1) & (MixerPeriod - 1);
            ++i;
            if (++FGroupCount < Decimation) continue;
        }
        FilterBaseband(sink);
        FSumRe = FSumIm = 0;
        FGroupCount = 0;
    }
}

void TSoftDetector::FilterBaseband(TBitSink& sink)
{
    constexpr float scale = 1.0f / (Decimation * MixerScale);
    FHistoryPos = FHistoryPos == 0 ? FilterTaps - 1 : FHistoryPos - 1;
    FHistoryRe[FHistoryPos] = FHistoryRe[FHistoryPos + FilterTaps] = FSumRe * scale;
    FHistoryIm[FHistoryPos] = FHistoryIm[FHistoryPos + FilterTaps] = FSumIm * scale;
    // The taps are symmetric: values at the same distance from the middle
    // are added first. Four partial sums, so that the compiler can run
    // them side by side.
    std::array<float, 4> re {}, im {};
    const float* hr = &FHistoryRe[FHistoryPos];
    const float* hi = &FHistoryIm[FHistoryPos];
    for (int k = 0; k < FilterTaps / 2; k += 4) {
        for (int j = 0; j < 4; ++j) {
            const int mirror = FilterTaps - 1 - k - j;
            re[j] += FTaps[k + j] * (hr[k + j] + hr[mirror]);
            im[j] += FTaps[k + j] * (hi[k + j] + hi[mirror]);
        }
    }
    TComplex y;
    for (int j = 0; j < 4; ++j) {
        y.Re += re[j];
        y.Im += im[j];
    }
    FRing[++FNewest & (RingSize - 1)] = y;
    ++FFiltered;
    FPower += PowerSmoothing * (y.Re * y.Re + y.Im * y.Im - FPower);
    FSignalLevel =
        FPower > FSignalLevel ? FSignalLevel + LevelRise * (FPower - FSignalLevel) : FSignalLevel * LevelFall;
    FDecisionAt -= 1.0f;
    // Decided once the late point and the value after it are in.
    if (FDecisionAt + GateOffset <= -1.0f) Decide(sink);
}

TSoftDetector::TComplex TSoftDetector::At(float offset) const
{
    const float whole = std::floor(offset);
    const float frac = offset - whole;
    const std::uint32_t i = FNewest + static_cast<std::uint32_t>(static_cast<std::int32_t>(whole));
    const TComplex& a = FRing[i & (RingSize - 1)];
    const TComplex& b = FRing[(i + 1) & (RingSize - 1)];
    return {a.Re + frac * (b.Re - a.Re), a.Im + frac * (b.Im - a.Im)};
}

namespace {
// The imaginary part of a times the conjugate of b: the sine of the turn
// from b to a, times both sizes.
float Turn(const auto& a, const auto& b)
{
    return a.Im * b.Re - a.Re * b.Im;
}
} // namespace

float TSoftDetector::TurnSizeAcrossBit(float end) const
{
    return std::fabs(Turn(At(end), At(end - SamplesPerBit)));
}

void TSoftDetector::CheckTiming(float decision)
{
    // The early-late gate cannot leave a decision instant half a bit off:
    // there early and late weigh the same. When the turn half a bit earlier
    // stays clearly larger than at the decisions, the decisions move there.
    FOnTime += StrengthSmoothing * (TurnSizeAcrossBit(decision) - FOnTime);
    FHalfEarlier += StrengthSmoothing * (TurnSizeAcrossBit(decision - SamplesPerBit / 2) - FHalfEarlier);
    if (FHalfEarlier > MisplacedRatio * FOnTime) {
        FDecisionAt -= SamplesPerBit / 2;
        std::swap(FOnTime, FHalfEarlier);
    }
}

void TSoftDetector::Decide(TBitSink& sink)
{
    const float t = FDecisionAt;
    FDecisionAt += SamplesPerBit;
    const auto endSample = static_cast<std::int64_t>(std::llround((static_cast<double>(FFiltered) + t) * Decimation - DelaySamples));
    if (FPower < SilencePower || FPower < EndedRatio * FSignalLevel) {
        sink.BitDecided({TBitValue::Lost, '-', 0.0f, -1.0f, endSample});
        FReference = {};
        FOnTime = FHalfEarlier = FTurnLevel = 0;
        return;
    }
    const TComplex now = At(t);
    const TComplex before = At(t - SamplesPerBit);
    // The value one bit earlier, averaged with the older ones turned on by
    // the bits decided since: a steadier reference than one value alone.
    const TComplex reference {before.Re + ReferenceWeight * FReference.Re, before.Im + ReferenceWeight * FReference.Im};
    const float turn = Turn(now, reference);
    CheckTiming(t);
    const float early = TurnSizeAcrossBit(t - GateOffset);
    const float late = TurnSizeAcrossBit(t + GateOffset);
    // Bounded, so that a click of FM noise cannot throw the clock far.
    const float error = std::clamp((late - early) / FPower, -1.0f, 1.0f);
    FRate = std::clamp(FRate + RateGain * error, -RateLimit, RateLimit);
    FDecisionAt += std::clamp(TimingGain * error + FRate, -StepLimit, StepLimit);
    const bool one = turn > 0;
    // 1800 Hz turns the phase a quarter cycle forward per bit, 1200 Hz back.
    FReference = one ? TComplex {-reference.Im, reference.Re} : TComplex {reference.Im, -reference.Re};
    // A clean bit turns the phase a quarter cycle from the reference, by
    // about as much as the bits before it: the sine of the turn, and its size
    // against theirs, give the margin. Noise moves the turn towards 0 or a
    // half cycle, where the decision is a coin toss; in a fade of an FM
    // carrier the turns shrink or come from noise.
    const float size =
        std::sqrt((now.Re * now.Re + now.Im * now.Im) * (reference.Re * reference.Re + reference.Im * reference.Im));
    const float sine = size > 0 ? std::min(std::fabs(turn) / size, 1.0f) : 0.0f;
    const float relative = FTurnLevel > 0 ? std::fabs(turn) / FTurnLevel : 0.0f;
    FTurnLevel += TurnLevelSmoothing * (std::fabs(turn) - FTurnLevel);
    const float margin = std::min(sine, relative);
    sink.BitDecided({one ? TBitValue::One : TBitValue::Zero, one ? '1' : '0', margin, now.Re * now.Re + now.Im * now.Im,
        endSample});
}
