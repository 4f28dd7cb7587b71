#pragma once

#include <memory>
#include <string>

#include "base/ProgramFolder.h"
#include "station/untFFSKTranceiver.h"

class TLinuxStationPlatform;
class TfrmParlet;

// The program's parts on this machine, in start-up order: the real back ends
// (ALSA, serial ports, hidraw, the desktop) and the main window on them.
// Freed in the reverse order. Needs a QApplication and a main loop.
class TProgram {
public:
    explicit TProgram(const std::string& settingsFile = ProgramFolder() + TFFSKTranceiver::SettingsFileName);
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    TfrmParlet& MainForm() const { return *FForm; }

private:
    // Destroyed in reverse: the window before the station it runs on.
    std::unique_ptr<TLinuxStationPlatform> FStation;
    std::unique_ptr<TfrmParlet> FForm;
};

// Start-up: the application, the Qt main loop with its message-box error
// report, then the program, run until the main window closes. A failure while
// starting is shown in a message box and ends the program with status 1.
int RunParlet(int argc, char** argv);
