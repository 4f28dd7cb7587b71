#pragma once

#include "audio/WaveIO.h"

// The capture direction: BufferCount buffers stay queued at the device while
// streaming, each filled buffer is delivered (OnLevel, then DataReady) and
// queued again at once, so recording has no gaps.
class TWaveAudioIn : public TWaveAudioIO {
public:
    explicit TWaveAudioIn(TSoundPlatform& platform);

    // Default Mono16bit8000Hz. Same value: no-op; another while the device
    // is open: EWaveAudioInvalidOperation.
    TPCMFormat PCMFormat() const { return FPCMFormat; }
    void SetPCMFormat(TPCMFormat value);

protected:
    // A buffer came back with `size` recorded bytes; they are valid until
    // this returns.
    virtual void DataReady(const std::uint8_t* buffer, std::uint32_t size);

    TWaveFormat FormatToOpen() const override;
    void OpenNotice() override;
    void BufferNotice(THeader* header) override;

private:
    TPCMFormat FPCMFormat = Mono16bit8000Hz;
};
