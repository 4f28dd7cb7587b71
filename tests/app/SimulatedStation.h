#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/guiParlet.h"
#include "audio/SimulatedSoundCard.h"
#include "audio/VirtualCable.h"
#include "base/VirtualLoop.h"
#include "modem/StationPlatform.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "settings/SimulatedDesktop.h"

// A private folder for one test's settings file, removed afterwards.
class TTestFolder {
public:
    TTestFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "parlet-app-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TTestFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Operator Anna, keying by the radio's VOX, the default courtesy delay.
inline const char* const AnnaByVox = "[Identification]\r\n"
                                     "OperaterName=Anna\r\n"
                                     "FBand=0\r\n"
                                     "[Interface]\r\n"
                                     "RigComm=0\r\n";

// The main window on a simulated station, on virtual time: a sound card
// whose output is wired back to its own input, serial ports, a HID bus and a
// desktop, all simulated. The window is not shown.
class TSimulatedStation {
public:
    explicit TSimulatedStation(const std::string& settings = AnnaByVox)
    {
        WriteFile(SettingsFile(), settings);
    }

    TStationPlatform Platform() { return {sound, serial, hid, desktop}; }
    std::string SettingsFile() const { return folder.File("ZYNClient.ini"); }

    // Builds the window (and with it the transceiver and the dialog).
    TfrmParlet& Open()
    {
        form = std::make_unique<TfrmParlet>(Platform(), SettingsFile());
        return *form;
    }

    TTestFolder folder;
    TVirtualLoop loop;
    TSimulatedSoundCard sound;
    TVirtualCable loopback{sound, sound};
    TSimulatedSerialPlatform serial;
    TSimulatedHidBus hid;
    TSimulatedDesktop desktop;
    std::unique_ptr<TfrmParlet> form;
};
