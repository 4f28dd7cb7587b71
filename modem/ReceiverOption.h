#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "modem/BitDetector.h"

// A --receiver option that names no detector, or names none at all.
class EReceiverOption : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The detector a --receiver option names; throws EReceiverOption, with a
// one-line message, for a name other than "classic" or "soft".
TDetectorKind ReceiverNamed(const std::string& name);

// Takes "--receiver NAME" or "--receiver=NAME" out of the arguments, wherever
// it stands, and returns the detector it names; nothing when the option is
// not given. Throws EReceiverOption, with a one-line message, for a name
// other than "classic" or "soft", or a missing one.
std::optional<TDetectorKind> TakeReceiverOption(std::vector<std::string>& args);

inline constexpr const char* ReceiverOptionHelp =
    "Takes the bits from the input with NAME: soft (the default) or classic (the zero-crossing counter).";
