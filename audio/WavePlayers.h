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
    // 0 ends the stream. One supplier, the stream's owner.
    std::function<std::uint32_t(TObject* sender, std::uint8_t* buffer, std::uint32_t bufferSize)> OnData;

protected:
    TWaveFormat FormatToOpen() const override;
    std::uint32_t GetData(std::uint8_t* buffer, std::uint32_t bufferSize) override;

private:
    TPCMFormat FPCMFormat = Mono16bit8000Hz;
};
