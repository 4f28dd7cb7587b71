#pragma once

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
