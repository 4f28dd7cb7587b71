#pragma once

#include <cstdint>

// The simulated card's time grid. One tick is 1/7056000 s, the least common
// multiple of every supported rate, so sample k at any rate sits on a whole
// tick (k * 147 at 48000 Hz, k * 160 at 44100 Hz) and devices of equal rates
// share their sample instants exactly.
namespace SimulatedClock {

constexpr std::int64_t TicksPerSecond = 7056000;

// Ticks between samples at this rate, or 0 for a rate off the grid.
inline std::int64_t PeriodTicks(std::uint32_t rate)
{
    return rate != 0 && TicksPerSecond % rate == 0 ? TicksPerSecond / rate : 0;
}

// The main loop's present, in ticks (rounded down).
std::int64_t NowTicks();

// The first microsecond at or after a tick, for scheduling on the main loop.
inline std::int64_t TicksToUsCeil(std::int64_t ticks)
{
    return (ticks * 125 + 881) / 882;
}

// The first sample index at or after a tick.
inline std::int64_t CeilDiv(std::int64_t ticks, std::int64_t period)
{
    return ticks >= 0 ? (ticks + period - 1) / period : -((-ticks) / period);
}

} // namespace SimulatedClock
