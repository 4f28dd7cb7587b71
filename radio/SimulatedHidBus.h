#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HidPlatform.h"
#include "SoundCardLink.h"

// A HID bus for tests. A test plugs and unplugs devices with any ids (each
// plug or unplug posts a device-change notice to the main loop, as the system
// would), feeds input reports to the devices' open readers, and reads back the
// output reports written to them. Writes, opens and id queries can be made to
// fail. Each device sits on a USB device of its own, which a sound card may
// share. Safe to use from the test thread while reader threads wait.
class TSimulatedHidBus : public THidPlatform, public TSoundCardLink {
public:
    TSimulatedHidBus();
    ~TSimulatedHidBus() override;

    // Returns the new device's path. Devices are listed in plugging order.
    std::string Plug(std::uint16_t vendorId, std::uint16_t productId);
    // The HID part of a USB sound card that the output device name
    // soundCard stands for.
    std::string PlugSoundCard(std::uint16_t vendorId, std::uint16_t productId, const std::string& soundCard);
    // Open readers of the device fail (ENODEV), as do later writes.
    void Unplug(const std::string& path);
    // Delivered to the device's open readers (lost if none is open).
    void FeedInput(const std::string& path, std::uint8_t reportId, const THidData& data);

    // Every output report written to the device, report id first.
    std::vector<std::vector<std::uint8_t>> Written(const std::string& path) const;
    void ClearWritten(const std::string& path);

    // Writes fail with the error number (0 clears).
    void FailWrites(const std::string& path, int error);
    // Writes report fewer bytes than given (0 clears).
    void ShortWrites(const std::string& path, long bytesWritten);
    // Opening the device fails with the error number (0 clears).
    void FailOpen(const std::string& path, int error);
    // The device opens but its ids cannot be read.
    void FailAttributes(const std::string& path, bool fail);

    // Runs on the writing thread inside every write, after it was recorded;
    // lets a test act while an output report is being written.
    std::function<void(const std::string& path, const std::vector<std::uint8_t>& report)> OnWrite;

    // Readers open on the device now (a closed device leaves none behind).
    int OpenReaders(const std::string& path) const;
    // Write handles open on the device now.
    int OpenWriters(const std::string& path) const;
    // Every open reader of the device is blocked in a read with nothing
    // queued: each fed report has been taken and handed over.
    bool InputIdle(const std::string& path) const;

    std::vector<std::string> EnumeratePaths() override;
    THidQuery QueryAttributes(const std::string& path, THidAttributes& attributes) override;
    std::unique_ptr<THidWriteHandle> OpenForWrite(const std::string& path, int& error) override;
    std::unique_ptr<THidReadHandle> OpenForRead(const std::string& path, int& error) override;
    std::unique_ptr<THidWatch> WatchDeviceChanges(std::function<void()> notice) override;
    std::string UsbDeviceOfHid(const std::string& hidPath) override;
    std::string UsbDeviceOfSoundCard(const std::string& outputDevice) override;

    struct TState;

private:
    void NotifyChange();

    std::shared_ptr<TState> FState;
};
