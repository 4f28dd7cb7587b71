#pragma once

#include <initializer_list>
#include <string>

// Message catalogues: <program folder>/locale/<language>/LC_MESSAGES/<domain>.mo,
// or under the installed locale folder when the program folder has none;
// the language taken from LANG, else from the user's locale. Works for a
// language whose system locale is not installed. Without a catalogue the
// message stays as given.
std::string Translate(const std::string& domain, const std::string& message);

// The folder that holds the locale tree; the program folder unless a test
// points it elsewhere. Must be set before the first translation.
void SetLocaleRoot(const std::string& folder);

// A text of the "default" catalogue (the program's messages) in the user's
// language. Every text a user may see is written through this (or UiText in
// the windows), so the catalogue check finds it.
std::string Translated(const char* english);

// The same, with %1, %2, ... replaced by the values. The values go in as
// they are, in one pass: a catalogue is data, and a value that holds "%2"
// is not filled again.
std::string Translated(const char* english, std::initializer_list<std::string> values);

// Marks a text of the "cport" catalogue (the serial port's messages) where
// it is written; it is looked up with Translate("cport", ...) where it is
// shown.
constexpr const char* PortText(const char* english)
{
    return english;
}
