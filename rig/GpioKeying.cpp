#include "rig/GpioKeying.h"

#include "base/Exceptions.h"

TGpioKeying::TGpioKeying(THidPlatform& hid, TSoundCardLink& cardLink)
    : FDevice(std::make_unique<TGpioInterface>(hid, cardLink))
{
    FConnected = FDevice->OnConnected.Connect([this](TObject*) { OnConnection(this, true); });
    FDisconnected = FDevice->OnDisconnected.Connect([this](TObject*) { OnConnection(this, false); });
}

TGpioKeying::~TGpioKeying()
{
    try {
        FDevice->Release();
    } catch (const Exception&) {
    }
}

void TGpioKeying::Configure(const std::string& outputDevice, int pin)
{
    try {
        FDevice->Configure(outputDevice, pin);
    } catch (const Exception&) {
        // The new pin could not be written released: opened afresh, a card
        // that still takes no report is let go, and the operator told once.
        ForceRelease();
    }
}

void TGpioKeying::ForceRelease()
{
    // Opened afresh, the pin is written released first; an interface that
    // takes no report is let go.
    try {
        FDevice->Reopen();
    } catch (const Exception&) {
    }
}
