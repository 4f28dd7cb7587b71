#include "rig/UsbKeying.h"

#include "base/Exceptions.h"

TUsbKeying::TUsbKeying(THidPlatform& hid)
    : FDevice(std::make_unique<TUsbInterface>(hid))
    , FInput([this] { return FDevice->Connected(); })
{
    // A device present now was found while the interface was built: it
    // raises no arrival, and the rig sees it through Connected.
    FConnected = FDevice->OnConnected.Connect([this](TObject*) { OnConnection(this, true); });
    FDisconnected = FDevice->OnDisconnected.Connect([this](TObject*) { OnConnection(this, false); });
    FLevel = FDevice->OnRigRxIn.Connect([this](TObject*, bool level) { FInput.OnLevel(&FInput, level); });
}

TUsbKeying::~TUsbKeying()
{
    // A device that no longer takes reports is closed anyway; a destructor
    // has no caller to report a failed write to.
    try {
        FDevice->SetPttOutput(false);
    } catch (const Exception&) {
    }
}

void TUsbKeying::ForceRelease()
{
    // Opened afresh, the interface is written released as its first report;
    // one that takes no report is closed.
    try {
        FDevice->ScanForInterface();
    } catch (const Exception&) {
    }
}
