#pragma once

#include <memory>
#include <thread>
#include <vector>

#include "audio/SoundDeviceList.h"

struct udev;
struct udev_monitor;

// ALSA's sound cards as devices to choose, by their stable names (the CARD=
// name, which does not change with the order the cards were plugged in),
// each in the directions its first PCM plays or records. A udev watch on
// the sound subsystem refreshes the list when a card comes or goes.
class TAlsaDeviceList final : public TSoundDeviceList {
public:
    TAlsaDeviceList();
    ~TAlsaDeviceList() override;

    std::vector<TSoundDeviceInfo> Devices(TWaveDirection direction) const override;

private:
    void Refresh();
    void Watch();

    std::vector<TSoundDeviceInfo> FDevices[2];
    std::shared_ptr<bool> FAlive; // main thread: false once destroyed
    udev* FUdev = nullptr;
    udev_monitor* FMonitor = nullptr;
    int FWakeFd = -1;
    std::thread FWatcher;
};
