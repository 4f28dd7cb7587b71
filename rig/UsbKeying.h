#pragma once

#include <memory>

#include "radio/untUsbInterface.h"
#include "rig/PttOutput.h"

class THidPlatform;

// The USB radio interface, first among the outputs and the inputs: its
// output report keys the radio, its input byte carries the receive line.
class TUsbKeying : public TPttOutput {
public:
    explicit TUsbKeying(THidPlatform& hid);
    // Writes the PTT off before the device is closed.
    ~TUsbKeying() override;

    bool Connected() const override { return FDevice->Connected(); }
    void Write(bool ptt) override { FDevice->SetPttOutput(ptt); }
    void ForceRelease() override;
    TRxInput& Input() { return FInput; }

private:
    std::unique_ptr<TUsbInterface> FDevice;
    TRxInput FInput;
    TConnection FConnected;
    TConnection FDisconnected;
    TConnection FLevel;
};
