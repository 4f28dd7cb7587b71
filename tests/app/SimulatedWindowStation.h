#pragma once

#include <memory>
#include <string>

#include "app/guiParlet.h"
#include "audio/VirtualCable.h"
#include "base/VirtualLoop.h"
#include "tests/station/StationFixture.h"

// Operator Anna, keying by the radio's VOX, the default courtesy delay.
inline const char* const AnnaByVox = "[Identification]\r\n"
                                     "OperaterName=Anna\r\n"
                                     "FBand=0\r\n"
                                     "[Interface]\r\n"
                                     "RigComm=0\r\n";

// The main window on a simulated station, on virtual time: the station's
// sound card has its output wired back to its own input. The window is not
// shown.
class TSimulatedWindowStation {
public:
    explicit TSimulatedWindowStation(const std::string& settings = AnnaByVox)
        : parts(settings)
    {
    }

    // Builds the station and its window (and with it the dialog).
    TfrmParlet& Open()
    {
        station = std::make_unique<TFFSKTranceiver>(parts.Platform(), parts.SettingsFile());
        form = std::make_unique<TfrmParlet>(*station);
        return *form;
    }

    // The loop comes first: the HID bus posts to it until it is gone.
    TVirtualLoop loop;
    TSimulatedStation parts;
    TVirtualCable loopback {parts.sound, parts.sound};
    std::unique_ptr<TFFSKTranceiver> station;
    std::unique_ptr<TfrmParlet> form;
};
