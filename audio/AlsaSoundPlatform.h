#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/AlsaDeviceList.h"
#include "audio/SoundPlatform.h"

// The ALSA back end. Device -1 is ALSA's "default" PCM (on a desktop it goes
// through PipeWire or PulseAudio), or with a card chosen by its stable name
// "plughw:CARD=<name>"; device n >= 0 is "plughw:n", the first PCM of sound
// card n. ALSA's plug layer converts format and rate.
//
// Each open device runs one worker thread that plays or records the
// submitted buffers in order and posts each finished one to the main loop.
// Underruns and overruns are recovered and counted, not fatal. Result codes
// are ALSA's error numbers negated, and ErrorText is ALSA's own text for
// them. The parameters negotiated are logged on stderr once per open. A PCM
// that fails beyond recovery (device unplugged, sound server gone) is
// reported to its stream as a failure notice.
class TAlsaSoundPlatform : public TSoundPlatform {
public:
    // Makes ALSA write each of its own diagnostics once (a lost device is
    // tried again every second).
    TAlsaSoundPlatform();

    TWaveResult QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format) override;
    TWaveResult Open(TWaveDirection direction, int deviceId, const TWaveFormat& format, TSoundNoticeSink& sink,
        std::unique_ptr<TSoundDevice>& device) override;
    TWaveResult ValidateDevice(TWaveDirection direction, int deviceId) override;
    std::string ErrorText(TWaveResult code) const override;
    // The sound cards, read (and watched) from the first call on.
    TSoundDeviceList* DeviceList() override;

    // The ALSA PCM name of a device number.
    std::string DeviceName(TWaveDirection direction, int deviceId) const;

    // Recovered since this platform was made, over all its devices.
    std::uint64_t Underruns() const { return FUnderruns; }
    std::uint64_t Overruns() const { return FOverruns; }

private:
    friend class TAlsaDevice;
    bool ChosenCardPresent(TWaveDirection direction, int deviceId) const;
    std::atomic<std::uint64_t> FUnderruns {0};
    std::atomic<std::uint64_t> FOverruns {0};
    std::unique_ptr<TAlsaDeviceList> FDevices;
};
