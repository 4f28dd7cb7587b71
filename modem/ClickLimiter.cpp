#include "ClickLimiter.h"

#include <algorithm>
#include <cmath>

#include "modem/FrameFormat.h"

namespace {
constexpr double BandLimitHz = 3000;
constexpr float ClipRatio = 1.3f;
// The mean size follows with a time constant of 4 ms, updated once per
// group of 8 samples. A sample counts at most 3 times the clip level: a
// click lifts the mean little, a signal starting after quiet lifts it within
// a few bits.
constexpr int SizeGroup = 8;
constexpr float MeanSmoothing = 0.04f;
constexpr float MeanCountLimit = 3.0f;
// Keeps the quietest signals (a peak of 1) from being clipped to nothing.
constexpr float LeastLimit = 1.0f;
} // namespace

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

void TClickLimiter::Limit(const std::uint8_t* Samples, std::size_t Count, std::int32_t* Out)
{
    // The state lives in locals while the samples run: the filter's
    // feedback and the mean size are serial paths, and a round trip
    // through memory on every sample would double their cost.
    float in1 = FIn1, in2 = FIn2, out1 = FOut1, out2 = FOut2;
    float sizeSum = FSizeSum, limit = FLimit, meanSize = FMeanSize;
    int sizeCount = FSizeCount, pastPos = FPastPos;
    for (std::size_t i = 0; i < Count; ++i) {
        const float in = static_cast<std::int16_t>(Samples[2 * i] | (Samples[2 * i + 1] << 8));
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

        // The clip level moves once per 8 samples, on their mean size.
        sizeSum += std::min(std::fabs(change), MeanCountLimit * limit);
        if (++sizeCount == SizeGroup) {
            meanSize += MeanSmoothing * (sizeSum / SizeGroup - meanSize);
            limit = std::min(ClipRatio * meanSize + LeastLimit, 32767.0f);
            sizeSum = 0;
            sizeCount = 0;
        }
        const float limited = std::clamp(change, -limit, limit);
        Out[i] = static_cast<std::int32_t>(limited + (limited < 0 ? -0.5f : 0.5f));
    }
    // After a signal the filter's output dies away towards zero without
    // reaching it; below the input's resolution it is zero, and the
    // arithmetic is kept out of the slow range of tiny floats in silence.
    const auto audible = [](float v) { return std::fabs(v) < 1e-3f ? 0.0f : v; };
    FIn1 = in1;
    FIn2 = in2;
    FOut1 = audible(out1);
    FOut2 = audible(out2);
    FSizeSum = sizeSum;
    FLimit = limit;
    FMeanSize = audible(meanSize);
    FSizeCount = sizeCount;
    FPastPos = pastPos;
}
