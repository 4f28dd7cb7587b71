#pragma once

#include <string>

#include "modem/DecodedMessage.h"

// One output line of the decoder: "SMS" or "LOC", a tab, then the body with
// every byte outside 0x20..0x7E, and the backslash, written as \xHH.
std::string MessageLine(const TDecodedMessage& message);

// The same message as one JSON object: type, text (the body without its
// fill, in Unicode, a byte not heard as U+FFFD), doubt (indices into text of
// every character not known to be right), start (seconds from the first
// sample to the first sync word) and snr_db (null when not measured).
std::string MessageJson(const TDecodedMessage& message);
