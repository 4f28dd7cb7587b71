#include "HidDevices.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/MainLoop.h"

namespace {

std::string NotAvailable(int n)
{
    return "Device " + std::to_string(n) + " is not available.";
}

// The path and the system's error, so an operator can fix access rights.
std::string SystemDetail(const std::string& path, int error)
{
    return " (" + path + ": error " + std::to_string(error) + ", " + std::strerror(error) + ")";
}

template <typename T>
void Remove(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

// ---------------------------------------------------------------------------

THidDevices::THidDevices(THidPlatform& platform) : platform_(platform)
{
    watch_ = platform_.WatchDeviceChanges([this] { DeviceChanged(); });
    Enumerate();
}

THidDevices::~THidDevices()
{
    watch_.reset();
    for (THidDevice* device : std::vector<THidDevice*>(devices_)) device->hidDevices_ = nullptr;
    devices_.clear();
}

void THidDevices::Enumerate()
{
    deviceCount_ = 0;
    const std::vector<std::string> paths = platform_.EnumeratePaths();
    // A system with more than 127 HID interfaces keeps the first 127: device
    // numbers must fit the table, and a radio interface past them is not
    // found until others are unplugged.
    const std::size_t count = std::min<std::size_t>(paths.size(), MaxDevices);
    for (std::size_t i = 0; i < count; ++i) devicePathTable_[i] = paths[i];
    for (std::size_t i = count; i < MaxDevices; ++i) devicePathTable_[i].clear();
    deviceCount_ = static_cast<std::uint16_t>(count);
    // A device closed by its check may make its owner detach others.
    for (THidDevice* device : std::vector<THidDevice*>(devices_))
        if (std::find(devices_.begin(), devices_.end(), device) != devices_.end()) device->CheckPresent();
}

std::string THidDevices::DevicePath(int n) const
{
    if (n < 1 || n > deviceCount_) return {};
    return devicePathTable_[n - 1];
}

THidAttributes THidDevices::Attributes(int n)
{
    if (n < 1 || n > deviceCount_) throw EUSBException(NotAvailable(n));
    THidAttributes attributes;
    switch (platform_.QueryAttributes(devicePathTable_[n - 1], attributes)) {
    case THidQuery::Ok: return attributes;
    case THidQuery::OpenFailed: throw EUSBException("Could not open device " + std::to_string(n));
    case THidQuery::AttributesFailed: break;
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
    if (inDeviceChange_) {
        changedAgain_ = true;
        return;
    }
    inDeviceChange_ = true;
    const std::uint16_t before = deviceCount_;
    do {
        changedAgain_ = false;
        // One plug shows up as several system notices while the device
        // settles; enumerating ten times in a row lets the count come to rest.
        for (int i = 0; i < 10; ++i) Enumerate();
    } while (changedAgain_);
    inDeviceChange_ = false;
    if (deviceCount_ != before) OnDeviceChange(this);
}

void THidDevices::Attach(THidDevice* device)
{
    if (std::find(devices_.begin(), devices_.end(), device) == devices_.end()) devices_.push_back(device);
}

void THidDevices::Detach(THidDevice* device)
{
    Remove(devices_, device);
}

// ---------------------------------------------------------------------------

THidThread::THidThread(THidDevice& device, std::unique_ptr<THidReadHandle> handle)
    : handle_(std::move(handle)),
      worker_([&device, reader = handle_](TWorkerControl& control) {
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
    worker_.Stop([this] { handle_->Cancel(); });
}

// ---------------------------------------------------------------------------

THidDevice::~THidDevice()
{
    CloseDevice();
    SetHidDevices(nullptr);
    for (THidDataPort* port : ports_) port->hidDevice_ = nullptr;
}

void THidDevice::SetHidDevices(THidDevices* devices)
{
    if (devices == hidDevices_) return;
    if (hidDevices_) hidDevices_->Detach(this);
    hidDevices_ = devices;
    if (hidDevices_) hidDevices_->Attach(this);
}

void THidDevice::OpenDevice(int n)
{
    CloseDevice();
    // Closing serves the main loop; a device notice may have re-opened it.
    CloseDevice();
    if (!hidDevices_) return;
    if (n < 1 || n > hidDevices_->DeviceCount()) throw EUSBException(NotAvailable(n));
    const std::string path = hidDevices_->DevicePath(n);
    int error = 0;
    std::unique_ptr<THidWriteHandle> writer = hidDevices_->Platform().OpenForWrite(path, error);
    if (!writer) throw EUSBException("Could not connect to device " + std::to_string(n) + SystemDetail(path, error));
    deviceNumber_ = n;
    devicePath_ = path;
    writeHandle_ = std::move(writer);
    // A device that cannot be read stays open for writing, without input.
    std::unique_ptr<THidReadHandle> reader = hidDevices_->Platform().OpenForRead(path, error);
    if (reader) reader_ = std::make_unique<THidThread>(*this, std::move(reader));
    opened_ = true;
}

void THidDevice::CloseDevice()
{
    if (!opened_) return;
    // Stopping the reader serves the main loop, which may run a device
    // notice that re-opens this device: leave it fully closed, and announce
    // it, before that can happen.
    opened_ = false;
    std::unique_ptr<THidThread> reader = std::move(reader_);
    std::unique_ptr<THidWriteHandle> writer = std::move(writeHandle_);
    devicePath_.clear();
    deviceNumber_ = 0;
    OnDisconnect(this);
    reader.reset(); // stops and waits for the reader
    writer.reset();
}

void THidDevice::WriteReport(std::uint8_t reportId, const THidData& data)
{
    if (!opened_ || !writeHandle_) throw EUSBException("The USB device is not connected.");
    std::vector<std::uint8_t> report;
    report.reserve(1 + data.size());
    report.push_back(reportId);
    report.insert(report.end(), data.begin(), data.end());
    const long written = writeHandle_->Write(report);
    if (written == -ENODEV) {
        // The device was pulled out: a removal, not a fault to show.
        CloseDevice();
        return;
    }
    if (written < 0)
        throw EUSBException("Unable to write to the USB device." + SystemDetail(devicePath_, static_cast<int>(-written)));
    if (written < static_cast<long>(report.size())) throw EUSBException("Unable to write all bytes to the USB device.");
}

void THidDevice::CheckPresent()
{
    if (!opened_ || !hidDevices_) return;
    for (int n = 1; n <= hidDevices_->DeviceCount(); ++n) {
        if (hidDevices_->DevicePath(n) == devicePath_) {
            deviceNumber_ = n;
            return;
        }
    }
    CloseDevice();
}

void THidDevice::Bind(THidDataPort* port)
{
    if (std::find(ports_.begin(), ports_.end(), port) == ports_.end()) ports_.push_back(port);
}

void THidDevice::Unbind(THidDataPort* port)
{
    Remove(ports_, port);
}

void THidDevice::DispatchReport(const THidReport& report)
{
    if (!opened_) return;
    OnHidData(this, report.ReportId, report.Data);
    for (THidDataPort* port : std::vector<THidDataPort*>(ports_)) {
        if (!opened_) return; // a subscriber closed the device
        if (std::find(ports_.begin(), ports_.end(), port) == ports_.end()) continue;
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
    if (device == hidDevice_) return;
    if (hidDevice_) hidDevice_->Unbind(this);
    hidDevice_ = device;
    if (hidDevice_) hidDevice_->Bind(this);
}

void THidDataPort::SetByte(int index, std::uint8_t value)
{
    if (index >= 0 && index < static_cast<int>(buffer_.size())) buffer_[index] = value;
}

std::uint8_t THidDataPort::GetByte(int index) const
{
    return index >= 0 && index < static_cast<int>(buffer_.size()) ? buffer_[index] : 0;
}

void THidDataPort::SendReport()
{
    if (!hidDevice_) throw EUSBException("There is no THidDevice connected to the THidDataPort.");
    hidDevice_->WriteReport(0, buffer_);
}

void THidDataPort::Accept(const THidData& data)
{
    buffer_ = data;
    OnHidData(this);
}
