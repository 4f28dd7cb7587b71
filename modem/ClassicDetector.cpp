#include "ClassicDetector.h"

#include <algorithm>

#include "modem/FrameFormat.h"

namespace {
constexpr std::int32_t SamplesPerBit = FFSKFrame::SamplesPerBit;
constexpr std::int32_t LastPosition = SamplesPerBit - 1;
// A crossing is accepted at least this many samples after the last one.
constexpr std::int32_t MinSpacing = 10;
// Where a bit's boundary crossing sits in a window that is in step.
constexpr std::int32_t BoundaryPosition = 7;
// A crossing after this many samples without one starts a transmission.
constexpr std::int32_t SilenceSamples = 2 * SamplesPerBit;
// The count of samples since the last crossing stops here: hours of a
// silent input must not run it over.
constexpr std::int32_t SinceLimit = 1 << 20;
// The margin of a bit whose count was moved across the window edge.
constexpr float CarriedMargin = 0.25f;

// The high byte of a sample: above 0x80 a negative sample, below 0x7F a
// non-negative one. Flipping every bit of the byte while waiting for a
// non-negative sample turns both tests into one comparison (h < 0x7F is
// ~h > 0x80).
bool IsCandidate(std::int16_t sample, std::uint8_t waitMask)
{
    const auto high = static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8);
    return static_cast<std::uint8_t>(high ^ waitMask) > 0x80;
}

// The index of the first of Count samples that is on the side waited for,
// or Count if none is.
std::int32_t FirstCandidate(const std::int16_t* samples, std::int32_t count, std::uint8_t waitMask)
{
    std::int32_t i = 0;
    while (i < count && !IsCandidate(samples[i], waitMask)) ++i;
    return i;
}
} // namespace

void TClassicDetector::Demodulate(std::span<const std::int16_t> samples, TBitSink& sink)
{
    // Most samples change nothing but the counts: those before the window's
    // last one that are no candidate, or too soon after the last crossing
    // to be accepted while the window is past position 7. Such runs are
    // skipped whole, and only the samples that may change more go through
    // the full step below. In noise half the samples are candidates, and
    // testing each on its own costs a mispredicted branch every other
    // sample. The state lives in locals and is stored at each decision.
    std::uint8_t waitMask = FHalfWave ? 0xFF : 0x00;
    std::int32_t since = FSinceCrossing;
    std::int32_t crossings = FCrossings;
    std::int32_t phase = FBitPhase;
    const std::int16_t* sample = samples.data();
    std::size_t left = samples.size();
    while (left > 0) {
        std::int32_t run = static_cast<std::int32_t>(std::min<std::size_t>(left, LastPosition - phase));
        std::int32_t skip = 0;
        if (since < MinSpacing - 1) {
            // No sample here can be accepted; a candidate matters only
            // before position 7.
            run = std::min(run, MinSpacing - 1 - since);
            if (phase >= BoundaryPosition) {
                skip = run;
            } else {
                run = std::min(run, BoundaryPosition - phase);
                skip = FirstCandidate(sample, run, waitMask);
            }
        } else {
            skip = FirstCandidate(sample, run, waitMask);
        }
        since = std::min(since + skip, SinceLimit);
        phase += skip;
        sample += skip;
        left -= static_cast<std::size_t>(skip);
        if (left == 0 || (skip == run && phase < LastPosition)) continue;

        // One sample that is a candidate or the window's last.
        since += since < SinceLimit;
        const bool candidate = IsCandidate(*sample, waitMask);
        const bool accepted = candidate && since >= MinSpacing;
        const bool startsTransmission = accepted && since >= SilenceSamples;
        crossings += accepted;
        since = accepted ? 0 : since;
        waitMask ^= accepted ? 0xFF : 0x00;
        // The bit clock is pulled both ways towards a boundary crossing at
        // position 7: an accepted crossing at 8..12 (a boundary drifting
        // late, from a slower sender or windows that settled late in noise)
        // walks the window back one sample per bit, and any candidate early
        // in a window moves the window on to 7. A clean, aligned signal
        // crosses at 7 and is never moved. Without the walk back a boundary
        // more than about 5 samples late loses or invents bits.
        phase -= accepted && static_cast<std::uint32_t>(phase - (BoundaryPosition + 1)) <= 4;
        phase = candidate && phase < BoundaryPosition ? BoundaryPosition : phase;
        // Every frame begins with a 1800 Hz bit. Its first crossing is the
        // bit's start, or half a cycle later when the wave first heads to the
        // side the idle level already sits on; placing it at 7 puts the
        // window edges between crossings either way.
        phase = startsTransmission ? BoundaryPosition : phase;
        ++sample;
        --left;
        if (++phase > LastPosition) {
            FHalfWave = waitMask ? 1 : 0;
            FSinceCrossing = since;
            FCrossings = crossings;
            DecideBit(sink, FSamplesBefore + (sample - samples.data()));
            crossings = FCrossings;
            phase = 0;
        }
    }
    FHalfWave = waitMask ? 1 : 0;
    FSinceCrossing = since;
    FCrossings = crossings;
    FBitPhase = phase;
    FSamplesBefore += static_cast<std::int64_t>(samples.size());
}

void TClassicDetector::DecideBit(TBitSink& sink, std::int64_t windowEnd)
{
    // 3 crossings are an 1800 Hz bit, 2 a 1200 Hz bit; 4 and 1 are those bits
    // with a crossing moved across the window edge, carried to the next window.
    TBitValue value = TBitValue::None;
    char symbol = '-';
    std::int32_t carry = 0;
    // A count moved across the window edge is less certain than a clean one.
    float margin = 1.0f;
    switch (FCrossings) {
    case 4:
        value = TBitValue::One;
        symbol = '^';
        carry = 1;
        margin = CarriedMargin;
        break;
    case 3:
        value = TBitValue::One;
        symbol = '1';
        break;
    case 2:
        value = TBitValue::Zero;
        symbol = '0';
        break;
    case 1:
        value = TBitValue::Zero;
        symbol = '_';
        carry = -1;
        margin = CarriedMargin;
        break;
    default:
        // A whole window without a crossing: the signal has stopped. A sync
        // word heard just before (a frame cut short) must not take the first
        // bits of the next transmission as its block.
        if (FSinceCrossing >= SamplesPerBit) value = TBitValue::Lost;
        break;
    }
    FCrossings = carry;
    sink.BitDecided({value, symbol, value == TBitValue::None || value == TBitValue::Lost ? 0.0f : margin, -1.0f,
        windowEnd + BoundaryPosition});
}
