#pragma once

#include <string>

// Which USB device a HID node and a sound card sit on: the HID part of a USB
// sound card shares the card's USB device, which ties a keying interface to
// the card chosen for output.
class TSoundCardLink {
public:
    virtual ~TSoundCardLink() = default;

    // An id of the USB device the HID node belongs to; empty when unknown.
    virtual std::string UsbDeviceOfHid(const std::string& hidPath) = 0;
    // Of the sound card an output device name stands for (a sound-server
    // sink name or an ALSA card name); empty when unknown or not on USB.
    virtual std::string UsbDeviceOfSoundCard(const std::string& outputDevice) = 0;
};
