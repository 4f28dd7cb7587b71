#include "audio/WaveRecorders.h"

TLiveAudioRecorder::TLiveAudioRecorder(TSoundPlatform& platform)
    : TWaveAudioIn(platform)
{
}

TLiveAudioRecorder::~TLiveAudioRecorder()
{
    Shutdown();
}

void TLiveAudioRecorder::DataReady(const std::uint8_t* buffer, std::uint32_t size)
{
    OnData(this, buffer, size);
}
