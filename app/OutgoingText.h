#pragma once

#include <cstddef>
#include <string>

// The longest text other programs may hand to the station, in characters.
// With the operator's name (at most 20) and "SMS>" and ">>" a frame carries
// at most 186 bytes: 24 blocks, about 2 s on the air, well inside the 5 s
// between two queued texts, and no longer than a text the suite's clients
// show on one screen.
inline constexpr std::size_t MaxOutgoingTextLength = 160;

// Why a text was refused; Code is a short stable word for programs
// ("empty", "invalid-utf8", "control-character", "not-windows-1252",
// "too-long"), Message a sentence for people.
struct TOutgoingText {
    bool Ok = false;
    // The text as it goes on the air: Windows-1252 bytes.
    std::string Bytes;
    std::string Code;
    std::string Message;
};

// Checks a text given as UTF-8 by another program (a line on standard
// input, a D-Bus call, --send) before it is queued: not empty, valid UTF-8,
// no control characters, every character in Windows-1252, at most
// MaxOutgoingTextLength characters.
TOutgoingText CheckOutgoingText(const std::string& utf8);
