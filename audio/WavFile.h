#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Exceptions.h"

// A file that is not a readable PCM WAV file; the message is the reason.
class EWavFileError : public Exception {
public:
    using Exception::Exception;
};

// The samples of a PCM WAV file, as stored: 8-bit unsigned or 16-bit signed
// little-endian, channels interleaved.
struct TWavData {
    std::uint16_t Channels = 0;
    std::uint32_t SampleRate = 0;
    std::uint16_t BitsPerSample = 0;
    std::vector<std::uint8_t> Data;
};

// Reads a RIFF WAVE file with PCM samples (plain or extensible header). A
// data chunk that claims more bytes than the file holds (a recording that
// was cut off) gives the bytes that are there. Throws EWavFileError.
TWavData ReadWavFile(const std::string& path);

// Writes a canonical 44-byte-header PCM WAV file. Throws EWavFileError.
void WriteWavFile(const std::string& path, const TWavData& wav);
