#pragma once

#include <optional>
#include <string>
#include <vector>

#include "audio/SoundPlatform.h"
#include "base/Event.h"

// One device a user can choose, as a back end lists it.
struct TSoundDeviceInfo {
    // What the choice stores: the sound server's sink or source name, or
    // ALSA's stable card name (the CARD= name).
    std::string Name;
    // What the user sees.
    std::string Description;
    // A capture device that is the monitor of a playback device.
    bool Monitor = false;
    // The ALSA card behind the device and its sysfs path, when known (-1
    // and "" otherwise): which USB sound card a device is.
    int AlsaCard = -1;
    std::string SysfsPath;
};

// The devices of a back end by direction, kept up to date while devices are
// plugged and pulled. Lives on the main thread: Devices is read there and
// OnChange is raised there.
class TSoundDeviceList : public TObject {
public:
    // Playback: the sinks or cards. Capture: the sources or cards, monitors
    // of sinks last.
    virtual std::vector<TSoundDeviceInfo> Devices(TWaveDirection direction) const = 0;

    std::optional<TSoundDeviceInfo> Find(TWaveDirection direction, const std::string& name) const
    {
        for (const TSoundDeviceInfo& device : Devices(direction))
            if (device.Name == name) return device;
        return std::nullopt;
    }

    // A device came or went.
    TNotifyEvent OnChange;
};
