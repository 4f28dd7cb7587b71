#pragma once

#include <optional>
#include <string>
#include <string_view>

// The text of a Windows profile (INI) file, read and edited as bytes.
// Section and key names match without regard to case (ASCII); the first
// matching section is the one that counts, and in it the first matching key.
// Lines are ended by LF or CRLF; a line whose first non-blank character is
// ';' is a comment, a line without '=' outside a section header holds no key.

// Whether two names are the same, A-Z and a-z taken as equal.
bool SameTextAscii(std::string_view a, std::string_view b);

// The value of a key: the text after the first '=', with surrounding blanks
// and one pair of enclosing quotes (" or ') removed. Nothing when the section
// or the key is missing.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section, std::string_view key);

// The text with the key set to value, changing or adding exactly one line
// (plus the section header when the section is missing). Every other byte
// stays as it was. A changed line keeps its key spelling, the blanks around
// '=' and its line ending; new lines take the file's line ending (CRLF for an
// empty text). The value must not hold a line break.
std::string WithIniValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value);

// A profile integer: decimal with an optional sign; hexadecimal after "$", or
// after "0x"/"0X" when the text is longer than two characters. Hexadecimal
// takes up to 32 bits and wraps to a signed value ("$FFFFFFFF" is -1). Any
// other text, or a decimal outside the 32-bit range, gives the default.
int ParseIniInteger(std::string_view text, int defaultValue);
