#pragma once

#include <cstdint>

#include "audio/WaveUtils.h"

// One frame of PCM as a value in full-scale units: an 8-bit sample b is
// (b - 128) / 128, a 16-bit sample s is s / 32768; stereo is the mean of the
// two channels. Encoding rounds, clips, and writes every channel.
double DecodeFrame(const std::uint8_t* frame, const TWaveFormat& format);
void EncodeFrame(double value, std::uint8_t* frame, const TWaveFormat& format);
