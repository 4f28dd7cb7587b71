#pragma once

#include <filesystem>
#include <memory>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

#include "audio/SimulatedSoundCard.h"
#include "base/ProgramFolder.h"
#include "base/SystemCallSeam.h"
#include "media/SimulatedDesktop.h"
#include "radio/LinuxSerialPlatform.h"
#include "radio/SimulatedHidBus.h"
#include "station/StationPlatform.h"
#include "station/untFFSKTranceiver.h"
#include "tests/support/TempFolder.h"

// A station whose PTT is RTS (active high) of a pseudo-terminal reached as
// "COMn" through ports/comn, driven by the real serial back end; the seam
// gives the pseudo-terminal the modem lines it lacks. Sound, HID and desktop
// are simulated.
class TPtyStation {
public:
    explicit TPtyStation(TSystemCallSeam& seam)
        : FSeam(seam)
    {
        char slave[128] = {};
        if (openpty(&FMaster, &FSlave, slave, nullptr, nullptr) != 0) return;
        // The slave stays open only through the port: its last close is
        // what drops the emulated lines.
        ::close(FSlave);
        FSlave = -1;
        const int number = 200000 + getpid() % 700000;
        std::filesystem::create_directories(ProgramFolder() + "ports");
        FLink = ProgramFolder() + "ports/com" + std::to_string(number);
        std::filesystem::remove(FLink);
        std::filesystem::create_symlink(slave, FLink);
        FSeam.EmulateModemLines(FLink);
        WriteBytes(SettingsFile(),
            "[Identification]\r\nOperaterName=Anna\r\n[Interface]\r\nRigComm=1\r\nRigComDtr=0\r\n"
            "RigComActiveHigh=1\r\nRigComUnusedHight=0\r\nCourtesyDelay=400\r\nCommPort="
                + std::to_string(number - 1) + "\r\n");
    }
    ~TPtyStation()
    {
        transceiver.reset();
        if (!FLink.empty()) std::filesystem::remove(FLink);
        if (FMaster >= 0) ::close(FMaster);
    }
    TPtyStation(const TPtyStation&) = delete;
    TPtyStation& operator=(const TPtyStation&) = delete;

    bool Ok() const { return !FLink.empty(); }
    const std::string& PortPath() const { return FLink; }
    std::string SettingsFile() const { return FFolder.File("ZYNClient.ini"); }
    bool Rts() const { return FSeam.ModemLines(FLink) & TIOCM_RTS; }

    void Open() { transceiver = std::make_unique<TFFSKTranceiver>(Platform(), SettingsFile()); }
    TStationPlatform Platform() { return {sound, serial, hid, desktop}; }

    TSimulatedSoundCard sound;
    TLinuxSerialPlatform serial;
    TSimulatedHidBus hid;
    TSimulatedDesktop desktop;
    std::unique_ptr<TFFSKTranceiver> transceiver;

private:
    TSystemCallSeam& FSeam;
    TTempFolder FFolder;
    int FMaster = -1;
    int FSlave = -1;
    std::string FLink;
};
