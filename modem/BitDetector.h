#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

// What a bit detector decides for one bit period.
enum class TBitValue : std::uint8_t {
    Zero,
    One,
    None, // no bit in this period; the register keeps what it holds
    Lost, // the signal has stopped: what the register holds is not a frame
};

// Receives the detector's decisions, one per bit period, in order.
class TBitSink {
public:
    virtual ~TBitSink() = default;
    // Symbol is the decision's mark in the bit trace.
    virtual void BitDecided(TBitValue Value, char Symbol) = 0;
};

// Takes bits out of 16-bit signed little-endian mono samples at 48000 Hz.
// The state runs on from call to call, so any split of the input into calls
// gives the same decisions.
class TBitDetector {
public:
    virtual ~TBitDetector() = default;
    virtual void Demodulate(const std::uint8_t* Samples, std::size_t Count, TBitSink& Sink) = 0;
};

// The detectors the receiver can run: "classic" counts zero crossings in
// bit windows, "soft" decides on the phase turn of the complex baseband.
enum class TDetectorKind { Classic, Soft };

std::unique_ptr<TBitDetector> MakeBitDetector(TDetectorKind Kind);
// "classic" or "soft"; nothing for any other name.
std::optional<TDetectorKind> ParseDetectorKind(std::string_view Name);
std::string_view DetectorKindName(TDetectorKind Kind);
