#pragma once

#include <array>
#include <cstdint>

#include "modem/BitDetector.h"
#include "modem/ClickLimiter.h"

// Decides bits on the phase turn of the signal in complex baseband. The
// input first passes a click limiter (FM receiver clicks cut down to the
// signal's size), is then mixed down by 1500 Hz, so that 1800 Hz turns
// forward by a quarter cycle per bit and 1200 Hz backward; summed over 8
// samples (6000 Hz) and low-pass filtered (which also takes out DC, mains
// hum and its low harmonics, now near -1500 Hz). At each bit's end the value
// is multiplied with the conjugate of a reference for the value one bit
// earlier: the sign of the imaginary part is the bit. The reference is that
// earlier value plus the older ones, each turned on by the bits decided
// since and weighted less the older it is, which takes out much of the
// noise a single earlier value carries. The decision instant follows the
// signal: an early-late gate on the size of the one-bit turn moves it
// towards where a bit change turns the phase most, with a rate term that
// tracks clock skew; where that gate cannot tell (half a bit off), a check
// of the turn half a bit earlier moves the decisions there. Trace symbols:
// "1", "0", and "-" where there is no signal: silence, or a level far below
// that of the signal just heard.
//
// All state is fixed in size and nothing is allocated while demodulating;
// the arithmetic runs sample by sample, so any split of the input into
// calls gives the same decisions.
class TSoftDetector : public TBitDetector {
public:
    static constexpr int Decimation = 8;
    static constexpr int FilterTaps = 24; // a multiple of 8

    TSoftDetector();
    void Demodulate(std::span<const std::int16_t> samples, TBitSink& sink) override;

private:
    struct TComplex {
        float Re = 0, Im = 0;
    };
    void MixDown(const std::int32_t* samples, std::size_t count, TBitSink& sink);
    void FilterBaseband(TBitSink& sink);
    void Decide(TBitSink& sink);
    void CheckTiming(float decision);
    TComplex At(float offset) const;
    // The size of the phase turn across the bit that ends at End.
    float TurnSizeAcrossBit(float end) const;

    TClickLimiter FClickLimiter;
    std::array<std::int32_t, 256> FLimited {}; // the limiter's output, a piece of the input at a time
    static constexpr int MixerPeriod = 32; // 1500 Hz at 48000 Hz
    // Each cycle and the start of the next, so that a group of 8 reads on.
    std::array<std::int32_t, MixerPeriod + Decimation> FMixCos {}, FMixSin {};
    std::array<float, FilterTaps> FTaps {};
    // Each input twice, so that the filter reads FilterTaps values in a row.
    std::array<float, 2 * FilterTaps> FHistoryRe {}, FHistoryIm {};
    int FHistoryPos = 0;
    std::int32_t FSumRe = 0, FSumIm = 0; // the current group of 8 mixed samples
    int FGroupCount = 0;
    int FMixPhase = 0; // 0..31: the mixer's position in its 1500 Hz cycle
    static constexpr int RingSize = 32; // filtered values kept for the decisions
    std::array<TComplex, RingSize> FRing {};
    std::uint32_t FNewest = 0; // index of the newest filtered value
    std::int64_t FFiltered = 0; // filtered values so far
    float FPower = 0; // smoothed power of the filtered signal
    float FDecisionAt = 0; // the next decision, in filtered samples from the newest
    float FRate = 0; // the bit clock's correction per bit, for clock skew
    float FSignalLevel = 0; // the power of the last signal, slowly followed
    TComplex FReference; // the reference for the next decision's previous value
    float FOnTime = 0; // the size of the one-bit turn at the decisions, smoothed
    float FHalfEarlier = 0; // the same half a bit earlier
    float FTurnLevel = 0; // the size of the turn at the decisions, smoothed
};
