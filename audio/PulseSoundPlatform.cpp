#include "audio/PulseSoundPlatform.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "audio/PulseConnection.h"
#include "audio/PulseDevice.h"
#include "base/MainLoop.h"

namespace {
constexpr auto DeviceEvents =
    static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE);

bool IsSupported(const TWaveFormat& format)
{
    return IsPlainPCM(format) && format.SamplesPerSec > 0 && format.SamplesPerSec <= PA_RATE_MAX
        && format.Channels <= PA_CHANNELS_MAX;
}

// A sink or source as the list shows it, with the ALSA card behind it from
// the server's properties.
TSoundDeviceInfo DeviceOf(const char* name, const char* description, const pa_proplist* properties)
{
    TSoundDeviceInfo device;
    device.Name = name;
    device.Description = description ? description : name;
    if (const char* card = pa_proplist_gets(properties, "alsa.card")) device.AlsaCard = std::atoi(card);
    if (const char* path = pa_proplist_gets(properties, PA_PROP_DEVICE_BUS_PATH)) device.SysfsPath = path;
    if (const char* path = pa_proplist_gets(properties, "sysfs.path")) device.SysfsPath = path;
    return device;
}

struct TListQuery {
    TPulseConnection& Connection;
    std::vector<TSoundDeviceInfo> Devices;
};

void SinkListed(pa_context*, const pa_sink_info* info, int eol, void* query)
{
    auto& q = *static_cast<TListQuery*>(query);
    if (eol != 0 || !info) {
        q.Connection.Signal();
        return;
    }
    q.Devices.push_back(DeviceOf(info->name, info->description, info->proplist));
}

void SourceListed(pa_context*, const pa_source_info* info, int eol, void* query)
{
    auto& q = *static_cast<TListQuery*>(query);
    if (eol != 0 || !info) {
        q.Connection.Signal();
        return;
    }
    TSoundDeviceInfo device = DeviceOf(info->name, info->description, info->proplist);
    device.Monitor = info->monitor_of_sink != PA_INVALID_INDEX;
    q.Devices.push_back(std::move(device));
}

bool SameDevices(const std::vector<TSoundDeviceInfo>& a, const std::vector<TSoundDeviceInfo>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
        [](const auto& x, const auto& y) { return x.Name == y.Name && x.Description == y.Description; });
}
} // namespace

std::unique_ptr<TPulseSoundPlatform> TPulseSoundPlatform::Connect(
    const std::string& playbackStreamName, const std::string& captureStreamName)
{
    std::unique_ptr<TPulseSoundPlatform> platform(new TPulseSoundPlatform(playbackStreamName, captureStreamName));
    {
        TPulseConnection::TLock lock(*platform->FConnection);
        if (!platform->EnsureConnected()) return nullptr;
    }
    platform->Refresh();
    return platform;
}

TPulseSoundPlatform::TPulseSoundPlatform(const std::string& playbackStreamName, const std::string& captureStreamName)
    : TSoundPlatform("sound server")
    , FStreamNames {playbackStreamName, captureStreamName}
    , FConnection(std::make_unique<TPulseConnection>("Parlet"))
    , FAlive(std::make_shared<bool>(true))
{
    FConnection->OnEvent = [this](pa_subscription_event_type_t type, std::uint32_t) { ServerEvent(type); };
}

TPulseSoundPlatform::~TPulseSoundPlatform()
{
    // The event thread stops first, so nothing is posted after this.
    FConnection.reset();
    *FAlive = false;
}

bool TPulseSoundPlatform::EnsureConnected()
{
    if (FConnection->Connected()) return true;
    if (!FConnection->Connect(DeviceEvents)) return false;
    // A server that came back may have other devices.
    ServerEvent(PA_SUBSCRIPTION_EVENT_CHANGE);
    return true;
}

void TPulseSoundPlatform::ServerEvent(pa_subscription_event_type_t)
{
    // Many events come in a burst (a card brings a sink, a source and a
    // monitor): one refresh on the main thread answers them all.
    if (FRefreshPosted.exchange(true)) return;
    TMainLoop::Current().Post([this, alive = FAlive] {
        if (!*alive) return;
        FRefreshPosted = false;
        Refresh();
    });
}

void TPulseSoundPlatform::Refresh()
{
    TListQuery sinks {*FConnection, {}};
    TListQuery sources {*FConnection, {}};
    {
        TPulseConnection::TLock lock(*FConnection);
        if (FConnection->Connected()) {
            FConnection->Wait(pa_context_get_sink_info_list(FConnection->Context(), SinkListed, &sinks));
            FConnection->Wait(pa_context_get_source_info_list(FConnection->Context(), SourceListed, &sources));
        }
    }
    std::stable_partition(
        sources.Devices.begin(), sources.Devices.end(), [](const TSoundDeviceInfo& d) { return !d.Monitor; });
    auto& playback = FDevices[DirectionIndex(TWaveDirection::Playback)];
    auto& capture = FDevices[DirectionIndex(TWaveDirection::Capture)];
    if (SameDevices(playback, sinks.Devices) && SameDevices(capture, sources.Devices)) return;
    playback = std::move(sinks.Devices);
    capture = std::move(sources.Devices);
    OnChange(this);
}

std::vector<TSoundDeviceInfo> TPulseSoundPlatform::Devices(TWaveDirection direction) const
{
    return FDevices[DirectionIndex(direction)];
}

TWaveResult TPulseSoundPlatform::QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format)
{
    if (const TWaveResult result = ValidateDevice(direction, deviceId)) return result;
    return IsSupported(format) ? wrNoError : EINVAL;
}

TWaveResult TPulseSoundPlatform::Open(TWaveDirection direction, int deviceId, const TWaveFormat& format,
    TSoundNoticeSink& sink, std::unique_ptr<TSoundDevice>& device)
{
    if (const TWaveResult result = QueryFormat(direction, deviceId, format)) return result;
    std::unique_ptr<TPulseDevice> opened;
    TWaveResult result = wrNoError;
    {
        TPulseConnection::TLock lock(*FConnection);
        if (!EnsureConnected()) return ECONNREFUSED;
        opened = std::make_unique<TPulseDevice>(*this, *FConnection, direction, format,
            FStreamNames[DirectionIndex(direction)], ChosenDevice(direction), sink, result);
    }
    // A device that did not open is destroyed unlocked: its destructor locks.
    if (result != wrNoError) return result;
    device = std::move(opened);
    return wrNoError;
}

TWaveResult TPulseSoundPlatform::ValidateDevice(TWaveDirection, int deviceId)
{
    return deviceId == -1 ? wrNoError : ENODEV;
}

std::string TPulseSoundPlatform::ErrorText(TWaveResult code) const
{
    return std::strerror(static_cast<int>(code));
}
