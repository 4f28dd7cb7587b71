#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Event.h"
#include "base/Object.h"
#include "modem/FrameRenderer.h"

class TSoundPlatform;
class TLiveAudioPlayer;
class TTimer;

// The FFSK modulator: turns texts into 1200 bit/s fast frequency-shift keying
// (a 0 bit is one cycle of 1200 Hz, a 1 bit one and a half cycles of 1800 Hz)
// as 8-bit unsigned mono samples at 48000 Hz, and streams them through a
// player that stays open for the modulator's whole life, playing silence when
// nothing is queued. OnReady reports that everything written has been played.
//
// When the sound device goes away, the audio not yet played is dropped (it
// must not sound minutes later, when the radio is no longer keyed) and
// OnPlayerLost says so; the player reopens the device by itself, and from
// then on the modulator streams silence and takes texts as before.
class TFFSK : public TObject {
public:
    static constexpr std::uint32_t SamplesPerBit = TFrameRenderer::SamplesPerBit;
    static constexpr std::uint32_t BlockSize = 9600; // 200 ms, one player buffer, 240 bits
    static constexpr std::uint8_t Midpoint = TFrameRenderer::Midpoint;
    static constexpr std::int32_t Amplitude = TFrameRenderer::Amplitude;
    static constexpr int ReadyDelayMs = 250;

    using TTone = TFrameRenderer::TTone;
    using TBlock = std::array<std::uint8_t, BlockSize>;

    explicit TFFSK(TSoundPlatform& platform);
    ~TFFSK() override;

    int DeviceID() const;
    // Closes the player; it reopens on the new device when the close is done.
    // While the device is lost, the next attempt to reopen takes the new one.
    void SetDeviceID(int value);
    // The device the platform opens for the player's number changed (a
    // device chosen by name): the player closes and opens on it; a lost
    // device is given up for it.
    void ReopenDevice();
    // The player's device went away and is not open again yet.
    bool PlayerLost() const;
    // Why the player's device is lost (empty when it is not).
    const std::string& LossReason() const;

    // Forget the audio written but not yet handed to the player, and the
    // ready signal still to come.
    void DropQueued();

    // Appends one frame carrying Text (its bytes unchanged), rendered by
    // the frame renderer, and returns at once; the player takes it one block
    // per buffer.
    void WriteText(const std::string& text);

    // The player's fill handler: always supplies 9600 bytes, except for the
    // last queued block, of which only the written part is played.
    std::uint32_t FillBuffer(TObject* sender, std::uint8_t* buffer, std::uint32_t bufferSize);

    // Audio written but not yet handed to the player, in bytes (= samples).
    std::uint32_t QueuedBytes() const;

    const TTone& Tone1200Up() const { return FRenderer.Tone1200Up(); }
    const TTone& Tone1200Down() const { return FRenderer.Tone1200Down(); }
    const TTone& Tone1800Up() const { return FRenderer.Tone1800Up(); }
    const TTone& Tone1800Down() const { return FRenderer.Tone1800Down(); }

    TNotifyEvent OnReady;
    // The player's device went away; what was queued is gone.
    TNotifyEvent OnPlayerLost;
    // PlayerLost() or LossReason() changed.
    TNotifyEvent OnAvailabilityChange;

private:
    void PlayerDeactivated(TObject* sender);
    void PlayerDeviceLost(TObject* sender);
    void ReadyTimerTick(TObject* sender);
    void Append(const std::vector<std::uint8_t>& samples);

    TFrameRenderer FRenderer;
    std::unique_ptr<TBlock> FSilence;
    std::deque<std::unique_ptr<TBlock>> FBlocks;
    std::uint32_t FWritePos = BlockSize; // BlockSize: no block is open
    bool FLastBlockOut = false;
    std::optional<int> FPendingDevice; // the device to reopen on once the player has closed
    std::unique_ptr<TLiveAudioPlayer> FPlayer;
    std::unique_ptr<TTimer> ReadyTimer;
    std::vector<TConnection> FPlayerConnections;
    TConnection FReadyConnection;
};
