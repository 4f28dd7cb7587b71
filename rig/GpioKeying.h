#pragma once

#include <memory>
#include <string>

#include "radio/untGpioInterface.h"
#include "rig/PttOutput.h"

class THidPlatform;
class TSoundCardLink;

// A sound card's GPIO pin as a PTT output, second after the USB radio
// interface.
class TGpioKeying : public TPttOutput {
public:
    TGpioKeying(THidPlatform& hid, TSoundCardLink& cardLink);
    // Writes the pin released before the device is closed.
    ~TGpioKeying() override;

    // The sound card chosen for output and the pin: only a change of either
    // touches the device. Never throws.
    void Configure(const std::string& outputDevice, int pin);
    bool Connected() const override { return FDevice->Connected(); }
    void Write(bool ptt) override { FDevice->SetPttOutput(ptt); }
    void ForceRelease() override;
    const TGpioInterface& Device() const { return *FDevice; }

private:
    std::unique_ptr<TGpioInterface> FDevice;
    TConnection FConnected;
    TConnection FDisconnected;
};
