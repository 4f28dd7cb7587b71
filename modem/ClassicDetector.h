#pragma once

#include <cstdint>

#include "modem/BitDetector.h"

// Counts zero crossings in 40-sample bit windows: 3 are an 1800 Hz bit, 2 a
// 1200 Hz bit. Only the high byte of each sample is looked at, and samples
// beyond +-32512 never count as a crossing. Trace symbols: "1", "0", "^" (a
// 1 with a crossing carried into the next window), "_" (a 0 that owes one)
// and "-" (no bit).
class TClassicDetector : public TBitDetector {
public:
    void Demodulate(std::span<const std::int16_t> samples, TBitSink& sink) override;

private:
    // windowEnd: the input sample at which the window being decided ends.
    void DecideBit(TBitSink& sink, std::int64_t windowEnd);

    std::uint8_t FHalfWave = 0; // 0: last seen non-negative, waiting for a negative sample
    std::int32_t FSinceCrossing = 0;
    std::int32_t FCrossings = 0; // in the current window, carry included
    std::int32_t FBitPhase = 0; // 0..39
    std::int64_t FSamplesBefore = 0; // the samples of the earlier calls
};
