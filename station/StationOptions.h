#pragma once

#include "modem/BitDetector.h"

// How the station works, chosen by the program (its command line), apart
// from the back ends it runs on.
struct TStationOptions {
    // How the receiver takes bits from the input.
    TDetectorKind Receiver = TDetectorKind::Soft;
};
