#include "ClickLimiter.h"

#include <algorithm>
#include <cmath>

#include "modem/FrameFormat.h"

namespace {
constexpr double BandLimitHz = 3000;
// The mean size follows with a time constant of 4 ms, updated once per
// group of 8 samples. A sample counts at most 3 times the clip level, so a
// click lifts the mean little. A signal starting after quiet would take
// 15 bits to be let through that way: when groups more than twice the
// clip level in size last 2 ms in a row (longer than a click), the mean
// takes their size at once.
constexpr int SizeGroup = 8;
constexpr float MeanSmoothing = 0.04f;
constexpr float MeanCountLimit = 3.0f;
constexpr float LoudRatio = 2.0f;
constexpr int LoudGroupsForLevel = 12;
} // namespace

void TClickLimiter::TClipLevel::Add(float size)
{
    CountedSum += std::min(size, MeanCountLimit * Limit);
    WholeSum += size;
    if (++GroupCount < SizeGroup) return;
    MeanSize += MeanSmoothing * (CountedSum / SizeGroup - MeanSize);
    const bool loud = WholeSum > LoudRatio * Limit * SizeGroup;
    LoudSum = loud ? LoudSum + WholeSum : 0;
    LoudGroups = loud ? LoudGroups + 1 : 0;
    if (LoudGroups == LoudGroupsForLevel) {
        MeanSize = LoudSum / (LoudGroupsForLevel * SizeGroup);
        LoudSum = 0;
        LoudGroups = 0;
    }
    Limit = std::min(ClipRatio * MeanSize + LeastLimit, 32767.0f);
    CountedSum = WholeSum = 0;
    GroupCount = 0;
}

TClickLimiter::TClickLimiter()
{
    const double pi = std::acos(-1.0);
    const double w = 2 * pi * BandLimitHz / FFSKFrame::SampleRate;
    const double alpha = std::sin(w) / std::sqrt(2.0);
    const double a0 = 1 + alpha;
    FB0 = static_cast<float>((1 - std::cos(w)) / 2 / a0);
    FB1 = 2 * FB0;
    FA1 = static_cast<float>(-2 * std::cos(w) / a0);
    FA2 = static_cast<float>((1 - alpha) / a0);
    // The difference's gain at 1500 Hz, divided out.
    FGain = static_cast<float>(0.5 / std::sin(pi * 1500 * DifferenceDelay / FFSKFrame::SampleRate));
}

void TClickLimiter::Limit(std::span<const std::int16_t> samples, std::int32_t* out)
{
    // The state lives in locals while the samples run: the filter's
    // feedback and the mean size are serial paths, and a round trip
    // through memory on every sample would double their cost.
    float in1 = FIn1, in2 = FIn2, out1 = FOut1, out2 = FOut2;
    TClipLevel level = FLevel;
    int pastPos = FPastPos;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float in = samples[i];
        // Ordered so that only the last step waits for the previous output.
        const float feed = FB0 * (in + in2) + FB1 * in1 - FA2 * out2;
        const float band = feed - FA1 * out1;
        in2 = in1;
        in1 = in;
        out2 = out1;
        out1 = band;

        const float change = FGain * (band - FPast[pastPos]);
        FPast[pastPos] = band;
        pastPos = (pastPos + 1) & (DifferenceDelay - 1);

        const float limit = level.Limit;
        level.Add(std::fabs(change));
        const float limited = std::fabs(change) > BlankRatio * limit ? 0.0f : std::clamp(change, -limit, limit);
        out[i] = static_cast<std::int32_t>(limited + (limited < 0 ? -0.5f : 0.5f));
    }
    // After a signal the filter's output dies away towards zero without
    // reaching it; below the input's resolution it is zero, and the
    // arithmetic is kept out of the slow range of tiny floats in silence.
    const auto audible = [](float v) { return std::fabs(v) < 1e-3f ? 0.0f : v; };
    FIn1 = in1;
    FIn2 = in2;
    FOut1 = audible(out1);
    FOut2 = audible(out2);
    level.MeanSize = audible(level.MeanSize);
    FLevel = level;
    FPastPos = pastPos;
}
