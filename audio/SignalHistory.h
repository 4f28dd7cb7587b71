#pragma once

#include <cstdint>
#include <vector>

// What a simulated card's output has played or has queued to play: one
// value per sample index on the card's time grid (see SimulatedClock.h), the
// most recent 20 seconds or so. Inputs read it through cables.
class TSignalHistory {
public:
    // Samples at this spacing in ticks; a new spacing forgets everything.
    void SetPeriod(std::int64_t periodTicks);
    // Sample `index`; a gap since the last one written reads as silence.
    void Write(std::int64_t index, float value);
    // Forget every sample from `index` on (playback was reset).
    void TruncateFrom(std::int64_t index);
    // The signal at a moment: the sample there, or the straight line between
    // its neighbours; what is not known is 0.
    double ValueAt(double tick) const;

private:
    float At(std::int64_t index) const;
    void Grow();

    std::vector<float> FRing = std::vector<float>(std::size_t {1} << 16);
    std::int64_t FBegin = 0; // known samples: [FBegin, FEnd)
    std::int64_t FEnd = 0;
    std::int64_t FPeriod = 0;
};
