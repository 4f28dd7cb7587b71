#pragma once

#include <memory>
#include <string>

#include "app/guiParlet.h"
#include "audio/SimulatedSoundCard.h"
#include "audio/VirtualCable.h"
#include "base/VirtualLoop.h"
#include "modem/StationPlatform.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "settings/SimulatedDesktop.h"
#include "tests/support/TempFolder.h"

// Operator Anna, keying by the radio's VOX, the default courtesy delay.
inline const char* const AnnaByVox = "[Identification]\r\n"
                                     "OperaterName=Anna\r\n"
                                     "FBand=0\r\n"
                                     "[Interface]\r\n"
                                     "RigComm=0\r\n";

// The main window on a simulated station, on virtual time: a sound card
// whose output is wired back to its own input, serial ports, a HID bus and a
// desktop, all simulated. The window is not shown.
class TSimulatedStation {
public:
    explicit TSimulatedStation(const std::string& settings = AnnaByVox)
    {
        WriteBytes(SettingsFile(), settings);
    }

    TStationPlatform Platform() { return {sound, serial, hid, desktop}; }
    std::string SettingsFile() const { return folder.File("ZYNClient.ini"); }

    // Builds the window (and with it the transceiver and the dialog).
    TfrmParlet& Open()
    {
        form = std::make_unique<TfrmParlet>(Platform(), SettingsFile());
        return *form;
    }

    TTempFolder folder;
    TVirtualLoop loop;
    TSimulatedSoundCard sound;
    TVirtualCable loopback{sound, sound};
    TSimulatedSerialPlatform serial;
    TSimulatedHidBus hid;
    TSimulatedDesktop desktop;
    std::unique_ptr<TfrmParlet> form;
};
