#include "untFFSK.h"

#include <cstring>

#include "audio/WavePlayers.h"
#include "base/MainLoop.h"
#include "base/Timer.h"

TFFSK::TFFSK(TSoundPlatform& platform)
    : FSilence(std::make_unique<TBlock>())
{
    FSilence->fill(Midpoint);
    FPlayer = std::make_unique<TLiveAudioPlayer>(platform);
    FPlayer->SetAsync(false);
    FPlayer->SetBufferCount(2);
    FPlayer->SetBufferLength(200);
    FPlayer->SetPCMFormat(Mono8bit48000Hz);
    FPlayer->OnData = [this](TObject* Sender, std::uint8_t* Buffer, std::uint32_t BufferSize, std::uint32_t& NumLoops) {
        return FillBuffer(Sender, Buffer, BufferSize, NumLoops);
    };
    FPlayer->OnDeactivate = [this](TObject* Sender) { PlayerDeactivated(Sender); };
    FPlayer->OnDeviceLost = [this](TObject* Sender) { PlayerDeviceLost(Sender); };
    FAvailabilityConnection = FPlayer->OnAvailabilityChange.Connect([this](TObject*) { OnAvailabilityChange(this); });
    FPlayer->Activate();
    ReadyTimer = std::make_unique<TTimer>(ReadyDelayMs, false, TTimerRepeat::OneShot);
    ReadyTimer->OnTimer = [this](TObject* Sender) { ReadyTimerTick(Sender); };
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
    FWritePtr = nullptr;
    FLastBlockOut = false;
    if (ReadyTimer) ReadyTimer->SetEnabled(false);
}

void TFFSK::WriteBit(bool Bit)
{
    if (FWritePos >= BlockSize) {
        FBlocks.push_back(std::make_unique<TBlock>());
        FWritePos = 0;
        FWritePtr = FBlocks.back()->data();
    }
    const TTone& tone = FRenderer.NextTone(Bit);
    std::memcpy(FWritePtr, tone.data(), SamplesPerBit);
    FWritePos += SamplesPerBit;
    FWritePtr += SamplesPerBit;
}

void TFFSK::WriteByte(std::uint8_t Value)
{
    for (unsigned mask = 128; mask != 0; mask >>= 1) WriteBit((Value & mask) != 0);
}

void TFFSK::WriteText(const std::string& Text)
{
    for (const std::uint8_t byte : FFSKFrame::FrameBytes(Text, FBlocks.empty())) WriteByte(byte);
    WriteBit(FFSKFrame::TailBit);
}

std::uint32_t TFFSK::FillBuffer(TObject*, std::uint8_t* Buffer, std::uint32_t, std::uint32_t&)
{
    if (FBlocks.empty()) {
        std::memcpy(Buffer, FSilence->data(), BlockSize);
        if (FLastBlockOut) {
            FLastBlockOut = false;
            if (ReadyTimer) ReadyTimer->SetEnabled(true);
        }
        return BlockSize;
    }
    std::memcpy(Buffer, FBlocks.front()->data(), BlockSize);
    FBlocks.pop_front();
    if (!FBlocks.empty()) {
        FLastBlockOut = false;
        return BlockSize;
    }
    const std::uint32_t written = FWritePos;
    FWritePos = BlockSize;
    FWritePtr = nullptr;
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
