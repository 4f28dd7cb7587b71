#pragma once

#include <memory>

#include "base/VirtualLoop.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/TempFolder.h"

// What the rig, keying and ducking tests stand on: a private folder for the
// settings file, the virtual loop (before the HID bus, which posts to it
// until it is gone), simulated serial ports and HID bus, and the settings
// and the rig a test makes on them.
struct TRigParts {
    TTempFolder FFolder;
    TVirtualLoop loop;
    TSimulatedSerialPlatform serial;
    TSimulatedHidBus hid;
    std::unique_ptr<TZYNClientSettings> settings;
    std::unique_ptr<TInterface> rig;
};
