#pragma once

#include <functional>
#include <thread>

#include "base/FileDescriptor.h"
#include "base/WakeUp.h"

// SIGINT, SIGTERM and SIGHUP end the program through its normal destruction
// path: the first one runs OnShutdownRequested on the main thread (posted to
// the main loop); a second one while that shutdown is under way ends the
// process at once with status 128 + the signal number.
//
// Construct it on the main thread before any other thread is started: the
// signals are blocked in the constructing thread, every thread started later
// inherits that, and one watcher thread takes them from a signalfd.
class TShutdownSignals {
public:
    explicit TShutdownSignals(std::function<void()> onShutdownRequested);
    // Stops watching (see StopWatching) and unblocks the signals.
    ~TShutdownSignals();

    // Ends the watcher thread; later signals stay blocked until this object
    // goes. The watcher posts to the main loop, so an owner whose main loop
    // dies first calls this before the loop is destroyed.
    void StopWatching();
    TShutdownSignals(const TShutdownSignals&) = delete;
    TShutdownSignals& operator=(const TShutdownSignals&) = delete;

private:
    void Watch();

    std::function<void()> FOnShutdownRequested;
    TFileDescriptor FSignalFd;
    TWakeUp FStop;
    std::thread FWatcher;
};

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
