#pragma once

#include "audio/WaveIn.h"

// A capture stream that hands every filled buffer to OnData, after OnLevel.
// Buffers still returned while closing or destroying are delivered too.
class TLiveAudioRecorder : public TWaveAudioIn {
public:
    explicit TLiveAudioRecorder(TSoundPlatform& platform);
    ~TLiveAudioRecorder() override;

    // Buffer: the recorded block; BufferSize: the bytes recorded; FreeIt
    // (in true): a handler that clears it keeps the block (allocated with
    // new[], released with delete[]) and the stream takes a new one.
    TEvent<TObject* /*Sender*/, std::uint8_t* /*Buffer*/, std::uint32_t /*BufferSize*/, bool& /*FreeIt*/> OnData;

protected:
    void DataReady(std::uint8_t* buffer, std::uint32_t size, bool& freeIt) override;
};
