#pragma once

#include <memory>
#include <string>

#include "base/Event.h"
#include "station/StationOptions.h"

class QDBusConnection;
class QSocketNotifier;
class TFFSKTranceiver;
class TLinuxStationPlatform;
class TMessageHistory;
class TSendGate;
class TStationBus;
struct TCommandLine;

// The station without a window: the same back ends, settings file and
// history as the windowed program. Every message record and status change
// goes to standard output as one JSON line; each line of standard input is a
// text to send. The end of standard input stops the reading, not the
// station. Needs a QCoreApplication and the Qt main loop.
class THeadlessStation {
public:
    THeadlessStation(const std::string& settingsFile, const std::string& historyFolder, TStationOptions options,
        const QDBusConnection& bus);
    ~THeadlessStation();
    THeadlessStation(const THeadlessStation&) = delete;
    THeadlessStation& operator=(const THeadlessStation&) = delete;

private:
    void ReadInput();
    void Line(const std::string& line);

    std::unique_ptr<TLinuxStationPlatform> FPlatform;
    std::unique_ptr<TFFSKTranceiver> FStation;
    std::unique_ptr<TMessageHistory> FHistory;
    std::unique_ptr<TSendGate> FGate;
    std::unique_ptr<TStationBus> FBus;
    std::unique_ptr<QSocketNotifier> FInput;
    std::string FPartLine;
    bool FSkippingLongLine = false;
    TConnection FHistoryRecords;
    TConnection FRecords;
    TConnection FStatus;
};

// Writes one JSON line to standard output; a failed write (the reader went
// away) ends the program with status 1, as its messages would be lost.
void WriteJsonLine(const std::string& line);
// An error: a JSON line on standard output, a plain line on standard error.
void ReportError(const std::string& code, const std::string& message);

// parlet --headless: the lock on the settings file, the station, until
// SIGTERM or SIGINT (status 0); a failure while starting is status 1.
int RunHeadless(int argc, char** argv, const TCommandLine& commandLine);
// parlet --send TEXT.
int RunSend(int argc, char** argv, const TCommandLine& commandLine);
