#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// What a worker shares with its owner: the stop flag and the hand-off to the
// main thread. Owned jointly, so the worker never touches its owner's
// members once it is asked to stop.
class TWorkerControl {
public:
    bool Stopping() const { return FStopping; }
    // Worker: run fn on the main thread and wait until it has run
    // (Synchronize). Nothing runs once the owner has begun to stop.
    void HandOff(const std::function<void()>& fn);

private:
    friend class TWorkerThread;
    std::atomic<bool> FStopping {false};
    std::atomic<bool> FFinished {false};
    bool FDispatching = false; // main thread only: inside one of our hand-offs
    std::thread FOrphan; // main thread only: to be joined once that hand-off returns
};

// A thread that only waits and hands its results to the main thread, and
// that its owner stops and joins on the main thread without deadlock.
class TWorkerThread {
public:
    // body runs on the new thread; it must return soon after its control's
    // Stopping() turns true.
    explicit TWorkerThread(std::function<void(TWorkerControl&)> body);
    // Stops (see Stop) with no wake-up of its own: the owner wakes the body
    // first.
    ~TWorkerThread();

    // Main thread: raise the stop flag, call wake() to end the body's wait,
    // and wait for the thread while serving the main loop's hand-offs (one
    // may be in flight). Called from inside this thread's own hand-off, the
    // join is left to the moment that hand-off returns.
    void Stop(const std::function<void()>& wake);

private:
    std::shared_ptr<TWorkerControl> FControl;
    std::thread FThread;
};
