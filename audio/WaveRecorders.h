#pragma once

#include "audio/WaveIn.h"

// A capture stream that hands every filled buffer to OnData, after OnLevel.
// Buffers still returned while closing or destroying are delivered too.
class TLiveAudioRecorder : public TWaveAudioIn {
public:
    explicit TLiveAudioRecorder(TSoundPlatform& platform);
    ~TLiveAudioRecorder() override;

    // The recorded bytes of one buffer, valid while the listeners run.
    TEvent<TObject* /*Sender*/, const std::uint8_t* /*Buffer*/, std::uint32_t /*BufferSize*/> OnData;

protected:
    void DataReady(const std::uint8_t* buffer, std::uint32_t size) override;
};
