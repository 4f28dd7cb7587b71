#include "Program.h"

#include <QApplication>

#include <exception>

#include "app/ErrorBox.h"
#include "app/QtMainLoop.h"
#include "app/guiParlet.h"
#include "base/ShutdownSignals.h"

TProgram::TProgram(const std::string& settingsFile)
    : FStation(std::make_unique<TLinuxStationPlatform>())
    , FForm(std::make_unique<TfrmParlet>(FStation->Platform(), settingsFile))
{
}

TProgram::~TProgram() = default;

namespace {

// Declared after the main loop: the signal watcher, which posts to the loop,
// stops before the loop is destroyed.
class TStopWatchingFirst {
public:
    explicit TStopWatchingFirst(TShutdownSignals& watcher)
        : FWatcher(watcher)
    {
    }
    ~TStopWatchingFirst() { FWatcher.StopWatching(); }
    TStopWatchingFirst(const TStopWatchingFirst&) = delete;
    TStopWatchingFirst& operator=(const TStopWatchingFirst&) = delete;

private:
    TShutdownSignals& FWatcher;
};

} // namespace

int RunParlet(int argc, char** argv)
{
    // Before any thread exists, so that every thread leaves the shutdown
    // signals to the watcher: the first one ends the program through the
    // normal destruction path (PTT written off, ports closed), status 0.
    TShutdownSignals shutdownSignals([] { QApplication::quit(); });
    QApplication application(argc, argv);
    TQtMainLoop loop;
    const TStopWatchingFirst stopWatchingFirst(shutdownSignals);
    TErrorBox errorBox;
    loop.SetErrorReport([&errorBox](const std::string& message) { errorBox.Show(message); });

    std::unique_ptr<TProgram> program;
    try {
        program = std::make_unique<TProgram>();
    } catch (const std::exception& e) {
        // Whatever was opened before the failure is closed again by now.
        errorBox.Show(e.what());
        return 1;
    }
    program->MainForm().show();
    const int status = QApplication::exec();
    program.reset();
    return status;
}
