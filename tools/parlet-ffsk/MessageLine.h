#pragma once

#include <string>

// One output line of the decoder: "SMS" or "LOC", a tab, then the text with
// every byte outside 0x20..0x7E, and the backslash, written as \xHH.
std::string MessageLine(bool MessIsSMS, const std::string& RxString);
