#include "ClassicDetector.h"

#include "modem/FrameFormat.h"

namespace {
constexpr std::int32_t SamplesPerBit = FFSKFrame::SamplesPerBit;
// A crossing after this many samples without one starts a transmission.
constexpr std::int32_t SilenceSamples = 2 * SamplesPerBit;
// The count of samples since the last crossing stops here: hours of a
// silent input must not run it over.
constexpr std::int32_t SinceLimit = 1 << 20;
} // namespace

void TClassicDetector::Demodulate(const std::uint8_t* Samples, std::size_t Count, TBitSink& Sink)
{
    // Above 0x80 the high byte is a negative sample, below 0x7F a
    // non-negative one. Flipping every bit of the byte while waiting for a
    // non-negative sample turns both tests into one comparison (h < 0x7F is
    // ~h > 0x80). The state lives in locals and is stored at each decision.
    std::uint8_t waitMask = FHalfWave ? 0xFF : 0x00;
    std::int32_t since = FSinceCrossing;
    std::int32_t crossings = FCrossings;
    std::int32_t phase = FBitPhase;
    const std::uint8_t* high = Count > 0 ? Samples + 1 : Samples;
    for (std::size_t i = 0; i < Count; ++i, high += 2) {
        since += since < SinceLimit;
        const bool candidate = static_cast<std::uint8_t>(*high ^ waitMask) > 0x80;
        // A crossing is accepted at least 10 samples after the last one.
        const bool accepted = candidate && since > 9;
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
        phase -= accepted && static_cast<std::uint32_t>(phase - 8) <= 4;
        phase = candidate && phase < 7 ? 7 : phase;
        // Every frame begins with a 1800 Hz bit. Its first crossing is the
        // bit's start, or half a cycle later when the wave first heads to the
        // side the idle level already sits on; placing it at 7 puts the
        // window edges between crossings either way.
        phase = startsTransmission ? 7 : phase;
        if (++phase > 39) {
            FHalfWave = waitMask ? 1 : 0;
            FSinceCrossing = since;
            FCrossings = crossings;
            DecideBit(Sink);
            crossings = FCrossings;
            phase = 0;
        }
    }
    FHalfWave = waitMask ? 1 : 0;
    FSinceCrossing = since;
    FCrossings = crossings;
    FBitPhase = phase;
}

void TClassicDetector::DecideBit(TBitSink& Sink)
{
    // 3 crossings are an 1800 Hz bit, 2 a 1200 Hz bit; 4 and 1 are those bits
    // with a crossing moved across the window edge, carried to the next window.
    TBitValue value = TBitValue::None;
    char symbol = '-';
    std::int32_t carry = 0;
    switch (FCrossings) {
    case 4:
        value = TBitValue::One;
        symbol = '^';
        carry = 1;
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
        break;
    default:
        // A whole window without a crossing: the signal has stopped. A sync
        // word heard just before (a frame cut short) must not take the first
        // bits of the next transmission as its block.
        if (FSinceCrossing >= SamplesPerBit) value = TBitValue::Lost;
        break;
    }
    FCrossings = carry;
    Sink.BitDecided(value, symbol);
}
