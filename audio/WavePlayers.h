#pragma once

#include <functional>

#include "audio/WaveOut.h"

// A playback stream that asks OnData for every buffer it is about to play.
class TLiveAudioPlayer : public TWaveAudioOut {
public:
    explicit TLiveAudioPlayer(TSoundPlatform& platform);
    ~TLiveAudioPlayer() override;

    // Default Mono16bit8000Hz. Same value: no-op; another while active:
    // EWaveAudioInvalidOperation.
    TPCMFormat PCMFormat() const { return FPCMFormat; }
    void SetPCMFormat(TPCMFormat value);

    // Write up to BufferSize bytes at Buffer and return how many are valid;
    // 0 ends the stream. NumLoops (in 0) may be set to repeat the block.
    std::function<std::uint32_t(
        TObject* Sender, std::uint8_t* Buffer, std::uint32_t BufferSize, std::uint32_t& NumLoops)>
        OnData;

protected:
    TWaveFormat FormatToOpen() const override;
    std::uint32_t GetData(std::uint8_t* buffer, std::uint32_t bufferSize, std::uint32_t& numLoops) override;

private:
    TPCMFormat FPCMFormat = Mono16bit8000Hz;
};
