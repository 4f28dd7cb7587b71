#pragma once

#include <string>
#include <vector>

#include "audio/SoundDeviceList.h"

// A device list for tests: a test adds and removes devices by direction, and
// each change raises OnChange at once.
class TSimulatedDeviceList final : public TSoundDeviceList {
public:
    std::vector<TSoundDeviceInfo> Devices(TWaveDirection direction) const override;

    // A device of that name already listed is replaced.
    void Add(TWaveDirection direction, const TSoundDeviceInfo& device);
    void Remove(TWaveDirection direction, const std::string& name);

private:
    std::vector<TSoundDeviceInfo> FDevices[2];
};
