#include "untUsbInterface.h"

#include "base/MainLoop.h"

namespace {

// The output report's data bytes (report id 0 goes in front).
constexpr THidData PttOffReport = {0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x03, 0xFF};
constexpr THidData PttOnReport = {0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x00};

// Input data byte 7 carries the radio's receive line.
constexpr int RxInputByte = 7;
constexpr std::uint8_t RxInputHigh = 0xFF;

} // namespace

TUsbInterface::TUsbInterface(THidPlatform& platform)
{
    FHidDevices = std::make_unique<THidDevices>(platform);
    FDeviceChange = FHidDevices->OnDeviceChange.Connect([this](TObject*) { ScanForInterface(); });
    FHidDevice = std::make_unique<THidDevice>();
    FDisconnect = FHidDevice->OnDisconnect.Connect([this](TObject*) { DeviceRemoved(); });
    FHidDevice->SetHidDevices(FHidDevices.get());
    FDataPort = std::make_unique<THidDataPort>();
    FDataPort->SetHidDevice(FHidDevice.get());
    FHidData = FDataPort->OnHidData.Connect([this](TObject*) { HidDataReceived(); });
    ScanForInterface();
}

TUsbInterface::~TUsbInterface()
{
    // No rescan while going away (closing serves pending device notices).
    FDeviceChange.Disconnect();
    FHidDevice->CloseDevice();
}

void TUsbInterface::ScanForInterface()
{
    int index = -1;
    for (int n = 1; n <= FHidDevices->DeviceCount(); ++n) {
        try {
            // No break: the last matching device wins.
            if (FHidDevices->VendorId(n) == VendorID && FHidDevices->ProductId(n) == ProductID) index = n;
        } catch (const EUSBException&) {
            // A device that cannot be queried is not ours to use.
        }
    }
    if (index < 0) {
        // None to use: one still open is let go (with its disconnect), so
        // that a connection is never claimed without its device or left
        // open unclaimed.
        FHidDevice->CloseDevice();
        return;
    }
    try {
        // Closes an open device first, with OnDisconnected through the
        // removal handler, which forgets the index.
        FHidDevice->OpenDevice(index);
        FDeviceIndex = index;
    } catch (const EUSBException&) {
        return;
    }
    try {
        for (int i = 0; i < static_cast<int>(PttOffReport.size()); ++i) FDataPort->SetByte(i, PttOffReport[i]);
        FDataPort->SendReport();
    } catch (const EUSBException& e) {
        // An interface that takes no report cannot key the radio: close it and
        // say why, rather than claim a connection that does not work.
        FHidDevice->CloseDevice();
        TMainLoop::Current().ReportError(e.what());
        return;
    }
    // Connected only once the interface took its first report; the write
    // may also have found the device gone, which closed it.
    if (!FHidDevice->Opened()) return;
    FConnected = true;
    OnConnected(this);
}

void TUsbInterface::SetPttOutput(bool active)
{
    if (!FConnected || active == FTxState) return;
    // Input reports share the buffer: keep them out while it holds the
    // output report.
    FDataPort->SetAcceptUSBData(false);
    const THidData& report = active ? PttOnReport : PttOffReport;
    for (int i = 0; i < static_cast<int>(report.size()); ++i) FDataPort->SetByte(i, report[i]);
    try {
        FDataPort->SendReport();
    } catch (...) {
        // The receive input keeps working after a failed write.
        FDataPort->SetAcceptUSBData(true);
        throw;
    }
    // The write may have found the device gone, which disconnects it.
    if (FConnected) FTxState = active;
    FDataPort->SetAcceptUSBData(true);
}

void TUsbInterface::HidDataReceived()
{
    OnRigRxIn(this, FDataPort->GetByte(RxInputByte) == RxInputHigh);
}

void TUsbInterface::DeviceRemoved()
{
    const bool wasConnected = FConnected;
    FDeviceIndex = -1;
    FConnected = false;
    FTxState = false;
    // A device closed before its connection was announced (it took no
    // report) has nothing to take back.
    if (!wasConnected) return;
    OnRigRxIn(this, true);
    OnDisconnected(this);
}
