#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "modem/DecodedMessage.h"

// A message body read for people: a text message's sender and text split at
// the first ">>", the fill of the last block removed. The one place that
// knows the fill: the text ends at its first 0x00.
struct TMessageText {
    std::string Sender;
    bool HasSender = false;
    // Some byte of the sender's name is not known to be right.
    bool SenderDoubtful = false;
    std::string Text;
    // Indices into Text of every byte not known to be right.
    std::vector<std::size_t> Doubt;
    // Indices into Text of the bytes that were not heard at all (a subset of
    // Doubt).
    std::vector<std::size_t> NotHeard;
};

TMessageText ReadMessageText(const TDecodedMessage& message);
// The whole body as one text, a text message's sender not split off.
TMessageText ReadWholeBody(const TDecodedMessage& message);
// The body of a message sent from here, read the same way.
TMessageText ReadMessageText(TMessageType type, const std::string& body);
