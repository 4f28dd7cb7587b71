#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

#include "base/MainLoop.h"
#include "base/TimerQueue.h"

// The program's main loop: Qt's event loop on the GUI thread. Timers are kept
// in one queue served by a single QTimer that is re-armed for the earliest due
// time; posted work is drained by a queued call on the GUI thread, so worker
// threads never touch a widget. Needs a QCoreApplication; it runs while Qt's
// loop runs (exec, a modal box, processEvents).
class TQtMainLoop : public TMainLoop {
public:
    TQtMainLoop();
    ~TQtMainLoop() override;

    std::int64_t NowUs() const override;
    TimerId ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn) override;
    void Cancel(TimerId id) override;

protected:
    void PostArrived() override;

private:
    void RunDueTimers();
    void ArmTimer();

    QElapsedTimer FClock;
    TTimerQueue FTimers;
    // The target of the queued drain calls; it lives on the GUI thread, and
    // destroying it drops calls still queued.
    std::unique_ptr<QObject> FContext;
    std::unique_ptr<QTimer> FTimer;
    // At most one drain call is queued at a time, however many posts arrive.
    std::atomic<bool> FDrainQueued {false};
};
