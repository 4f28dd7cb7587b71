#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pulse/pulseaudio.h>

#include "audio/SoundDeviceList.h"
#include "audio/SoundPlatform.h"

class TPulseConnection;

// The sound server back end (PulseAudio, or PipeWire through its PulseAudio
// interface), through the server's own client library. Device -1 is the
// server's default sink or source, or the one chosen by its name; other
// numbers name nothing. A stream on a chosen device is never moved to
// another one: when its device is removed the stream fails and is reported
// lost. Each stream carries the name given for its direction, so desktop
// mixers show it and the server remembers where the user routed it.
//
// Result codes are errno numbers (ENODEV: no such sink or source,
// ECONNREFUSED: no server), and ErrorText is the system's text for them.
// A server that went away is connected to again on the next open.
class TPulseSoundPlatform : public TSoundPlatform, public TSoundDeviceList {
public:
    // nullptr when no sound server answers.
    static std::unique_ptr<TPulseSoundPlatform> Connect(
        const std::string& playbackStreamName, const std::string& captureStreamName);
    ~TPulseSoundPlatform() override;

    TWaveResult QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format) override;
    TWaveResult Open(TWaveDirection direction, int deviceId, const TWaveFormat& format, TSoundNoticeSink& sink,
        std::unique_ptr<TSoundDevice>& device) override;
    TWaveResult ValidateDevice(TWaveDirection direction, int deviceId) override;
    std::string ErrorText(TWaveResult code) const override;
    TSoundDeviceList* DeviceList() override { return this; }

    std::vector<TSoundDeviceInfo> Devices(TWaveDirection direction) const override;

    // Counted since this platform was made, over all its streams.
    std::uint64_t Underruns() const { return FUnderruns; }
    std::uint64_t Overruns() const { return FOverruns; }

private:
    friend class TPulseDevice;
    TPulseSoundPlatform(const std::string& playbackStreamName, const std::string& captureStreamName);
    // Locked: connect if the server is not connected.
    bool EnsureConnected();
    // Event thread: a sink or source came, went or changed.
    void ServerEvent(pa_subscription_event_type_t type);
    // Main thread: read both lists from the server and raise OnChange if
    // they differ from what was known.
    void Refresh();

    const std::string FStreamNames[2];
    std::unique_ptr<TPulseConnection> FConnection;
    std::vector<TSoundDeviceInfo> FDevices[2]; // main thread
    std::shared_ptr<bool> FAlive; // main thread: false once destroyed
    std::atomic<bool> FRefreshPosted {false};
    std::atomic<std::uint64_t> FUnderruns {0};
    std::atomic<std::uint64_t> FOverruns {0};
};
