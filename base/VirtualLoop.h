#pragma once

#include "MainLoop.h"
#include "TimerQueue.h"

// A main loop whose clock moves only when a test advances it. Posted work runs
// before the timers of the same instant and after every timer; timers run in
// due order, ties in the order they were scheduled.
class TVirtualLoop : public TMainLoop {
public:
    std::int64_t NowUs() const override { return FNowUs; }
    TimerId ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn) override;
    void Cancel(TimerId id) override;

    // Run posted work at the current instant.
    void RunPending();
    void AdvanceByMs(std::int64_t ms) { AdvanceToUs(FNowUs + ms * 1000); }
    void AdvanceToUs(std::int64_t targetUs);
    // Advance until pred() holds, at most maxMs; true if it held.
    bool AdvanceUntil(const std::function<bool()>& pred, std::int64_t maxMs, std::int64_t stepUs = 1000);

private:
    std::int64_t FNowUs = 0;
    TTimerQueue FTimers;
};
