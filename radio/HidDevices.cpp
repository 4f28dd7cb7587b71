#include "HidDevices.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/MainLoop.h"
#include "base/Translation.h"

namespace {

std::string NotAvailable(int n)
{
    return Translated("Device %1 is not available.", {std::to_string(n)});
}

// The path and the system's error, so an operator can fix access rights.
std::string SystemDetail(const std::string& path, int error)
{
    return " (" + path + ": error " + std::to_string(error) + ", " + std::strerror(error) + ")";
}

template <typename T> void Remove(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

// ---------------------------------------------------------------------------

THidDevices::THidDevices(THidPlatform& platform)
    : FPlatform(platform)
{
    FWatch = FPlatform.WatchDeviceChanges([this] { DeviceChanged(); });
    Enumerate();
}

THidDevices::~THidDevices()
{
    FWatch.reset();
    for (THidDevice* device : std::vector<THidDevice*>(FDevices)) device->FHidDevices = nullptr;
    FDevices.clear();
}

void THidDevices::Enumerate()
{
    FDeviceCount = 0;
    const std::vector<std::string> paths = FPlatform.EnumeratePaths();
    // A system with more than 127 HID interfaces keeps the first 127: device
    // numbers must fit the table, and a radio interface past them is not
    // found until others are unplugged.
    const std::size_t count = std::min<std::size_t>(paths.size(), MaxDevices);
    for (std::size_t i = 0; i < count; ++i) FDevicePathTable[i] = paths[i];
    for (std::size_t i = count; i < MaxDevices; ++i) FDevicePathTable[i].clear();
    FDeviceCount = static_cast<std::uint16_t>(count);
    // A device closed by its check may make its owner detach others.
    for (THidDevice* device : std::vector<THidDevice*>(FDevices))
        if (std::find(FDevices.begin(), FDevices.end(), device) != FDevices.end()) device->CheckPresent();
}

std::string THidDevices::DevicePath(int n) const
{
    if (n < 1 || n > FDeviceCount) return {};
    return FDevicePathTable[n - 1];
}

THidAttributes THidDevices::Attributes(int n)
{
    if (n < 1 || n > FDeviceCount) throw EUSBException(NotAvailable(n));
    THidAttributes attributes;
    switch (FPlatform.QueryAttributes(FDevicePathTable[n - 1], attributes)) {
    case THidQuery::Ok:
        return attributes;
    case THidQuery::OpenFailed:
        throw EUSBException(Translated("Could not open device %1", {std::to_string(n)}));
    case THidQuery::AttributesFailed:
        break;
    }
    return {};
}

std::uint16_t THidDevices::VendorId(int n)
{
    return Attributes(n).VendorID;
}

std::uint16_t THidDevices::ProductId(int n)
{
    return Attributes(n).ProductID;
}

void THidDevices::DeviceChanged()
{
    // Closing a vanished device serves the main loop, which may deliver the
    // next notice meanwhile: fold it into the run already going on.
    if (FInDeviceChange) {
        FChangedAgain = true;
        return;
    }
    FInDeviceChange = true;
    const std::uint16_t before = FDeviceCount;
    do {
        FChangedAgain = false;
        // One plug shows up as several system notices while the device
        // settles; enumerating ten times in a row lets the count come to rest.
        for (int i = 0; i < 10; ++i) Enumerate();
    } while (FChangedAgain);
    FInDeviceChange = false;
    if (FDeviceCount != before) OnDeviceChange(this);
}

void THidDevices::Attach(THidDevice* device)
{
    if (std::find(FDevices.begin(), FDevices.end(), device) == FDevices.end()) FDevices.push_back(device);
}

void THidDevices::Detach(THidDevice* device)
{
    Remove(FDevices, device);
}

// ---------------------------------------------------------------------------

THidThread::THidThread(THidDevice& device, std::unique_ptr<THidReadHandle> handle)
    : FHandle(std::move(handle))
    , FWorker([&device, reader = FHandle](TWorkerControl& control) {
        // The device is reached only until the stop begins.
        THidReport report;
        while (!control.Stopping()) {
            report = {};
            if (reader->Read(report) != THidRead::Report) break;
            control.HandOff([&] { device.DispatchReport(report); });
        }
    })
{
}

THidThread::~THidThread()
{
    Stop();
}

void THidThread::Stop()
{
    FWorker.Stop([this] { FHandle->Cancel(); });
}

// ---------------------------------------------------------------------------

THidDevice::~THidDevice()
{
    CloseDevice();
    SetHidDevices(nullptr);
    for (THidDataPort* port : FPorts) port->FHidDevice = nullptr;
}

void THidDevice::SetHidDevices(THidDevices* devices)
{
    if (devices == FHidDevices) return;
    if (FHidDevices) FHidDevices->Detach(this);
    FHidDevices = devices;
    if (FHidDevices) FHidDevices->Attach(this);
}

void THidDevice::OpenDevice(int n)
{
    CloseDevice();
    // Closing serves the main loop; a device notice may have re-opened it.
    CloseDevice();
    if (!FHidDevices) return;
    if (n < 1 || n > FHidDevices->DeviceCount()) throw EUSBException(NotAvailable(n));
    const std::string path = FHidDevices->DevicePath(n);
    int error = 0;
    std::unique_ptr<THidWriteHandle> writer = FHidDevices->Platform().OpenForWrite(path, error);
    if (!writer)
        throw EUSBException(
            Translated("Could not connect to device %1", {std::to_string(n)}) + SystemDetail(path, error));
    FDeviceNumber = n;
    FDevicePath = path;
    FWriteHandle = std::move(writer);
    // A device that cannot be read stays open for writing, without input.
    std::unique_ptr<THidReadHandle> reader = FHidDevices->Platform().OpenForRead(path, error);
    if (reader) FReader = std::make_unique<THidThread>(*this, std::move(reader));
    FOpened = true;
}

void THidDevice::CloseDevice()
{
    if (!FOpened) return;
    // Stopping the reader serves the main loop, which may run a device
    // notice that re-opens this device: leave it fully closed, and announce
    // it, before that can happen.
    FOpened = false;
    std::unique_ptr<THidThread> reader = std::move(FReader);
    std::unique_ptr<THidWriteHandle> writer = std::move(FWriteHandle);
    FDevicePath.clear();
    FDeviceNumber = 0;
    OnDisconnect(this);
    reader.reset(); // stops and waits for the reader
    writer.reset();
}

void THidDevice::WriteReport(std::uint8_t reportId, const THidData& data)
{
    std::vector<std::uint8_t> report;
    report.reserve(1 + data.size());
    report.push_back(reportId);
    report.insert(report.end(), data.begin(), data.end());
    WriteBytes(report);
}

void THidDevice::WriteBytes(const std::vector<std::uint8_t>& report)
{
    if (!FOpened || !FWriteHandle) throw EUSBException(Translated("The USB device is not connected."));
    const long written = FWriteHandle->Write(report);
    if (written == -ENODEV) {
        // The device was pulled out: a removal, not a fault to show.
        CloseDevice();
        return;
    }
    if (written < 0)
        throw EUSBException(
            Translated("Unable to write to the USB device.") + SystemDetail(FDevicePath, static_cast<int>(-written)));
    if (written < static_cast<long>(report.size()))
        throw EUSBException(Translated("Unable to write all bytes to the USB device."));
}

void THidDevice::CheckPresent()
{
    if (!FOpened || !FHidDevices) return;
    for (int n = 1; n <= FHidDevices->DeviceCount(); ++n) {
        if (FHidDevices->DevicePath(n) == FDevicePath) {
            FDeviceNumber = n;
            return;
        }
    }
    CloseDevice();
}

void THidDevice::Bind(THidDataPort* port)
{
    if (std::find(FPorts.begin(), FPorts.end(), port) == FPorts.end()) FPorts.push_back(port);
}

void THidDevice::Unbind(THidDataPort* port)
{
    Remove(FPorts, port);
}

void THidDevice::DispatchReport(const THidReport& report)
{
    if (!FOpened) return;
    OnHidData(this, report.ReportId, report.Data);
    for (THidDataPort* port : std::vector<THidDataPort*>(FPorts)) {
        if (!FOpened) return; // a subscriber closed the device
        if (std::find(FPorts.begin(), FPorts.end(), port) == FPorts.end()) continue;
        if (port->AcceptUSBData()) port->Accept(report.Data);
    }
}

// ---------------------------------------------------------------------------

THidDataPort::~THidDataPort()
{
    SetHidDevice(nullptr);
}

void THidDataPort::SetHidDevice(THidDevice* device)
{
    if (device == FHidDevice) return;
    if (FHidDevice) FHidDevice->Unbind(this);
    FHidDevice = device;
    if (FHidDevice) FHidDevice->Bind(this);
}

void THidDataPort::SetByte(int index, std::uint8_t value)
{
    if (index >= 0 && index < static_cast<int>(FBuffer.size())) FBuffer[index] = value;
}

std::uint8_t THidDataPort::GetByte(int index) const
{
    return index >= 0 && index < static_cast<int>(FBuffer.size()) ? FBuffer[index] : 0;
}

void THidDataPort::SendReport()
{
    if (!FHidDevice) throw EUSBException(Translated("There is no THidDevice connected to the THidDataPort."));
    FHidDevice->WriteReport(0, FBuffer);
}

void THidDataPort::Accept(const THidData& data)
{
    FBuffer = data;
    OnHidData(this);
}
