#include "Timer.h"

TTimer::TTimer(int intervalMs, bool enabled, TTimerRepeat repeat)
    : FInterval(intervalMs)
    , FEnabled(enabled)
    , FRepeat(repeat)
{
    Restart();
}

TTimer::~TTimer()
{
    Stop();
}

void TTimer::SetInterval(int intervalMs)
{
    if (intervalMs == FInterval) return;
    FInterval = intervalMs;
    Restart();
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    Restart();
}

void TTimer::Stop()
{
    if (FScheduled) TMainLoop::Current().Cancel(FId);
    FScheduled = false;
}

void TTimer::Restart()
{
    Stop();
    if (!FEnabled || FInterval <= 0) return;
    TMainLoop& loop = TMainLoop::Current();
    FId = loop.ScheduleAtUs(loop.NowUs() + static_cast<std::int64_t>(FInterval) * 1000, [this] { Tick(); });
    FScheduled = true;
}

void TTimer::Tick()
{
    // The next tick is scheduled before the handler runs, so a handler that
    // disables or re-times the timer cancels or replaces it.
    FScheduled = false;
    if (FRepeat == TTimerRepeat::OneShot)
        FEnabled = false;
    else
        Restart();
    OnTimer(this);
}
