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

    int Interval() const { return FInterval; }
    void SetInterval(int intervalMs);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);

    TNotifyEvent OnTimer;

private:
    void Restart();
    void Stop();
    void Tick();

    int FInterval;
    bool FEnabled;
    bool FScheduled = false;
    TMainLoop::TimerId FId = 0;
};
