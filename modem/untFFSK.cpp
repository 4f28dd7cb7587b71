#include "untFFSK.h"

#include <cmath>
#include <cstring>

#include "audio/WavePlayers.h"
#include "base/MainLoop.h"
#include "base/Timer.h"

namespace {

// One bit of a tone of the given number of half-cycles per bit, starting at
// the midpoint and moving in the direction of sign.
TFFSK::TTone MakeTone(int halfCycles, int sign)
{
    TFFSK::TTone tone {};
    const long double pi = std::acos(-1.0L);
    for (std::uint32_t i = 0; i < TFFSK::SamplesPerBit; ++i) {
        const long double v = std::sin(halfCycles * i * pi / TFFSK::SamplesPerBit) * (sign * TFFSK::Amplitude);
        tone[i] = static_cast<std::uint8_t>(std::lround(v) + TFFSK::Midpoint);
    }
    return tone;
}

} // namespace

TFFSK::TFFSK(TSoundPlatform& platform)
    : FTone1200Up(MakeTone(2, 1))
    , FTone1200Down(MakeTone(2, -1))
    , FTone1800Up(MakeTone(3, 1))
    , FTone1800Down(MakeTone(3, -1))
    , FSilence(std::make_unique<TBlock>())
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
    // A 1200 Hz bit is a whole cycle and keeps the direction of travel; an
    // 1800 Hz bit is one and a half cycles and reverses it.
    const TTone* tone;
    if (Bit) {
        tone = FPhase ? &FTone1800Up : &FTone1800Down;
        FPhase = !FPhase;
    } else {
        tone = FPhase ? &FTone1200Up : &FTone1200Down;
    }
    std::memcpy(FWritePtr, tone->data(), SamplesPerBit);
    FWritePos += SamplesPerBit;
    FWritePtr += SamplesPerBit;
}

void TFFSK::WriteByte(std::uint8_t Value)
{
    for (unsigned mask = 128; mask != 0; mask >>= 1) WriteBit((Value & mask) != 0);
}

void TFFSK::WriteText(const std::string& Text)
{
    if (FBlocks.empty()) {
        WriteByte(170);
        WriteByte(170);
    }
    std::size_t i = 0;
    for (; i < Text.size(); ++i) {
        if (i % 8 == 0) {
            WriteByte(170);
            WriteByte(170);
            WriteByte(59);
            WriteByte(40);
        }
        WriteByte(static_cast<std::uint8_t>(Text[i]));
    }
    // The last block is filled up to 8 bytes; an empty text gets eight fill
    // bytes with no sync word before them.
    for (; i % 8 != 0 || i == 0; ++i) WriteByte(0);
    WriteBit(false);
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
