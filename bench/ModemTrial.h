#pragma once

#include <cstdint>
#include <string>

#include "modem/BitDetector.h"

// One message sent through a simulated channel: the frame renderer's samples
// with gain, white noise and clock skew, decoded in capture buffers as the
// receiver would.
struct TChannel {
    // Peak of the tones on the 16-bit input (4864 at unity gain).
    double Peak = 4864.0;
    // Signal-to-noise ratio in dB over the whole 0..24 kHz band (tone power
    // against white noise power); a very large value means no noise.
    double SnrDb = 1000.0;
    // The sender's sample clock against the receiver's, in ppm: negative
    // means the sender is slower (its bits arrive longer).
    double SenderPpm = 0.0;
    std::uint32_t Seed = 1;
    // Samples from the receiver's start to the modulator's; -1: a seeded
    // 0..39, so bit windows start anywhere.
    std::int64_t StartSamples = -1;
    TDetectorKind Detector = TDetectorKind::Soft;
};

struct TTrialResult {
    bool Exact = false; // the message arrived once, exactly
    int OtherMessages = 0; // deliveries that were not the message
    // Last tone to delivery: the end of the capture buffer after which the
    // decoder delivered it.
    std::int64_t LatencyUs = -1;
};

// What every measuring program takes on its command line.
struct TTrialOptions {
    int Trials = 100;
    std::size_t Length = 20;
    std::uint32_t Seed = 1;
};

// Takes `name value` into options when it is --trials, --length or --seed.
bool TakeTrialOption(const char* name, const char* value, TTrialOptions& options);

// A seeded message of `length` characters: "SMS>" and printable characters.
std::string TrialMessage(std::uint32_t seed, std::size_t length);

// Sends `text` once over `channel`.
TTrialResult RunTrial(const TChannel& channel, const std::string& text);
