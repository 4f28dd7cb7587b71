#pragma once

#include <string>

#include "settings/untZYNClientSettings.h"

// The clean-up rules the settings apply to names and the callsign of the
// station, and the display texts composed from several settings.

// The name rule. With Capitals the text is lower-cased and every word
// capitalised; "server", "gateway" and "link" are removed once each; leading
// and trailing spaces go, runs of spaces shrink to one, and the text is cut
// to 20 characters before the spaces shrink.
std::string NormalizeName(const std::string& text, bool capitals);

// The callsign rule of the setter: leading spaces go, runs of spaces shrink
// to one, one trailing space goes, then the text is cut to 20 characters.
std::string NormalizeCallsign(const std::string& text);

// A-Z lower-cased, every other byte kept.
std::string LowerCaseAscii(std::string text);

// "PC Only", "Crosslink" or e.g. "025 Ch06 FM CTC20".
std::string FormatBandAndChannel(int band, int channel, TMode mode, TSquelchType squelchType, int code);

// The operator name alone, or "<callsign>, <operator name>".
std::string FormatCallsignAndUser(const std::string& callsign, const std::string& operaterName);

// "<city> - <city part>", the separator even when a part is empty.
std::string FormatCityCityPart(const std::string& city, const std::string& cityPart);
