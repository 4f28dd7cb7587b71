#include "Program.h"

#include <QApplication>
#include <QDBusConnection>
#include <QIcon>

#include <cstdio>
#include <exception>

#include "app/CommandLine.h"
#include "app/DesktopBinding.h"
#include "app/ErrorBox.h"
#include "app/HeadlessStation.h"
#include "app/QtMainLoop.h"
#include "app/SendGate.h"
#include "app/StationBus.h"
#include "app/guiParlet.h"
#include "app/guiSettings.h"
#include "base/ProgramFolder.h"
#include "base/ShutdownSignals.h"
#include "desktop/InstanceLock.h"
#include "desktop/MessageHistory.h"
#include "desktop/SettingsLocation.h"
#include "station/StationPlatform.h"
#include "station/untFFSKTranceiver.h"

namespace {

// A history write that fails is shown once, later, from the main loop: the
// radio work that logged the message goes on meanwhile.
void ReportLater(const std::string& message)
{
    TMainLoop::Current().Post([message] { TMainLoop::Current().ReportError(message); });
}

} // namespace

TProgram::TProgram(const std::string& settingsFile, const std::string& historyFolder, TStationOptions options)
    : FPlatform(std::make_unique<TLinuxStationPlatform>(FolderOf(settingsFile)))
    , FStation(std::make_unique<TFFSKTranceiver>(FPlatform->Platform(), settingsFile, options))
    , FForm(std::make_unique<TfrmParlet>(*FStation))
    , FHistory(std::make_unique<TMessageHistory>(historyFolder, ReportLater))
    , FDesktop(std::make_unique<TDesktopBinding>(*FStation, *FForm, *FHistory, QDBusConnection::sessionBus(),
          TAboutFacts {QString::fromStdString(settingsFile), QString::fromStdString(historyFolder)}))
{
}

TProgram::~TProgram() = default;

namespace {

// The icon the desktop shows for the window: the installed one from the
// desktop's icon theme, else the installed files beside the program's own
// install tree (a staged or moved install).
QIcon ProgramIcon()
{
    QIcon files;
    for (const char* size : {"48x48", "64x64", "128x128", "256x256"})
        files.addFile(QString::fromStdString(ProgramFolder()) + QStringLiteral("../share/icons/hicolor/")
            + QLatin1String(size) + QStringLiteral("/apps/") + QLatin1String(TDesktopBinding::DesktopEntry)
            + QStringLiteral(".png"));
    return QIcon::fromTheme(QLatin1String(TDesktopBinding::DesktopEntry), files);
}

QStringList ArgumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int RunParlet(int argc, char** argv)
{
    // Before the application object: --help and --version need no display.
    const TCommandLineResult commandLine = ReadCommandLine(ArgumentsOf(argc, argv));
    if (!commandLine.Run) {
        std::fputs(commandLine.Output.c_str(), stdout);
        std::fputs(commandLine.Error.c_str(), stderr);
        return commandLine.ExitStatus;
    }
    if (commandLine.Options.Send) return RunSend(argc, argv, commandLine.Options);
    if (commandLine.Options.Headless) return RunHeadless(argc, argv, commandLine.Options);

    // Before any thread exists, so that every thread leaves the shutdown
    // signals to the watcher: the first one ends the program through the
    // normal destruction path (PTT written off, ports closed), status 0,
    // whatever is open: a box's own loop ends as the main one does, and a box
    // shown before the main loop runs is closed.
    bool ending = false;
    TErrorBox errorBox;
    TShutdownSignals shutdownSignals([&ending, &errorBox] {
        ending = true;
        errorBox.Dismiss();
        QApplication::exit(0);
    });
    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QString::fromLatin1(TDesktopBinding::DesktopEntry));
    QApplication::setWindowIcon(ProgramIcon());
    TQtMainLoop loop;
    const TStopWatchingFirst stopWatchingFirst(shutdownSignals);
    loop.SetErrorReport([&errorBox](const std::string& message) { errorBox.Show(message); });

    std::unique_ptr<TInstanceLock> lock;
    std::unique_ptr<TProgram> program;
    std::unique_ptr<TSendGate> gate;
    std::unique_ptr<TStationBus> bus;
    try {
        const std::string settingsFile = ChooseSettingsFile(commandLine.Options.ConfigFile, ProgramFolder());
        std::fprintf(stderr, "parlet: settings file %s\n", settingsFile.c_str());
        lock = std::make_unique<TInstanceLock>(settingsFile);
        program = std::make_unique<TProgram>(
            settingsFile, TMessageHistory::DefaultFolder(), TStationOptions {commandLine.Options.Receiver});
        gate = std::make_unique<TSendGate>(program->Station());
        bus = std::make_unique<TStationBus>(QDBusConnection::sessionBus(), program->Station(), *gate, settingsFile);
        if (!bus->Registered())
            std::fprintf(stderr, "parlet: not on the session bus: %s\n", qPrintable(bus->Problem()));
    } catch (const std::exception& e) {
        // Whatever was opened before the failure is closed again by now.
        std::fprintf(stderr, "parlet: %s\n", e.what());
        errorBox.Show(e.what());
        return ending ? 0 : 1;
    }
    if (ending) return 0;
    program->MainForm().show();
    // A fresh install would send every message without a sender.
    program->MainForm().SettingsForm().AskOperatorNameIfMissing();
    const int status = QApplication::exec();
    bus.reset();
    gate.reset();
    program.reset();
    return status;
}
