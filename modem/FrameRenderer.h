#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "FrameFormat.h"

// Turns bits into FFSK samples, 8-bit unsigned around a midpoint of 127: a 0
// bit is one cycle of 1200 Hz, a 1 bit one and a half cycles of 1800 Hz,
// every bit starting on the midpoint and the phase running on from bit to
// bit. No sound stream: the modulator binds it to its player, tests and
// measurements use it directly.
class TFrameRenderer {
public:
    static constexpr std::uint32_t SamplesPerBit = FFSKFrame::SamplesPerBit;
    static constexpr std::uint8_t Midpoint = 127; // silence and the zero line of every tone
    static constexpr std::int32_t Amplitude = 20;

    using TTone = std::array<std::uint8_t, SamplesPerBit>;

    TFrameRenderer();

    // The samples of the next bit; moves the phase on.
    const TTone& NextTone(bool bit);

    // Appends the samples of one frame carrying Text, tail bit included.
    void AppendFrame(const std::string& text, bool preamble, std::vector<std::uint8_t>& samples);
    // The samples of the frames a fresh renderer makes for the texts sent
    // back to back in one transmission.
    static std::vector<std::uint8_t> Render(const std::vector<std::string>& texts);

    const TTone& Tone1200Up() const { return FTone1200Up; }
    const TTone& Tone1200Down() const { return FTone1200Down; }
    const TTone& Tone1800Up() const { return FTone1800Up; }
    const TTone& Tone1800Down() const { return FTone1800Down; }

private:
    TTone FTone1200Up {}, FTone1200Down {}, FTone1800Up {}, FTone1800Down {};
    bool FPhase = false; // true: the next bit's wave starts rising
};
