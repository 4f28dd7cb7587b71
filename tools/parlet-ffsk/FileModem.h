#pragma once

#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "modem/BitDetector.h"
#include "modem/DecodedMessage.h"

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

// Writes the frame the frame renderer makes for Text (its bytes unchanged,
// the type prefix included) to an 8-bit unsigned mono 48000 Hz WAV file:
// exactly the frame's samples, from the first preamble bit to the end of the
// tail bit.
void EncodeToFile(const std::string& text, const std::string& path);

// Decodes a mono 48000 Hz WAV file (16-bit signed, or 8-bit unsigned widened
// as (v - 128) * 256) with the given bit detector, in the receiver's
// buffers of 9600 samples; returns every message delivered.
std::vector<TDecodedMessage> DecodeFile(const std::string& path, TDetectorKind kind = TDetectorKind::Soft);
