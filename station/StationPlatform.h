#pragma once

#include <memory>

class TDesktop;
class THidPlatform;
class TSerialPlatform;
class TSoundPlatform;

// The platform a station runs on: sound card, serial ports, HID devices and
// the desktop's media player windows. The program uses the Linux back ends,
// tests the simulated ones; both assemble the same station objects on it.
struct TStationPlatform {
    TSoundPlatform& sound;
    TSerialPlatform& serial;
    THidPlatform& hid;
    TDesktop& desktop;
};

// The real back ends of this machine: ALSA, termios, hidraw, and a desktop
// without media player windows.
class TLinuxStationPlatform {
public:
    TLinuxStationPlatform();
    ~TLinuxStationPlatform();
    TLinuxStationPlatform(const TLinuxStationPlatform&) = delete;
    TLinuxStationPlatform& operator=(const TLinuxStationPlatform&) = delete;

    TStationPlatform Platform() const;

private:
    std::unique_ptr<TSoundPlatform> FSound;
    std::unique_ptr<TSerialPlatform> FSerial;
    std::unique_ptr<THidPlatform> FHid;
    std::unique_ptr<TDesktop> FDesktop;
};
