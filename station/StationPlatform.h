#pragma once

#include <memory>
#include <string>

#include "base/ProgramFolder.h"

class THidPlatform;
class TMediaMixer;
class TSoundCardLink;
class TSerialPlatform;
class TSoundPlatform;

// The platform a station runs on: sound card, serial ports, HID devices and
// the mixer of the other programs' playback. The program uses the Linux back ends,
// tests the simulated ones; both assemble the same station objects on it.
struct TStationPlatform {
    TSoundPlatform& sound;
    TSerialPlatform& serial;
    THidPlatform& hid;
    TSoundCardLink& cardLink; // ties HID devices to sound cards
    TMediaMixer& mixer;
};

// The real back ends of this machine: the sound server (ALSA without one),
// termios, hidraw and udev, and the sound server's mixer. The serial ports' "COMn" links are
// looked for under portsFolder.
class TLinuxStationPlatform {
public:
    explicit TLinuxStationPlatform(const std::string& portsFolder = ProgramFolder());
    ~TLinuxStationPlatform();
    TLinuxStationPlatform(const TLinuxStationPlatform&) = delete;
    TLinuxStationPlatform& operator=(const TLinuxStationPlatform&) = delete;

    TStationPlatform Platform() const;

private:
    std::unique_ptr<TSoundPlatform> FSound;
    std::unique_ptr<TSerialPlatform> FSerial;
    std::unique_ptr<THidPlatform> FHid;
    std::unique_ptr<TSoundCardLink> FCardLink;
    std::unique_ptr<TMediaMixer> FMixer;
};
