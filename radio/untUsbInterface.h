#pragma once

#include <cstdint>
#include <memory>

#include "HidDevices.h"
#include "HidPlatform.h"
#include "base/Event.h"
#include "base/Object.h"

// The USB radio interface (vendor 0x07A0, product 0x1001): found among the
// HID devices, keyed by its output report, its receive input read from input
// byte 7, followed through plugging and unplugging.
class TUsbInterface : public TObject {
public:
    static constexpr std::uint16_t VendorID = 0x07A0;
    static constexpr std::uint16_t ProductID = 0x1001;

    explicit TUsbInterface(THidPlatform& platform);
    // Closes the device (raising OnRigRxIn(true) and OnDisconnected when it
    // was connected).
    ~TUsbInterface() override;

    bool Connected() const { return FConnected; }
    // Writes the PTT on or off report; nothing when not connected or when
    // that state is already written. A failed write raises EUSBException.
    void SetPttOutput(bool active);
    // Finds the interface (the last matching device wins) and opens it.
    void ScanForInterface();

    int DeviceIndex() const { return FDeviceIndex; }
    bool TxState() const { return FTxState; }

    TNotifyEvent OnConnected;
    TNotifyEvent OnDisconnected;
    TEvent<TObject*, bool> OnRigRxIn; // TComSignalEvent

private:
    void HidDataReceived();
    void DeviceRemoved();

    int FDeviceIndex = -1;
    bool FConnected = false;
    bool FTxState = false;
    std::unique_ptr<THidDevices> FHidDevices;
    std::unique_ptr<THidDevice> FHidDevice;
    std::unique_ptr<THidDataPort> FDataPort;
    TConnection FDeviceChange;
    TConnection FDisconnect;
    TConnection FHidData;
};
