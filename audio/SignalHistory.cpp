#include "audio/SignalHistory.h"

#include <algorithm>
#include <cmath>

namespace {
// About 21 s at 48000 Hz; older samples are forgotten.
constexpr std::size_t MaxSamples = std::size_t {1} << 20;
} // namespace

void TSignalHistory::SetPeriod(std::int64_t periodTicks)
{
    if (periodTicks == FPeriod) return;
    FPeriod = periodTicks;
    FBegin = FEnd = 0;
}

void TSignalHistory::Write(std::int64_t index, float value)
{
    if (FPeriod == 0 || index < FBegin) return;
    if (FBegin == FEnd) FBegin = FEnd = index;
    while (index - FBegin >= static_cast<std::int64_t>(FRing.size())) {
        if (FRing.size() < MaxSamples) {
            Grow();
        } else {
            FBegin = index - static_cast<std::int64_t>(FRing.size()) + 1;
            FEnd = std::max(FEnd, FBegin);
        }
    }
    const std::int64_t mask = static_cast<std::int64_t>(FRing.size()) - 1;
    for (std::int64_t k = FEnd; k < index; ++k) FRing[k & mask] = 0.0f;
    FRing[index & mask] = value;
    FEnd = std::max(FEnd, index + 1);
}

void TSignalHistory::TruncateFrom(std::int64_t index)
{
    FEnd = std::clamp(index, FBegin, FEnd);
}

double TSignalHistory::ValueAt(double tick) const
{
    if (FPeriod == 0) return 0.0;
    const double position = tick / static_cast<double>(FPeriod);
    const double floorPosition = std::floor(position);
    const auto k = static_cast<std::int64_t>(floorPosition);
    const double fraction = position - floorPosition;
    if (fraction == 0.0) return At(k);
    return At(k) * (1.0 - fraction) + At(k + 1) * fraction;
}

float TSignalHistory::At(std::int64_t index) const
{
    if (index < FBegin || index >= FEnd) return 0.0f;
    return FRing[index & (static_cast<std::int64_t>(FRing.size()) - 1)];
}

void TSignalHistory::Grow()
{
    std::vector<float> bigger(FRing.size() * 2);
    const std::int64_t oldMask = static_cast<std::int64_t>(FRing.size()) - 1;
    const std::int64_t newMask = static_cast<std::int64_t>(bigger.size()) - 1;
    for (std::int64_t k = FBegin; k < FEnd; ++k) bigger[k & newMask] = FRing[k & oldMask];
    FRing.swap(bigger);
}
