#pragma once

#include "HidPlatform.h"

// HID interfaces through libudev (the hidraw subsystem) and /dev/hidraw*:
// ids from HIDIOCGRAWINFO, reports read and written on the device node, a
// blocked read cancelled through poll on a wake-up descriptor, and a udev
// monitor whose add and remove events are posted to the main loop.
class TLinuxHidPlatform : public THidPlatform {
public:
    std::vector<std::string> EnumeratePaths() override;
    THidQuery QueryAttributes(const std::string& path, THidAttributes& attributes) override;
    std::unique_ptr<THidWriteHandle> OpenForWrite(const std::string& path, int& error) override;
    std::unique_ptr<THidReadHandle> OpenForRead(const std::string& path, int& error) override;
    std::unique_ptr<THidWatch> WatchDeviceChanges(std::function<void()> notice) override;
};
