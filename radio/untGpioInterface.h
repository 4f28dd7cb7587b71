#pragma once

#include <memory>
#include <string>

#include "GpioChips.h"
#include "HidDevices.h"
#include "HidPlatform.h"
#include "SoundCardLink.h"
#include "base/Event.h"
#include "base/Object.h"

// The GPIO of a USB sound card (CM108 family and compatibles) as a PTT
// output: found among the HID devices by its ids, keyed by one report that
// sets one pin, followed through plugging and unplugging. Of several such
// cards it takes the one that belongs to the sound card chosen for output,
// else the only one present; of several with none chosen, none.
class TGpioInterface : public TObject {
public:
    TGpioInterface(THidPlatform& platform, TSoundCardLink& link);
    // Closes the device (raising OnDisconnected when it was connected).
    ~TGpioInterface() override;

    // The output device name (empty: none chosen) and the pin that keys.
    // Another card looks for the interface again; another pin is written
    // released on the interface at once.
    void Configure(const std::string& outputDevice, int pin);
    // Finds the interface and opens it, writing the pin released. An
    // interface already open stays open when it is still the one to use.
    void ScanForInterface();
    // Closes the interface (with OnDisconnected) and looks for it afresh.
    void Reopen();
    // Writes the pin keyed or released; nothing when not connected or when
    // that state is already written. A failed write raises EUSBException.
    void SetPttOutput(bool active);
    // Writes the pin released whatever was written before (at shutdown);
    // nothing when not connected.
    void Release();

    bool Connected() const { return FConnected; }
    // The chip of the connected interface; null when none is connected.
    const TGpioChip* Chip() const { return FConnected ? FChip : nullptr; }
    const std::string& DevicePath() const { return FHidDevice->DevicePath(); }
    // Several interfaces are present and none belongs to the chosen card.
    bool Ambiguous() const { return FAmbiguous; }
    int Pin() const { return FPin; }
    bool TxState() const { return FTxState; }

    TNotifyEvent OnConnected;
    TNotifyEvent OnDisconnected;

private:
    struct TCandidate {
        int Number = 0;
        const TGpioChip* Chip = nullptr;
    };
    TCandidate Choose();
    void Open(const TCandidate& candidate);
    void WriteReleased();
    void ReportOnce(const std::string& message);
    void DeviceRemoved();

    TSoundCardLink& FLink;
    std::string FOutputDevice;
    int FPin = DefaultGpioPin;
    const TGpioChip* FChip = nullptr;
    bool FConnected = false;
    bool FTxState = false;
    bool FAmbiguous = false;
    std::string FLastError;
    std::unique_ptr<THidDevices> FHidDevices;
    std::unique_ptr<THidDevice> FHidDevice;
    TConnection FDeviceChange;
    TConnection FDisconnect;
};
