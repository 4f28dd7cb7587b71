#include "Timer.h"

TTimer::TTimer(int intervalMs, bool enabled) : interval_(intervalMs), enabled_(enabled)
{
    Restart();
}

TTimer::~TTimer()
{
    Stop();
}

void TTimer::SetInterval(int intervalMs)
{
    if (intervalMs == interval_) return;
    interval_ = intervalMs;
    Restart();
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Restart();
}

void TTimer::Stop()
{
    if (scheduled_) TMainLoop::Current().Cancel(id_);
    scheduled_ = false;
}

void TTimer::Restart()
{
    Stop();
    if (!enabled_ || interval_ <= 0) return;
    TMainLoop& loop = TMainLoop::Current();
    id_ = loop.ScheduleAtUs(loop.NowUs() + static_cast<std::int64_t>(interval_) * 1000, [this] { Tick(); });
    scheduled_ = true;
}

void TTimer::Tick()
{
    // The next tick is scheduled before the handler runs, so a handler that
    // disables or re-times the timer cancels or replaces it.
    scheduled_ = false;
    Restart();
    OnTimer(this);
}
