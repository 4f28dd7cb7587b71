#pragma once

#include "Event.h"
#include "MainLoop.h"

// A main-thread timer. Interval in milliseconds; an interval of 0 never
// fires. Setting the interval it already has does not restart it; a new
// interval, or enabling a disabled timer, starts a fresh interval. It repeats
// while enabled; a one-shot user disables it in its tick.
class TTimer : public TObject {
public:
    explicit TTimer(int intervalMs = 1000, bool enabled = false);
    ~TTimer() override;

    int Interval() const { return interval_; }
    void SetInterval(int intervalMs);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    TNotifyEvent OnTimer;

private:
    void Restart();
    void Stop();
    void Tick();

    int interval_;
    bool enabled_;
    bool scheduled_ = false;
    TMainLoop::TimerId id_ = 0;
};
