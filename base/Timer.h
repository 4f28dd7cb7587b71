#pragma once

#include "Event.h"
#include "MainLoop.h"

// Whether a timer fires again after each tick, or disables itself before its
// one tick runs.
enum class TTimerRepeat { Repeating, OneShot };

// A main-thread timer. Interval in milliseconds; an interval of 0 never
// fires. Setting the interval it already has does not restart it; a new
// interval, or enabling a disabled timer, starts a fresh interval. A
// repeating timer fires while enabled; a one-shot timer is disabled when it
// fires, so its handler may enable it again for another round.
class TTimer : public TObject {
public:
    explicit TTimer(int intervalMs = 1000, bool enabled = false, TTimerRepeat repeat = TTimerRepeat::Repeating);
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
    const TTimerRepeat FRepeat;
    bool FScheduled = false;
    TMainLoop::TimerId FId = 0;
};
