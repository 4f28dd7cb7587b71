#include "HeadlessStation.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "app/CommandLine.h"
#include "app/HistoryRecord.h"
#include "app/QtMainLoop.h"
#include "app/SendGate.h"
#include "app/StationBus.h"
#include "app/StationJson.h"
#include "base/ProgramFolder.h"
#include "base/ShutdownSignals.h"
#include "desktop/InstanceLock.h"
#include "desktop/MessageHistory.h"
#include "desktop/SettingsLocation.h"
#include "station/StationPlatform.h"
#include "station/untFFSKTranceiver.h"

void WriteJsonLine(const std::string& line)
{
    const std::string out = line + "\n";
    if (std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0) return;
    std::fputs("parlet: standard output is closed; stopping, as messages would be lost\n", stderr);
    QCoreApplication::exit(1);
}

void ReportError(const std::string& code, const std::string& message)
{
    WriteJsonLine(ErrorJson(code, message));
    std::fprintf(stderr, "parlet: %s\n", message.c_str());
}

THeadlessStation::THeadlessStation(const std::string& settingsFile, const std::string& historyFolder,
    TStationOptions options, const QDBusConnection& bus)
    : FPlatform(std::make_unique<TLinuxStationPlatform>(FolderOf(settingsFile)))
    , FStation(std::make_unique<TFFSKTranceiver>(FPlatform->Platform(), settingsFile, options))
    , FHistory(std::make_unique<TMessageHistory>(historyFolder,
          [](const std::string& message) {
              TMainLoop::Current().Post([message] { ReportError("history", message); });
          }))
    , FGate(std::make_unique<TSendGate>(*FStation))
    , FBus(std::make_unique<TStationBus>(bus, *FStation, *FGate, settingsFile))
    , FInput(std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read))
    , FHistoryRecords(
          FStation->OnReceive.Connect([this](TObject*, const TMessageRecord& record) { AppendToHistory(*FHistory, record); }))
    , FRecords(FStation->OnReceive.Connect(
          [](TObject*, const TMessageRecord& record) { WriteJsonLine(RecordJson(record)); }))
    , FStatus(FStation->OnStatusChange.Connect(
          [](TObject*, const TStationStatus& status) { WriteJsonLine(StatusJson(status)); }))
{
    WriteJsonLine(ReadyJson(settingsFile, FBus->Registered() ? TStationBus::BusName(settingsFile).toStdString() : ""));
    if (!FBus->Registered()) ReportError("no-bus", "not on the session bus: " + FBus->Problem().toStdString());
    WriteJsonLine(StatusJson(FStation->Status()));
    QObject::connect(FInput.get(), &QSocketNotifier::activated, [this] { ReadInput(); });
}

THeadlessStation::~THeadlessStation() = default;

void THeadlessStation::ReadInput()
{
    char buffer[4096];
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0) {
        if (errno == EINTR || errno == EAGAIN) return;
        ReportError("input", std::string("standard input cannot be read: ") + std::strerror(errno));
    }
    if (got <= 0) {
        // The end of input: a last line without its line end still counts.
        if (!FSkippingLongLine && !FPartLine.empty()) Line(FPartLine);
        FPartLine.clear();
        FInput->setEnabled(false);
        return;
    }
    for (ssize_t i = 0; i < got; ++i) {
        const char c = buffer[i];
        if (c == '\n') {
            if (!FSkippingLongLine) Line(FPartLine);
            FPartLine.clear();
            FSkippingLongLine = false;
        } else if (!FSkippingLongLine) {
            FPartLine += c;
            if (FPartLine.size() > MaxInputLineLength) {
                ReportError("line-too-long",
                    "an input line longer than " + std::to_string(MaxInputLineLength) + " bytes was skipped");
                FPartLine.clear();
                FSkippingLongLine = true;
            }
        }
    }
}

void THeadlessStation::Line(const std::string& line)
{
    const TInputLine input = ReadInputLine(line);
    if (input.Kind == TInputLine::TKind::Skip) return;
    if (input.Kind == TInputLine::TKind::Error) {
        ReportError(input.Code, input.Message);
        return;
    }
    const TSendGate::TResult result = FGate->Send(input.Text);
    if (!result.Ok) ReportError(result.Code, "not sent: " + result.Message);
}

int RunHeadless(int argc, char** argv, const TCommandLine& commandLine)
{
    // A reader that goes away is a failed write, not a killed station.
    std::signal(SIGPIPE, SIG_IGN);
    TShutdownSignals shutdownSignals([] { QCoreApplication::quit(); });
    QCoreApplication application(argc, argv);
    TQtMainLoop loop;
    const TStopWatchingFirst stopWatching(shutdownSignals);
    loop.SetErrorReport([](const std::string& message) { ReportError("station", message); });

    std::unique_ptr<TInstanceLock> lock;
    std::unique_ptr<THeadlessStation> station;
    try {
        const std::string settingsFile = ChooseSettingsFile(commandLine.ConfigFile, ProgramFolder());
        std::fprintf(stderr, "parlet: settings file %s\n", settingsFile.c_str());
        lock = std::make_unique<TInstanceLock>(settingsFile);
        station = std::make_unique<THeadlessStation>(settingsFile, TMessageHistory::DefaultFolder(),
            TStationOptions {commandLine.Receiver}, QDBusConnection::sessionBus());
    } catch (const std::exception& e) {
        ReportError("start", e.what());
        return 1;
    }
    const int status = QCoreApplication::exec();
    station.reset();
    return status;
}

int RunSend(int argc, char** argv, const TCommandLine& commandLine)
{
    QCoreApplication application(argc, argv);
    std::string message;
    int status = 1;
    try {
        const std::string settingsFile = ChooseSettingsFile(commandLine.ConfigFile, ProgramFolder());
        status = SendToRunningParlet(QDBusConnection::sessionBus(), settingsFile, commandLine.SendText, message);
    } catch (const std::exception& e) {
        message = e.what();
    }
    std::fprintf(status == 0 ? stdout : stderr, "parlet: %s\n", message.c_str());
    return status;
}
