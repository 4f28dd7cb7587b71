#pragma once

#include "SoundCardLink.h"

// The link between HID nodes and sound cards as udev sees it: both are
// children of the same USB device, named here by its sysfs path.
class TUdevSoundCardLink : public TSoundCardLink {
public:
    std::string UsbDeviceOfHid(const std::string& hidPath) override;
    std::string UsbDeviceOfSoundCard(const std::string& outputDevice) override;
};
