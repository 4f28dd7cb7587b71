#include "StationPlatform.h"

#include "audio/AlsaSoundPlatform.h"
#include "audio/PulseSoundPlatform.h"
#include "media/SoundServerMixer.h"
#include "media/TurnedDownStreams.h"
#include "radio/LinuxHidPlatform.h"
#include "radio/LinuxSerialPlatform.h"
#include "radio/UdevSoundCardLink.h"

namespace {
// The sound server where one runs (streams by name, devices by name), else
// ALSA itself.
std::unique_ptr<TSoundPlatform> MakeSoundPlatform()
{
    if (auto server = TPulseSoundPlatform::Connect("FFSK to radio", "FFSK from radio")) return server;
    return std::make_unique<TAlsaSoundPlatform>();
}
} // namespace

TLinuxStationPlatform::TLinuxStationPlatform(const std::string& portsFolder)
    : FSound(MakeSoundPlatform())
    , FSerial(std::make_unique<TLinuxSerialPlatform>(portsFolder))
    , FHid(std::make_unique<TLinuxHidPlatform>())
    , FCardLink(std::make_unique<TUdevSoundCardLink>())
    , FMixer(std::make_unique<TSoundServerMixer>(TTurnedDownStreams::DefaultPath()))
{
}

TLinuxStationPlatform::~TLinuxStationPlatform() = default;

TStationPlatform TLinuxStationPlatform::Platform() const
{
    return TStationPlatform {*FSound, *FSerial, *FHid, *FCardLink, *FMixer};
}
