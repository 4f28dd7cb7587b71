#pragma once

#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "modem/BitDetector.h"

// A file that cannot be used; the message is the reason, the file is named.
class EFileModemError : public Exception {
public:
    EFileModemError(std::string file, const std::string& reason)
        : Exception(reason)
        , FFile(std::move(file))
    {
    }
    const std::string& File() const { return FFile; }

private:
    std::string FFile;
};

// Writes the frame a freshly made modulator renders for Text to an 8-bit
// unsigned mono 48000 Hz WAV file: exactly the frame's samples, from the
// first preamble bit to the end of the tail bit.
void EncodeToFile(const std::string& Text, const std::string& path);

// Runs the receiver, with the given bit detector, over a mono 48000 Hz WAV file (16-bit signed, or 8-bit
// unsigned widened as (v - 128) * 256) in whole buffers of 9600 samples, the
// last padded with zeros, then two buffers of zeros; returns one line per
// message delivered (see MessageLine).
std::vector<std::string> DecodeFile(const std::string& path, TDetectorKind kind = TDetectorKind::Soft);
