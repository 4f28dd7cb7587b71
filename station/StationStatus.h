#pragma once

#include <string>

#include "base/Event.h"

// What the operator should know of the station besides its messages: is the
// radio keyed, is the channel busy, and can the sound card play and record.
// A reason names the device, its back end and the system's words.
struct TStationStatus {
    bool Keyed = false;
    bool ChannelBusy = false;
    // Sending fails while the output is lost; nothing is heard while the
    // input is lost. Both are waited for.
    bool OutputLost = false;
    bool InputLost = false;
    std::string OutputReason;
    std::string InputReason;

    bool operator==(const TStationStatus&) const = default;
};

using TStationStatusEvent = TEvent<TObject*, const TStationStatus&>;
