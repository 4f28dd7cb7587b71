#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

// What a bit detector decides for one bit period.
enum class TBitValue : std::uint8_t {
    Zero,
    One,
    None, // no bit in this period; the register keeps what it holds
    Lost, // the signal has stopped: what the register holds is not a frame
};

// One decision of a bit detector.
struct TBitDecision {
    TBitValue Value = TBitValue::None;
    char Symbol = '-'; // the decision's mark in the bit trace
    // How far the decision was from a coin toss, against the recent signal:
    // 1 or more is clear, near 0 a guess.
    float Margin = 0;
    // The power of the signal value at the decision, whose spread over a
    // message tells its signal-to-noise ratio; below 0 when the detector
    // does not measure it.
    float Power = -1;
    // The input sample, counted from the detector's first, at which the bit
    // ended on the air (the detector's own delay taken off).
    std::int64_t EndSample = 0;
};

// Receives the detector's decisions, one per bit period, in order.
class TBitSink {
public:
    virtual ~TBitSink() = default;
    virtual void BitDecided(const TBitDecision& decision) = 0;
};

// Takes bits out of 16-bit signed mono samples at 48000 Hz. The state runs
// on from call to call, so any split of the input into calls gives the same
// decisions.
class TBitDetector {
public:
    virtual ~TBitDetector() = default;
    virtual void Demodulate(std::span<const std::int16_t> samples, TBitSink& sink) = 0;
};

// The detectors the receiver can run: "classic" counts zero crossings in
// bit windows, "soft" decides on the phase turn of the complex baseband.
enum class TDetectorKind { Classic, Soft };

std::unique_ptr<TBitDetector> MakeBitDetector(TDetectorKind kind);
// "classic" or "soft"; nothing for any other name.
std::optional<TDetectorKind> ParseDetectorKind(std::string_view name);
std::string_view DetectorKindName(TDetectorKind kind);
