#include "StationPlatform.h"

#include "audio/AlsaSoundPlatform.h"
#include "media/LinuxDesktop.h"
#include "radio/LinuxHidPlatform.h"
#include "radio/LinuxSerialPlatform.h"
#include "radio/UdevSoundCardLink.h"

TLinuxStationPlatform::TLinuxStationPlatform(const std::string& portsFolder)
    : FSound(std::make_unique<TAlsaSoundPlatform>())
    , FSerial(std::make_unique<TLinuxSerialPlatform>(portsFolder))
    , FHid(std::make_unique<TLinuxHidPlatform>())
    , FCardLink(std::make_unique<TUdevSoundCardLink>())
    , FDesktop(std::make_unique<TLinuxDesktop>())
{
}

TLinuxStationPlatform::~TLinuxStationPlatform() = default;

TStationPlatform TLinuxStationPlatform::Platform() const
{
    return TStationPlatform {*FSound, *FSerial, *FHid, *FCardLink, *FDesktop};
}
