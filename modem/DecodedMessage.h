#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One message as the decoder delivers it: its type, the bytes after the type
// prefix exactly as heard (the 0x00 fill of the last block included), and
// what the receiver knows of how well it was heard.
enum class TMessageType { Sms, Loc };

// How sure the receiver is of one byte of the body.
enum class TCharCertainty : std::uint8_t {
    Sure,
    Doubtful, // heard, but its bits were near a coin toss or its block slipped
    NotHeard, // the block it belongs to was lost; the byte is a placeholder
};

struct TDecodedMessage {
    TMessageType Type = TMessageType::Sms;
    std::string Body;
    // One entry per byte of Body; empty means every byte is sure.
    std::vector<TCharCertainty> Certainty;
    // Estimated signal-to-noise ratio over the message, in dB; NaN when the
    // receiver does not measure it.
    double SnrDb = 0.0 / 0.0;
    // Sample index, counted from the decoder's first sample, of the message's
    // first sync word.
    std::int64_t StartSample = 0;
};
