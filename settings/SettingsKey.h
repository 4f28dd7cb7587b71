#pragma once

#include "base/Event.h"

class TZYNClientSettings;

// One key of the shared settings file and everything about how it is kept:
// where it lives, the field that holds it, the value a missing key takes,
// the clean-up applied both when it is loaded and when it is set, and the
// event its setter raises. Loading and writing both go through this entry, so
// a key cannot be read with one rule and written with another.
template <typename T> struct TSettingsKey {
    const char* Section;
    const char* Name;
    T TZYNClientSettings::*Field;
    T Default;
    // Cleans a value read or set; none keeps it as it is.
    T (*Rule)(const TZYNClientSettings&, T) = nullptr;
    TNotifyEvent TZYNClientSettings::*Event = nullptr;
    // Setter only: a value refused here is neither stored nor written.
    bool (*Accept)(const TZYNClientSettings&, const T&) = nullptr;
    // Setter only: setting the value already held writes and raises nothing.
    bool OnlyChanges = false;
};
