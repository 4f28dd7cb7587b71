#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "HidPlatform.h"
#include "base/Event.h"
#include "base/Exceptions.h"
#include "base/Object.h"
#include "base/WorkerThread.h"

// The error of the HID layer (message only).
class EUSBException : public Exception {
public:
    using Exception::Exception;
};

using THidDataEvent = TEvent<TObject*, std::uint8_t, const THidData&>;

class THidDevice;
class THidDataPort;

// The HID device interfaces of the system, numbered 1 to 127 by the last
// enumeration, and the watch for devices arriving and leaving.
class THidDevices : public TObject {
public:
    static constexpr int MaxDevices = 127;

    // Installs the device-change watch and enumerates once.
    explicit THidDevices(THidPlatform& platform);
    // Removes the watch and detaches every attached device.
    ~THidDevices() override;

    // Rebuilds the path table, then lets every attached device check that it
    // is still present.
    void Enumerate();
    std::uint16_t DeviceCount() const { return FDeviceCount; }
    // Path of device N (1-based); empty when N is not listed.
    std::string DevicePath(int n) const;
    // Ids of device N, 0 when they cannot be read. N not listed raises
    // "Device N is not available."; a failing open "Could not open device N".
    std::uint16_t VendorId(int n);
    std::uint16_t ProductId(int n);

    THidPlatform& Platform() { return FPlatform; }

    // Raised after a device change that changed DeviceCount.
    TNotifyEvent OnDeviceChange;

private:
    friend class THidDevice;
    void Attach(THidDevice* device);
    void Detach(THidDevice* device);
    void DeviceChanged();
    THidAttributes Attributes(int n);

    THidPlatform& FPlatform;
    std::array<std::string, MaxDevices> FDevicePathTable;
    std::uint16_t FDeviceCount = 0;
    std::vector<THidDevice*> FDevices; // attached, not owned
    std::unique_ptr<THidWatch> FWatch;
    bool FInDeviceChange = false;
    bool FChangedAgain = false;
};

// The reader of an open device: it waits for input reports and hands each to
// the main thread synchronously.
class THidThread {
public:
    THidThread(THidDevice& device, std::unique_ptr<THidReadHandle> handle);
    // Stops the thread (see Stop).
    ~THidThread();

    // Main thread: set the stop flag, cancel the blocked read and wait for
    // the thread; the wait keeps serving hand-offs, so no deadlock.
    void Stop();

private:
    std::shared_ptr<THidReadHandle> FHandle; // shared with the reader, which may outlive a stop by a moment
    TWorkerThread FWorker;
};

// One opened HID device: writes output reports and reads input reports on
// its reader thread.
class THidDevice : public TObject {
public:
    THidDevice() = default;
    // Closes the device, detaches from its list and unbinds every port.
    ~THidDevice() override;

    THidDevices* HidDevices() const { return FHidDevices; }
    // Detaches from the old list and attaches to the new one (or none).
    void SetHidDevices(THidDevices* devices);

    // Closes any open device first (with its OnDisconnect), then opens device
    // N of the list and starts its reader.
    void OpenDevice(int n);
    // Stops the reader, closes and raises OnDisconnect. Nothing if closed.
    void CloseDevice();
    bool Opened() const { return FOpened; }
    int DeviceNumber() const { return FDeviceNumber; }
    const std::string& DevicePath() const { return FDevicePath; }

    // Writes report id and the 8 bytes as one 9-byte report.
    void WriteReport(std::uint8_t reportId, const THidData& data);
    // Writes a report of any length as it stands, report id first.
    void WriteBytes(const std::vector<std::uint8_t>& report);
    // If open: take the device's number in the current table, or close it
    // when its path is no longer listed.
    void CheckPresent();

    TNotifyEvent OnDisconnect;
    THidDataEvent OnHidData;

private:
    friend class THidDevices;
    friend class THidDataPort;
    friend class THidThread;
    void Bind(THidDataPort* port);
    void Unbind(THidDataPort* port);
    // Main thread: one input report from the reader.
    void DispatchReport(const THidReport& report);

    THidDevices* FHidDevices = nullptr;
    bool FOpened = false;
    int FDeviceNumber = 0;
    std::string FDevicePath;
    std::unique_ptr<THidWriteHandle> FWriteHandle;
    std::unique_ptr<THidThread> FReader;
    std::vector<THidDataPort*> FPorts; // bound, not owned
};

// An 8-byte report buffer bound to a device: the last accepted input report
// and the next output report.
class THidDataPort : public TObject {
public:
    THidDataPort() = default;
    ~THidDataPort() override;

    THidDevice* HidDevice() const { return FHidDevice; }
    // Unbinds from the old device and binds to the new one (or none).
    void SetHidDevice(THidDevice* device);

    // Indices outside 0..7 are ignored (SetByte) or read as 0 (GetByte).
    void SetByte(int index, std::uint8_t value);
    std::uint8_t GetByte(int index) const;
    const THidData& Buffer() const { return FBuffer; }
    // Writes the buffer to the device as report 0.
    void SendReport();

    // While false, input reports do not reach this port.
    bool AcceptUSBData() const { return FAcceptUSBData; }
    void SetAcceptUSBData(bool accept) { FAcceptUSBData = accept; }

    // Raised after an input report was copied into the buffer.
    TNotifyEvent OnHidData;

private:
    friend class THidDevice;
    void Accept(const THidData& data);

    THidDevice* FHidDevice = nullptr;
    THidData FBuffer {};
    bool FAcceptUSBData = true;
};
