#include "QtMainLoop.h"

#include <QCoreApplication>

#include <algorithm>
#include <stdexcept>

TQtMainLoop::TQtMainLoop()
    : FContext(std::make_unique<QObject>())
    , FTimer(std::make_unique<QTimer>())
{
    if (!QCoreApplication::instance()) throw std::logic_error("the Qt main loop needs a QApplication");
    FClock.start();
    FTimer->setSingleShot(true);
    FTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(FTimer.get(), &QTimer::timeout, FContext.get(), [this] { RunDueTimers(); });
}

TQtMainLoop::~TQtMainLoop() = default;

std::int64_t TQtMainLoop::NowUs() const
{
    return FClock.nsecsElapsed() / 1000;
}

TMainLoop::TimerId TQtMainLoop::ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn)
{
    const TimerId id = FTimers.Add(dueUs, std::move(fn));
    ArmTimer();
    return id;
}

void TQtMainLoop::Cancel(TimerId id)
{
    FTimers.Remove(id);
    ArmTimer();
}

void TQtMainLoop::PostArrived()
{
    if (FDrainQueued.exchange(true)) return;
    QMetaObject::invokeMethod(
        FContext.get(),
        [this] {
            // Cleared before draining: a post that arrives while the drain
            // runs queues the next drain, so nothing is left behind.
            FDrainQueued = false;
            RunPosted();
        },
        Qt::QueuedConnection);
}

void TQtMainLoop::RunDueTimers()
{
    while (auto fn = FTimers.TakeDue(NowUs())) Guarded(*fn);
    ArmTimer();
}

void TQtMainLoop::ArmTimer()
{
    const auto next = FTimers.NextDueUs();
    if (!next) {
        FTimer->stop();
        return;
    }
    // Rounded up to whole milliseconds: a timer never runs before it is due.
    const std::int64_t waitUs = *next - NowUs();
    const std::int64_t waitMs = waitUs <= 0 ? 0 : (waitUs + 999) / 1000;
    FTimer->start(static_cast<int>(std::min<std::int64_t>(waitMs, 24LL * 3600 * 1000)));
}
