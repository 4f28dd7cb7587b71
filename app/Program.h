#pragma once

#include <memory>
#include <string>

#include "station/StationOptions.h"

class TDesktopBinding;
class TFFSKTranceiver;
class TLinuxStationPlatform;
class TMessageHistory;
class TfrmParlet;

// The program's parts on this machine, in start-up order: the real back ends
// (the sound server or ALSA, serial ports with their links beside the
// settings file, hidraw, the desktop), the station on them, its window, the
// message history and the ties to the desktop. Freed in the reverse order.
// Needs a QApplication and a main loop.
class TProgram {
public:
    TProgram(const std::string& settingsFile, const std::string& historyFolder, TStationOptions options = {});
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    TfrmParlet& MainForm() const { return *FForm; }
    TFFSKTranceiver& Station() const { return *FStation; }

private:
    // Destroyed in reverse: the window before the station, the station
    // before the back ends it runs on.
    std::unique_ptr<TLinuxStationPlatform> FPlatform;
    std::unique_ptr<TFFSKTranceiver> FStation;
    std::unique_ptr<TfrmParlet> FForm;
    std::unique_ptr<TMessageHistory> FHistory;
    std::unique_ptr<TDesktopBinding> FDesktop;
};

// Start-up: the command line, the application, the Qt main loop with its
// message-box error report, the settings file and its lock, then the
// program, run until the main window closes. --help and --version end with
// status 0, a wrong command line with status 2; a failure while starting
// (another program on the same settings file among them) is shown in a
// message box and ends the program with status 1. SIGTERM, SIGINT and SIGHUP
// end it with status 0 in every state, a box open or not.
int RunParlet(int argc, char** argv);
