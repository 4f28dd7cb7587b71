#include "ShutdownSignals.h"

#include <csignal>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>

#include "base/MainLoop.h"

namespace {

sigset_t ShutdownSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

TShutdownSignals::TShutdownSignals(std::function<void()> onShutdownRequested)
    : FOnShutdownRequested(std::move(onShutdownRequested))
{
    const sigset_t set = ShutdownSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    FSignalFd = TFileDescriptor(signalfd(-1, &set, SFD_CLOEXEC));
    if (!FSignalFd.Valid() || !FStop.Valid()) {
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        throw std::runtime_error("cannot watch for shutdown signals");
    }
    FWatcher = std::thread([this] { Watch(); });
}

TShutdownSignals::~TShutdownSignals()
{
    StopWatching();
    const sigset_t set = ShutdownSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void TShutdownSignals::StopWatching()
{
    if (!FWatcher.joinable()) return;
    FStop.Raise();
    FWatcher.join();
}

void TShutdownSignals::Watch()
{
    int received = 0;
    for (;;) {
        pollfd fds[2] = {{FSignalFd.Get(), POLLIN, 0}, {FStop.Fd(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents & POLLIN) return;
        signalfd_siginfo info {};
        if (read(FSignalFd.Get(), &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
        if (++received > 1) {
            // The operator insists: no more waiting for an orderly end.
            static const char message[] = "parlet: second signal, ending at once\n";
            (void)!write(STDERR_FILENO, message, sizeof message - 1);
            _exit(128 + static_cast<int>(info.ssi_signo));
        }
        const std::string line =
            "parlet: " + std::string(strsignal(static_cast<int>(info.ssi_signo))) + ", shutting down\n";
        (void)!write(STDERR_FILENO, line.data(), line.size());
        // Before the main loop exists (or after it is gone) nothing is open
        // that an orderly shutdown would have to close.
        if (!TMainLoop::Exists()) _exit(0);
        TMainLoop::Current().Post(FOnShutdownRequested);
    }
}
