#pragma once

#include <cstddef>
#include <cstdint>

// PCM formats of the audio streams, the format record built from them,
// buffer sizing and the level of a block.

// v - 1 = 4*rate + 2*width + channels, with rate 0..4 = 8000, 11025, 22050,
// 44100, 48000 Hz, width 0 = 8 bits, 1 = 16 bits, channels 0 = mono,
// 1 = stereo. 8-bit samples are unsigned, 16-bit samples signed little-endian.
enum TPCMFormat : std::uint8_t {
    nonePCM = 0,
    Mono8Bit8000Hz = 1,
    Stereo8bit8000Hz = 2,
    Mono16bit8000Hz = 3,
    Stereo16bit8000Hz = 4,
    Mono8bit11025Hz = 5,
    Stereo8bit11025Hz = 6,
    Mono16bit11025Hz = 7,
    Stereo16bit11025Hz = 8,
    Mono8bit22050Hz = 9,
    Stereo8bit22050Hz = 10,
    Mono16bit22050Hz = 11,
    Stereo16bit22050Hz = 12,
    Mono8bit44100Hz = 13,
    Stereo8bit44100Hz = 14,
    Mono16bit44100Hz = 15,
    Stereo16bit44100Hz = 16,
    Mono8bit48000Hz = 17,
    Stereo8bit48000Hz = 18,
    Mono16bit48000Hz = 19,
    Stereo16bit48000Hz = 20,
};

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// The 16-byte PCM wave format record (the layout of a WAV file's "fmt "
// chunk). A record from BuildPCMFormat always has an extra size of 0, so the
// stream keeps only these 16 bytes.
struct TWaveFormat {
    std::uint16_t FormatTag = 0; // WAVE_FORMAT_PCM, or 0 for none
    std::uint16_t Channels = 0;
    std::uint32_t SamplesPerSec = 0;
    std::uint32_t AvgBytesPerSec = 0; // BlockAlign * SamplesPerSec
    std::uint16_t BlockAlign = 0; // Channels * BitsPerSample / 8
    std::uint16_t BitsPerSample = 0;
};

// An 8- or 16-bit PCM record of one or two channels whose BlockAlign is one
// frame of them: what every sound back end can take, rate apart.
bool IsPlainPCM(const TWaveFormat& format);

// The record for a PCM format; nonePCM (or a value above 20) gives an
// all-zero record.
TWaveFormat BuildPCMFormat(TPCMFormat format);

// The enumerator's name ("Mono16bit48000Hz"), or "" for a value outside 0..20.
const char* PCMFormatName(TPCMFormat format);

// Bytes for the given milliseconds: AvgBytesPerSec * ms / 1000 rounded to the
// nearest integer, then up to a whole number of blocks. 200 ms of
// Mono16bit48000Hz is 19200.
std::uint32_t BufferBytes(const TWaveFormat& format, std::uint32_t milliseconds);

// Peak level 0..100 of a block: 16 bits: largest signed sample * 100 / 32767
// (only negative samples give 0); 8 bits: (largest byte - 128) * 100 / 127,
// 0 at or below 128. An empty block is 0; a format that is not 8- or 16-bit
// PCM gives -1.
int ComputeLevel(const void* data, std::uint32_t size, const TWaveFormat& format);

// A 16-bit PCM sample from its two bytes, low byte first.
inline std::int16_t Sample16(const std::uint8_t* bytes)
{
    return static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
}

// `count` such samples in a row.
inline void Samples16(const std::uint8_t* bytes, std::size_t count, std::int16_t* out)
{
    for (std::size_t i = 0; i < count; ++i) out[i] = Sample16(bytes + 2 * i);
}
