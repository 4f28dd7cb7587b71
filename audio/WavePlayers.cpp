#include "audio/WavePlayers.h"
#include "base/Translation.h"

TLiveAudioPlayer::TLiveAudioPlayer(TSoundPlatform& platform)
    : TWaveAudioOut(platform)
{
}

TLiveAudioPlayer::~TLiveAudioPlayer()
{
    Shutdown();
}

void TLiveAudioPlayer::SetPCMFormat(TPCMFormat value)
{
    if (value == FPCMFormat) return;
    if (Active()) throw EWaveAudioInvalidOperation(Translated("Audio format cannot be changed while device is open"));
    FPCMFormat = value;
}

TWaveFormat TLiveAudioPlayer::FormatToOpen() const
{
    return BuildPCMFormat(FPCMFormat);
}

std::uint32_t TLiveAudioPlayer::GetData(std::uint8_t* buffer, std::uint32_t bufferSize)
{
    if (!OnData) return 0;
    return OnData(this, buffer, bufferSize);
}
