#include "untGpioInterface.h"

#include <vector>

#include "base/MainLoop.h"

TGpioInterface::TGpioInterface(THidPlatform& platform, TSoundCardLink& link)
    : FLink(link)
{
    FHidDevices = std::make_unique<THidDevices>(platform);
    FDeviceChange = FHidDevices->OnDeviceChange.Connect([this](TObject*) { ScanForInterface(); });
    FHidDevice = std::make_unique<THidDevice>();
    FDisconnect = FHidDevice->OnDisconnect.Connect([this](TObject*) { DeviceRemoved(); });
    FHidDevice->SetHidDevices(FHidDevices.get());
    ScanForInterface();
}

TGpioInterface::~TGpioInterface()
{
    // No rescan while going away (closing serves pending device notices).
    FDeviceChange.Disconnect();
    FHidDevice->CloseDevice();
}

void TGpioInterface::Configure(const std::string& outputDevice, int pin)
{
    const bool pinChanged = pin != FPin;
    FPin = pin;
    if (outputDevice != FOutputDevice) {
        FOutputDevice = outputDevice;
        ScanForInterface();
    } else if (pinChanged && FConnected) {
        // The old pin becomes an input again, the new one an output at rest.
        FTxState = false;
        WriteReleased();
    }
}

TGpioInterface::TCandidate TGpioInterface::Choose()
{
    std::vector<TCandidate> found;
    for (int n = 1; n <= FHidDevices->DeviceCount(); ++n) {
        try {
            const TGpioChip* chip = FindGpioChip(FHidDevices->VendorId(n), FHidDevices->ProductId(n));
            if (chip) found.push_back({n, chip});
        } catch (const EUSBException&) {
            // A device that cannot be queried is not ours to use.
        }
    }
    FAmbiguous = false;
    const std::string card = FOutputDevice.empty() ? std::string() : FLink.UsbDeviceOfSoundCard(FOutputDevice);
    if (!card.empty())
        for (const TCandidate& candidate : found)
            if (FLink.UsbDeviceOfHid(FHidDevices->DevicePath(candidate.Number)) == card) return candidate;
    if (found.size() == 1) return found.front();
    FAmbiguous = found.size() > 1;
    return {};
}

void TGpioInterface::ScanForInterface()
{
    const TCandidate chosen = Choose();
    if (chosen.Number == 0) {
        FHidDevice->CloseDevice();
        return;
    }
    // Another HID device coming or going leaves a keyed interface keyed.
    if (FConnected && FHidDevice->DevicePath() == FHidDevices->DevicePath(chosen.Number)) return;
    Open(chosen);
}

void TGpioInterface::Reopen()
{
    FHidDevice->CloseDevice();
    ScanForInterface();
}

void TGpioInterface::Open(const TCandidate& candidate)
{
    try {
        // Closes an open device first, with OnDisconnected.
        FHidDevice->OpenDevice(candidate.Number);
    } catch (const EUSBException& e) {
        ReportOnce(e.what());
        return;
    }
    FChip = candidate.Chip;
    FTxState = false;
    try {
        WriteReleased();
    } catch (const EUSBException& e) {
        // An interface that takes no report cannot key the radio.
        FHidDevice->CloseDevice();
        ReportOnce(e.what());
        return;
    }
    // The write may have found the device gone, which closed it.
    if (!FHidDevice->Opened()) return;
    FLastError.clear();
    FConnected = true;
    OnConnected(this);
}

void TGpioInterface::ReportOnce(const std::string& message)
{
    // Every device change tries again; the operator hears of a failure
    // (most often missing access rights) once, not at every plug.
    if (message == FLastError) return;
    FLastError = message;
    TMainLoop::Current().ReportError(message);
}

void TGpioInterface::WriteReleased()
{
    FHidDevice->WriteBytes(GpioReport(FPin, false));
}

void TGpioInterface::SetPttOutput(bool active)
{
    if (!FConnected || active == FTxState) return;
    FHidDevice->WriteBytes(GpioReport(FPin, active));
    // The write may have found the device gone, which disconnects it.
    if (FConnected) FTxState = active;
}

void TGpioInterface::Release()
{
    if (!FConnected) return;
    FTxState = false;
    WriteReleased();
}

void TGpioInterface::DeviceRemoved()
{
    const bool wasConnected = FConnected;
    FConnected = false;
    FTxState = false;
    if (wasConnected) OnDisconnected(this);
}
