#pragma once

#include "audio/WaveIO.h"

// The playback direction: every finished buffer is refilled through GetData
// and written again at once, so with BufferCount 2 two buffers are always
// queued and the device plays without a gap. A fill of 0 bytes ends the
// stream: what is queued plays out, the device closes, OnDeactivate follows.
// The blocks are always the stream's own; GetData fills them in place.
class TWaveAudioOut : public TWaveAudioIO {
public:
    explicit TWaveAudioOut(TSoundPlatform& platform);

protected:
    // Fill `buffer` (BufferSize bytes); returns the bytes supplied, 0 ends
    // the stream.
    virtual std::uint32_t GetData(std::uint8_t* buffer, std::uint32_t bufferSize);

    void OpenNotice() override;
    void BufferNotice(THeader* header) override;
};
