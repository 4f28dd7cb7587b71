#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// Takes the clicks of an FM receiver near its threshold out of the signal.
// De-emphasis and the voice band stretch a click into a slow bump as large
// as the tones; the difference to the sample 4 before undoes that tilt and
// makes the click narrow and tall again. A sample then more than twice the
// recent mean size (1.5 times the clip level, above any tone's peak) is a
// click's and is blanked: the phase it carries is the click's, not the
// signal's. The rest is clipped at 1.3 times the mean size, where a tone
// (its peak is 1.57 times its mean size) only loses its tops, which carry
// neither its phase nor its crossings. A band limit at 3 kHz comes first:
// noise above the voice band (which a radio does not pass, but a sound card
// may add) would otherwise set the levels and be folded into the tones.
//
// Each sample in gives one out, on the 16-bit scale: the difference's gain
// at 1500 Hz is divided out, so levels and the detector's thresholds mean
// what they did.
class TClickLimiter {
public:
    TClickLimiter();
    // Samples in, as many limited samples out.
    void Limit(std::span<const std::int16_t> samples, std::int32_t* out);

private:
    // The band limit: a second-order Butterworth low-pass.
    float FB0 = 0, FB1 = 0, FA1 = 0, FA2 = 0;
    float FIn1 = 0, FIn2 = 0, FOut1 = 0, FOut2 = 0;
    static constexpr int DifferenceDelay = 4; // a power of two
    float FGain = 1;
    std::array<float, DifferenceDelay> FPast {};
    int FPastPos = 0;
    // Keeps the quietest signals (a peak of 1) from being clipped to nothing.
    static constexpr float LeastLimit = 1.0f;
    static constexpr float ClipRatio = 1.3f;
    static constexpr float BlankRatio = 1.5f; // of the clip level
    // The clip level, from the mean size of the samples, updated once per
    // group of 8.
    struct TClipLevel {
        float Limit = LeastLimit;
        float MeanSize = 0;
        float CountedSum = 0; // this group's sizes, each at most 3 times the limit
        float WholeSum = 0; // this group's sizes as they are
        float LoudSum = 0; // the sizes of the loud groups in a row
        int GroupCount = 0;
        int LoudGroups = 0;
        void Add(float size);
    };
    TClipLevel FLevel;
};
