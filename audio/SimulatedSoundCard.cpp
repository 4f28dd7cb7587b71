#include "audio/SimulatedSoundCard.h"

#include <cerrno>
#include <cstring>

#include "audio/SignalHistory.h"
#include "audio/SimulatedClock.h"
#include "audio/SimulatedDevices.h"
#include "base/MainLoop.h"

std::int64_t SimulatedClock::NowTicks()
{
    return TMainLoop::Current().NowUs() * 882 / 125;
}

TSimulatedSoundCard::TSimulatedSoundCard(int deviceCount)
    : TSoundPlatform("simulated sound card")
    , FDeviceCount(deviceCount)
    , FOutput(std::make_unique<TSignalHistory>())
{
}

// Here, where TSignalHistory is complete.
TSimulatedSoundCard::~TSimulatedSoundCard() = default;

TWaveResult TSimulatedSoundCard::CheckDevice(TWaveDirection direction, int deviceId) const
{
    if (deviceId == -1 && !ChosenDevice(direction).empty() && !FNamed.Find(direction, ChosenDevice(direction)))
        return ENODEV;
    return deviceId >= -1 && deviceId < FDeviceCount && !FUnplugged[DirectionIndex(direction)] ? wrNoError : ENODEV;
}

void TSimulatedSoundCard::AddNamed(TWaveDirection direction, const TSoundDeviceInfo& device)
{
    FNamed.Add(direction, device);
}

void TSimulatedSoundCard::RemoveNamed(TWaveDirection direction, const std::string& name)
{
    FNamed.Remove(direction, name);
    const auto open = FOpenIds[DirectionIndex(direction)];
    if (!open || *open != -1 || ChosenDevice(direction) != name) return;
    if (direction == TWaveDirection::Playback && FPlayback) FPlayback->Fail(ENODEV);
    if (direction == TWaveDirection::Capture && FCapture) FCapture->Fail(ENODEV);
}

TWaveResult TSimulatedSoundCard::QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format)
{
    if (const TWaveResult result = CheckDevice(direction, deviceId)) return result;
    if (const TWaveResult result = FOpenError[DirectionIndex(direction)]) return result;
    const bool supported = IsPlainPCM(format) && SimulatedClock::PeriodTicks(format.SamplesPerSec) != 0;
    return supported ? wrNoError : EINVAL;
}

TWaveResult TSimulatedSoundCard::Open(TWaveDirection direction, int deviceId, const TWaveFormat& format,
    TSoundNoticeSink& sink, std::unique_ptr<TSoundDevice>& device)
{
    if (const TWaveResult result = QueryFormat(direction, deviceId, format)) return result;
    if (FOpenIds[DirectionIndex(direction)]) return EBUSY;
    if (direction == TWaveDirection::Playback) {
        FOutput->SetPeriod(SimulatedClock::PeriodTicks(format.SamplesPerSec));
        auto playback = std::make_unique<TSimulatedPlayback>(*this, format, sink);
        FPlayback = playback.get();
        device = std::move(playback);
    } else {
        auto capture = std::make_unique<TSimulatedCapture>(*this, format, sink);
        FCapture = capture.get();
        device = std::move(capture);
    }
    FOpenIds[DirectionIndex(direction)] = deviceId;
    return wrNoError;
}

TWaveResult TSimulatedSoundCard::ValidateDevice(TWaveDirection direction, int deviceId)
{
    return CheckDevice(direction, deviceId);
}

std::string TSimulatedSoundCard::ErrorText(TWaveResult code) const
{
    return std::strerror(static_cast<int>(code));
}

void TSimulatedSoundCard::SetOpenError(TWaveDirection direction, TWaveResult code)
{
    FOpenError[DirectionIndex(direction)] = code;
}

std::optional<int> TSimulatedSoundCard::OpenDeviceID(TWaveDirection direction) const
{
    return FOpenIds[DirectionIndex(direction)];
}

void TSimulatedSoundCard::DeviceGone(TWaveDirection direction)
{
    FOpenIds[DirectionIndex(direction)].reset();
    if (direction == TWaveDirection::Playback)
        FPlayback = nullptr;
    else
        FCapture = nullptr;
}

void TSimulatedSoundCard::Unplug(TWaveDirection direction)
{
    FUnplugged[DirectionIndex(direction)] = true;
    if (direction == TWaveDirection::Playback && FPlayback) FPlayback->Fail(ENODEV);
    if (direction == TWaveDirection::Capture && FCapture) FCapture->Fail(ENODEV);
}

void TSimulatedSoundCard::Replug(TWaveDirection direction)
{
    FUnplugged[DirectionIndex(direction)] = false;
}

bool TSimulatedSoundCard::Plugged(TWaveDirection direction) const
{
    return !FUnplugged[DirectionIndex(direction)];
}

std::vector<std::uint8_t> TSimulatedSoundCard::TakePlayed()
{
    std::vector<std::uint8_t> played;
    played.swap(FPlayed);
    return played;
}

double TSimulatedSoundCard::InputValueAt(double tick)
{
    double value = 0.0;
    for (TVirtualCable* cable : FCablesIn) value += cable->ValueAt(tick);
    return value;
}
