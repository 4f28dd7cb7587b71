#pragma once

#include <QString>

// A text of the windows in the user's language, from the "default"
// catalogue; the English text itself when there is no translation.
QString UiText(const char* english);
