#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "base/SystemCallSeam.h"
#include "media/SimulatedMixer.h"
#include "radio/HidPlatform.h"
#include "radio/LinuxHidPlatform.h"
#include "radio/LinuxSerialPlatform.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "radio/UdevSoundCardLink.h"
#include "station/StationPlatform.h"
#include "station/untFFSKTranceiver.h"
#include "tests/support/TempFolder.h"

// A station whose keying goes through a real Linux back end to a
// pseudo-terminal that stands in for the device; the rest is simulated.
class TFaultStation {
public:
    virtual ~TFaultStation();
    TFaultStation(const TFaultStation&) = delete;
    TFaultStation& operator=(const TFaultStation&) = delete;

    bool Ok() const { return !FDevicePath.empty(); }
    // The path the back end opens (the calls the matrix fails are on it).
    const std::string& DevicePath() const { return FDevicePath; }
    // The PTT as the device sees it now.
    virtual bool Keyed() = 0;
    // What an operator does about a device that failed to open: a change
    // of the interface settings (serial), or pulling and re-plugging it
    // (USB).
    virtual void Reattach() = 0;
    // Gives the back end's worker thread something to read: an input report
    // (USB), a change of CTS (serial).
    virtual void StirInput() = 0;

    void Open();
    std::unique_ptr<TFFSKTranceiver> transceiver;

protected:
    TFaultStation() = default;
    // Opens the pseudo-terminal and writes the settings; false on failure.
    bool Create(const std::string& interfaceSettings);
    virtual TStationPlatform Platform() = 0;

    TSimulatedSoundCard FSound;
    TSimulatedMixer FMixer;
    TTempFolder FFolder;
    int FMaster = -1;
    std::string FSlavePath;
    std::string FDevicePath;
};

// PTT on RTS (active high) of "COMn", the link ports/comn to the
// pseudo-terminal, through the termios back end; the seam gives the
// pseudo-terminal the modem lines it lacks.
class TSerialFaultStation : public TFaultStation {
public:
    explicit TSerialFaultStation(TSystemCallSeam& seam);
    ~TSerialFaultStation() override;
    bool Keyed() override;
    void Reattach() override;
    void StirInput() override;

private:
    TStationPlatform Platform() override { return {FSound, FSerial, FHid, FHid, FMixer}; }

    TSystemCallSeam& FSeam;
    TLinuxSerialPlatform FSerial;
    TSimulatedHidBus FHid;
};

// The USB radio interface through the hidraw back end: the pseudo-terminal
// is listed as the interface's device node, and the output reports written
// to it are read back on the other side.
class TUsbFaultStation : public TFaultStation {
public:
    TUsbFaultStation();
    ~TUsbFaultStation() override;
    bool Keyed() override;
    void Reattach() override;
    void StirInput() override;

private:
    // hidraw for reading and writing, the listing and ids made up.
    class TPtyHidPlatform : public THidPlatform {
    public:
        explicit TPtyHidPlatform(const std::string& path)
            : FPath(path)
        {
        }
        std::vector<std::string> EnumeratePaths() override
        {
            return FPresent ? std::vector<std::string> {FPath} : std::vector<std::string> {};
        }
        THidQuery QueryAttributes(const std::string&, THidAttributes& attributes) override;
        std::unique_ptr<THidWriteHandle> OpenForWrite(const std::string& path, int& error) override
        {
            return FReal.OpenForWrite(path, error);
        }
        std::unique_ptr<THidReadHandle> OpenForRead(const std::string& path, int& error) override
        {
            return FReal.OpenForRead(path, error);
        }
        // Every HID user of the station watches (the USB interface and the
        // sound card GPIO).
        std::unique_ptr<THidWatch> WatchDeviceChanges(std::function<void()> notice) override
        {
            FNotices.push_back(std::move(notice));
            return std::make_unique<THidWatch>();
        }
        // Pulled out and plugged in again, with a device notice for each.
        void Replug()
        {
            FPresent = false;
            for (const auto& notice : FNotices) notice();
            FPresent = true;
            for (const auto& notice : FNotices) notice();
        }

    private:
        std::string FPath;
        bool FPresent = true;
        std::vector<std::function<void()>> FNotices;
        TLinuxHidPlatform FReal;
    };

    TStationPlatform Platform() override { return {FSound, FSerial, *FHid, FCardLink, FMixer}; }

    TSimulatedSerialPlatform FSerial;
    std::unique_ptr<TPtyHidPlatform> FHid;
    TUdevSoundCardLink FCardLink;
    bool FKeyed = false;
    std::string FPending;
};
