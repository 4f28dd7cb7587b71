#include "audio/WaveRecorders.h"

TLiveAudioRecorder::TLiveAudioRecorder(TSoundPlatform& platform)
    : TWaveAudioIn(platform)
{
}

TLiveAudioRecorder::~TLiveAudioRecorder()
{
    Shutdown();
}

void TLiveAudioRecorder::DataReady(std::uint8_t* buffer, std::uint32_t size, bool& freeIt)
{
    OnData(this, buffer, size, freeIt);
}
