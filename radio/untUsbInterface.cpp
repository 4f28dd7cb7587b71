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
    hidDevices_ = std::make_unique<THidDevices>(platform);
    hidDevices_->OnDeviceChange = [this](TObject*) { ScanForInterface(); };
    hidDevice_ = std::make_unique<THidDevice>();
    hidDevice_->OnDisconnect = [this](TObject*) { DeviceRemoved(); };
    hidDevice_->SetHidDevices(hidDevices_.get());
    dataPort_ = std::make_unique<THidDataPort>();
    dataPort_->SetHidDevice(hidDevice_.get());
    dataPort_->OnHidData = [this](TObject*) { HidDataReceived(); };
    ScanForInterface();
}

TUsbInterface::~TUsbInterface()
{
    // No rescan while going away (closing serves pending device notices).
    hidDevices_->OnDeviceChange = nullptr;
    hidDevice_->CloseDevice();
    dataPort_.reset();
    hidDevice_.reset();
    hidDevices_.reset();
}

void TUsbInterface::ScanForInterface()
{
    int index = -1;
    for (int n = 1; n <= hidDevices_->DeviceCount(); ++n) {
        try {
            // No break: the last matching device wins.
            if (hidDevices_->VendorId(n) == VendorID && hidDevices_->ProductId(n) == ProductID) index = n;
        } catch (const EUSBException&) {
            // A device that cannot be queried is not ours to use.
        }
    }
    if (index < 0) {
        // None to use: one still open is let go (with its disconnect), so
        // that a connection is never claimed without its device or left
        // open unclaimed.
        hidDevice_->CloseDevice();
        return;
    }
    try {
        // Closes an open device first, with OnDisconnected through the
        // removal handler, which forgets the index.
        hidDevice_->OpenDevice(index);
        FDeviceIndex = index;
    } catch (const EUSBException&) {
        return;
    }
    try {
        for (int i = 0; i < static_cast<int>(PttOffReport.size()); ++i) dataPort_->SetByte(i, PttOffReport[i]);
        dataPort_->SendReport();
    } catch (const EUSBException& e) {
        // An interface that takes no report cannot key the radio: close it and
        // say why, rather than claim a connection that does not work.
        hidDevice_->CloseDevice();
        TMainLoop::Current().ReportError(e.what());
        return;
    }
    // Connected only once the interface took its first report; the write
    // may also have found the device gone, which closed it.
    if (!hidDevice_->Opened()) return;
    connected_ = true;
    OnConnected(this);
}

void TUsbInterface::SetPttOutput(bool Active)
{
    if (!connected_ || Active == FTxState) return;
    // Input reports share the buffer: keep them out while it holds the
    // output report.
    dataPort_->SetAcceptUSBData(false);
    const THidData& report = Active ? PttOnReport : PttOffReport;
    for (int i = 0; i < static_cast<int>(report.size()); ++i) dataPort_->SetByte(i, report[i]);
    try {
        dataPort_->SendReport();
    } catch (...) {
        // The receive input keeps working after a failed write.
        dataPort_->SetAcceptUSBData(true);
        throw;
    }
    // The write may have found the device gone, which disconnects it.
    if (connected_) FTxState = Active;
    dataPort_->SetAcceptUSBData(true);
}

void TUsbInterface::HidDataReceived()
{
    if (OnRigRxIn) OnRigRxIn(this, dataPort_->GetByte(RxInputByte) == RxInputHigh);
}

void TUsbInterface::DeviceRemoved()
{
    const bool wasConnected = connected_;
    FDeviceIndex = -1;
    connected_ = false;
    FTxState = false;
    // A device closed before its connection was announced (it took no
    // report) has nothing to take back.
    if (!wasConnected) return;
    OnRigRxIn(this, true);
    OnDisconnected(this);
}
