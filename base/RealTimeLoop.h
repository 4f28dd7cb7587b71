#pragma once

#include <atomic>
#include <chrono>

#include "MainLoop.h"
#include "TimerQueue.h"

// A main loop on the steady clock, for the command-line tools and for tests
// that use real devices without a GUI.
class TRealTimeLoop : public TMainLoop {
public:
    TRealTimeLoop();

    std::int64_t NowUs() const override;
    TimerId ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn) override;
    void Cancel(TimerId id) override;

    // Run until Quit (from the main thread or any other thread).
    void Run();
    void Quit();
    // Run for the given real time.
    void RunForMs(std::int64_t ms);
    // Run until pred() holds or the time is up; true if it held.
    bool RunUntil(const std::function<bool()>& pred, std::int64_t timeoutMs);

private:
    // One pass: run what is posted and what is due, then sleep until the next
    // due time, a post, or the deadline.
    void RunOnce(std::chrono::steady_clock::time_point deadline);

    const std::chrono::steady_clock::time_point FStart;
    TTimerQueue FTimers;
    std::atomic<bool> FQuit {false};
};
