#pragma once

#include <cstdint>
#include <random>

class TSimulatedSoundCard;

// A wire from one simulated card's output to a simulated card's input (the
// same card for a loop-back). It lives as long as the object: the destructor
// unplugs it. Several cables into one input add up.
//
// Signal values are in full-scale units: an 8-bit sample b is (b - 128) / 128,
// a 16-bit sample s is s / 32768; the input converts back with rounding and
// clipping. With the defaults (gain 1, no offset, no noise, no skew) and equal
// rates the input records the output sample for sample: input sample k is
// output sample k on the shared time grid (an 8-bit byte b arrives as the
// 16-bit sample (b - 128) * 256), and what was not played is silence (0).
// Rates that differ, or a skew, are bridged by linear interpolation.
class TVirtualCable {
public:
    TVirtualCable(TSimulatedSoundCard& from, TSimulatedSoundCard& to);
    ~TVirtualCable();
    TVirtualCable(const TVirtualCable&) = delete;
    TVirtualCable& operator=(const TVirtualCable&) = delete;

    // Multiplies the signal; default 1.
    void SetGain(double gain) { FGain = gain; }
    // Added after the gain, in full-scale units; default 0.
    void SetDcOffset(double offset) { FDcOffset = offset; }
    // White Gaussian noise of this RMS (full-scale units) added per input
    // sample, from a generator seeded with `seed`: the same seed gives the
    // same noise. 0 turns it off.
    void SetNoise(double rms, std::uint32_t seed);
    // The receiving card's clock runs this many parts per million faster than
    // the sending card's: it takes (1 + ppm/1e6) samples for every sample the
    // sender plays, so a 1000 Hz tone arrives as 1000 / (1 + ppm/1e6) Hz of
    // its samples. The stretch is counted from the moment of the call. A
    // negative skew reads ahead of the sender; what the sender has not queued
    // yet arrives as silence.
    double ClockSkewPpm() const { return FSkewPpm; }
    void SetClockSkewPpm(double ppm);

private:
    friend class TSimulatedSoundCard;
    // The value this cable brings to the input at a moment (ticks).
    double ValueAt(double tick);

    TSimulatedSoundCard& FFrom;
    TSimulatedSoundCard& FTo;
    double FGain = 1.0;
    double FDcOffset = 0.0;
    double FNoiseRms = 0.0;
    double FSkewPpm = 0.0;
    double FSkewAnchorTick = 0.0;
    std::mt19937 FNoise;
    std::normal_distribution<double> FGauss;
};
