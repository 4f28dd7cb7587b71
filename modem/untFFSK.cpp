#include "untFFSK.h"

#include <algorithm>
#include <cstring>

#include "audio/WavePlayers.h"
#include "base/MainLoop.h"
#include "base/Timer.h"

TFFSK::TFFSK(TSoundPlatform& platform)
    : FSilence(std::make_unique<TBlock>())
{
    FSilence->fill(Midpoint);
    FPlayer = std::make_unique<TLiveAudioPlayer>(platform);
    FPlayer->SetBufferCount(2);
    FPlayer->SetBufferLength(200);
    FPlayer->SetPCMFormat(Mono8bit48000Hz);
    FPlayer->OnData = [this](TObject* sender, std::uint8_t* buffer, std::uint32_t bufferSize) {
        return FillBuffer(sender, buffer, bufferSize);
    };
    FPlayerConnections.push_back(FPlayer->OnDeactivate.Connect([this](TObject* sender) { PlayerDeactivated(sender); }));
    FPlayerConnections.push_back(FPlayer->OnDeviceLost.Connect([this](TObject* sender) { PlayerDeviceLost(sender); }));
    FPlayerConnections.push_back(
        FPlayer->OnAvailabilityChange.Connect([this](TObject*) { OnAvailabilityChange(this); }));
    FPlayer->Activate();
    ReadyTimer = std::make_unique<TTimer>(ReadyDelayMs, false, TTimerRepeat::OneShot);
    FReadyConnection = ReadyTimer->OnTimer.Connect([this](TObject* sender) { ReadyTimerTick(sender); });
}

TFFSK::~TFFSK()
{
    ReadyTimer.reset();
    // A device that fails to close must not take the program down with it.
    TMainLoop::Current().Guarded([this] { FPlayer->Deactivate(); });
    FPlayer.reset();
    FBlocks.clear();
    FSilence.reset();
}

int TFFSK::DeviceID() const
{
    return FPlayer->DeviceID();
}

void TFFSK::SetDeviceID(int value)
{
    if (!FPlayer->Active()) {
        // Closed already: a lost device's next reopen attempt takes the new
        // number; a player that could not open tries it now.
        FPlayer->SetDeviceID(value);
        if (!FPlayer->DeviceLost()) FPlayer->Activate();
        return;
    }
    FPendingDevice = value;
    FPlayer->Deactivate();
}

void TFFSK::ReopenDevice()
{
    if (FPlayer->Active()) {
        FPendingDevice = FPlayer->DeviceID();
        FPlayer->Deactivate();
        return;
    }
    FPlayer->Deactivate();
    FPlayer->Activate();
}

const std::string& TFFSK::LossReason() const
{
    return FPlayer->LossReason();
}

bool TFFSK::PlayerLost() const
{
    return FPlayer->DeviceLost();
}

void TFFSK::PlayerDeactivated(TObject*)
{
    if (!FPendingDevice) return;
    const int device = *FPendingDevice;
    FPendingDevice.reset();
    FPlayer->SetDeviceID(device);
    FPlayer->Activate();
}

void TFFSK::PlayerDeviceLost(TObject*)
{
    DropQueued();
    OnPlayerLost(this);
}

void TFFSK::DropQueued()
{
    FBlocks.clear();
    FWritePos = BlockSize;
    FLastBlockOut = false;
    if (ReadyTimer) ReadyTimer->SetEnabled(false);
}

void TFFSK::Append(const std::vector<std::uint8_t>& samples)
{
    std::size_t at = 0;
    while (at < samples.size()) {
        if (FWritePos >= BlockSize) {
            FBlocks.push_back(std::make_unique<TBlock>());
            FWritePos = 0;
        }
        const std::size_t n = std::min<std::size_t>(BlockSize - FWritePos, samples.size() - at);
        std::memcpy(FBlocks.back()->data() + FWritePos, samples.data() + at, n);
        FWritePos += static_cast<std::uint32_t>(n);
        at += n;
    }
}

void TFFSK::WriteText(const std::string& text)
{
    std::vector<std::uint8_t> samples;
    FRenderer.AppendFrame(text, FBlocks.empty(), samples);
    Append(samples);
}

std::uint32_t TFFSK::FillBuffer(TObject*, std::uint8_t* buffer, std::uint32_t)
{
    if (FBlocks.empty()) {
        std::memcpy(buffer, FSilence->data(), BlockSize);
        if (FLastBlockOut) {
            FLastBlockOut = false;
            if (ReadyTimer) ReadyTimer->SetEnabled(true);
        }
        return BlockSize;
    }
    std::memcpy(buffer, FBlocks.front()->data(), BlockSize);
    FBlocks.pop_front();
    if (!FBlocks.empty()) {
        FLastBlockOut = false;
        return BlockSize;
    }
    const std::uint32_t written = FWritePos;
    FWritePos = BlockSize;
    FLastBlockOut = true;
    return written;
}

std::uint32_t TFFSK::QueuedBytes() const
{
    if (FBlocks.empty()) return 0;
    return static_cast<std::uint32_t>(FBlocks.size() - 1) * BlockSize + FWritePos;
}

void TFFSK::ReadyTimerTick(TObject*)
{
    OnReady(this);
}
