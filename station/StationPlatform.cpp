#include "StationPlatform.h"

#include "audio/AlsaSoundPlatform.h"
#include "radio/LinuxHidPlatform.h"
#include "radio/LinuxSerialPlatform.h"
#include "media/LinuxDesktop.h"

TLinuxStationPlatform::TLinuxStationPlatform()
    : sound_(std::make_unique<TAlsaSoundPlatform>()),
      serial_(std::make_unique<TLinuxSerialPlatform>()),
      hid_(std::make_unique<TLinuxHidPlatform>()),
      desktop_(std::make_unique<TLinuxDesktop>())
{
}

TLinuxStationPlatform::~TLinuxStationPlatform() = default;

TStationPlatform TLinuxStationPlatform::Platform() const
{
    return TStationPlatform{*sound_, *serial_, *hid_, *desktop_};
}
