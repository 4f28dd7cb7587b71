#include "audio/SimulatedDeviceList.h"

#include <algorithm>

std::vector<TSoundDeviceInfo> TSimulatedDeviceList::Devices(TWaveDirection direction) const
{
    return FDevices[DirectionIndex(direction)];
}

void TSimulatedDeviceList::Add(TWaveDirection direction, const TSoundDeviceInfo& device)
{
    auto& devices = FDevices[DirectionIndex(direction)];
    auto it = std::find_if(devices.begin(), devices.end(), [&](const auto& d) { return d.Name == device.Name; });
    if (it != devices.end())
        *it = device;
    else
        devices.push_back(device);
    // Monitors last, as the back ends list them.
    std::stable_partition(devices.begin(), devices.end(), [](const auto& d) { return !d.Monitor; });
    OnChange(this);
}

void TSimulatedDeviceList::Remove(TWaveDirection direction, const std::string& name)
{
    std::erase_if(FDevices[DirectionIndex(direction)], [&](const auto& d) { return d.Name == name; });
    OnChange(this);
}
