#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "audio/WaveUtils.h"

class TSoundDeviceList;

// The sound device interface under the audio streams: query a format, open a
// device, hand buffers over, start, reset, close, error texts and device
// numbers. A back end delivers every notice of an open device on the main
// thread (posted to TMainLoop or run from its timers), one at a time and in
// order: opened, then one BufferDone per submitted buffer in submission
// order, then closed. A device that fails for good (unplugged, its sound
// server gone) says so once with DeviceFailed, between those notices.
//
// Device numbers: -1 is the default device, or the device chosen by name
// with ChooseDevice; what n >= 0 means is up to the back end (see each one).
// A chosen device that is not there is never replaced by another: opening
// it fails with ENODEV until it appears.
//
// Result codes: 0 is success; anything else is a positive errno-style number
// (an ALSA error negated), whose text ErrorText gives.

using TWaveResult = std::uint32_t;
constexpr TWaveResult wrNoError = 0;

enum class TWaveDirection { Playback, Capture };

// Where a direction sits in a back end's per-direction arrays.
inline std::size_t DirectionIndex(TWaveDirection direction)
{
    return direction == TWaveDirection::Playback ? 0 : 1;
}

// "playback" or "capture", for messages.
inline const char* DirectionName(TWaveDirection direction)
{
    return direction == TWaveDirection::Playback ? "playback" : "capture";
}

// One buffer handed to a device (the wave header). The stream owns it and its
// data; the device only uses it between Submit and its BufferDone notice.
struct TWaveBuffer {
    std::uint8_t* Data = nullptr;
    // Playback: the bytes to play. Capture: the room at Data.
    std::uint32_t BufferLength = 0;
    // Capture: the bytes recorded, set by the device before BufferDone.
    std::uint32_t BytesRecorded = 0;
    // Reserved for the device while the buffer is queued there.
    TWaveBuffer* DeviceNext = nullptr;
};

// Appends a submitted buffer to a device's queue, linked through DeviceNext.
inline void AppendToDeviceQueue(TWaveBuffer*& head, TWaveBuffer*& tail, TWaveBuffer& buffer)
{
    buffer.DeviceNext = nullptr;
    buffer.BytesRecorded = 0;
    if (tail)
        tail->DeviceNext = &buffer;
    else
        head = &buffer;
    tail = &buffer;
}

// Where an open device's notices go. Called on the main thread only.
class TSoundNoticeSink {
public:
    virtual void DeviceOpened() = 0;
    // A buffer played, recorded, or returned by Reset.
    virtual void BufferDone(TWaveBuffer* buffer) = 0;
    // The device closed; no further notice follows.
    virtual void DeviceClosed() = 0;
    // The device is gone and plays or records nothing more. It keeps the
    // buffers it holds until Reset returns them; Close works as usual and
    // its closed notice comes without waiting for playback to be heard.
    virtual void DeviceFailed(TWaveResult code) = 0;

protected:
    ~TSoundNoticeSink() = default;
};

// An open device (the device handle). Destroying it stops its work at once;
// no notice arrives after its destructor has returned.
class TSoundDevice {
public:
    TSoundDevice() = default;
    TSoundDevice(const TSoundDevice&) = delete;
    TSoundDevice& operator=(const TSoundDevice&) = delete;
    virtual ~TSoundDevice() = default;

    // Queue a buffer: playback plays it after those already queued, capture
    // fills it after those already queued.
    virtual TWaveResult Submit(TWaveBuffer& buffer) = 0;
    // Capture: start recording into the queued buffers. Playback starts with
    // the first submitted buffer and needs no start.
    virtual TWaveResult Start() = 0;
    // Stop, and return every queued buffer through BufferDone (capture: the
    // one being filled with what was recorded so far, the others empty).
    virtual TWaveResult Reset() = 0;
    // Close; refused (EBUSY) while buffers are still queued. The closed notice
    // follows once playback has been heard to its end.
    virtual TWaveResult Close() = 0;
};

class TSoundPlatform {
public:
    // The back end as users know it ("sound server", "ALSA"), for messages.
    explicit TSoundPlatform(std::string backEndName)
        : FBackEndName(std::move(backEndName))
    {
    }
    TSoundPlatform(const TSoundPlatform&) = delete;
    TSoundPlatform& operator=(const TSoundPlatform&) = delete;
    virtual ~TSoundPlatform() = default;

    // Can this device take this format? Opens nothing that stays open.
    virtual TWaveResult QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format) = 0;
    // Open the device; on success `device` holds it and the opened notice
    // is on its way to `sink`. `sink` must outlive the device.
    virtual TWaveResult Open(TWaveDirection direction, int deviceId, const TWaveFormat& format, TSoundNoticeSink& sink,
        std::unique_ptr<TSoundDevice>& device) = 0;
    // Does this device number name a device?
    virtual TWaveResult ValidateDevice(TWaveDirection direction, int deviceId) = 0;
    // The back end's own text for a result code ("" if it has none).
    virtual std::string ErrorText(TWaveResult code) const = 0;
    const std::string& BackEndName() const { return FBackEndName; }

    // The devices that can be chosen by name; nullptr when this back end
    // offers no choice.
    virtual TSoundDeviceList* DeviceList() { return nullptr; }
    // Device -1 of that direction opens the device of this name from
    // DeviceList() from the next open on; "" is the system default. A back
    // end without a list knows no names.
    void ChooseDevice(TWaveDirection direction, const std::string& name) { FChosen[DirectionIndex(direction)] = name; }
    const std::string& ChosenDevice(TWaveDirection direction) const { return FChosen[DirectionIndex(direction)]; }

private:
    std::string FChosen[2];
    std::string FBackEndName;
};
