#include "ClickLimiter.h"

#include <algorithm>
#include <cmath>

#include "modem/FrameFormat.h"

namespace {
constexpr double BandLimitHz = 3000;
constexpr float ClipRatio = 1.3f;
// The mean size follows with a time constant of 4 ms. A sample counts at
// most 3 times the clip level: a click lifts the mean little, a signal
// starting after quiet lifts it within a few bits.
constexpr float MeanSmoothing = 0.005f;
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

std::int32_t TClickLimiter::Limit(std::int32_t Sample)
{
    const float in = static_cast<float>(Sample);
    const float band = FB0 * (in + FIn2) + FB1 * FIn1 - FA1 * FOut1 - FA2 * FOut2;
    FIn2 = FIn1;
    FIn1 = in;
    FOut2 = FOut1;
    FOut1 = band;

    const float change = FGain * (band - FPast[FPastPos]);
    FPast[FPastPos] = band;
    FPastPos = (FPastPos + 1) % DifferenceDelay;

    const float limit = ClipRatio * FMeanSize + LeastLimit;
    FMeanSize += MeanSmoothing * (std::min(std::fabs(change), MeanCountLimit * limit) - FMeanSize);
    const float limited = std::clamp(change, -limit, limit);
    return static_cast<std::int32_t>(std::lround(std::clamp(limited, -32767.0f, 32767.0f)));
}
