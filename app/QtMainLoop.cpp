#include "QtMainLoop.h"

#include <QCoreApplication>

#include <algorithm>
#include <stdexcept>

TQtMainLoop::TQtMainLoop() : context_(std::make_unique<QObject>()), timer_(std::make_unique<QTimer>())
{
    if (!QCoreApplication::instance()) throw std::logic_error("the Qt main loop needs a QApplication");
    clock_.start();
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, context_.get(), [this] { RunDueTimers(); });
}

TQtMainLoop::~TQtMainLoop()
{
    timer_.reset();
    context_.reset();
}

std::int64_t TQtMainLoop::NowUs() const
{
    return clock_.nsecsElapsed() / 1000;
}

TMainLoop::TimerId TQtMainLoop::ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn)
{
    const TimerId id = timers_.Add(dueUs, std::move(fn));
    ArmTimer();
    return id;
}

void TQtMainLoop::Cancel(TimerId id)
{
    timers_.Remove(id);
    ArmTimer();
}

void TQtMainLoop::PostArrived()
{
    if (drainQueued_.exchange(true)) return;
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            // Cleared before draining: a post that arrives while the drain
            // runs queues the next drain, so nothing is left behind.
            drainQueued_ = false;
            RunPosted();
        },
        Qt::QueuedConnection);
}

void TQtMainLoop::RunDueTimers()
{
    while (auto fn = timers_.TakeDue(NowUs())) Guarded(*fn);
    ArmTimer();
}

void TQtMainLoop::ArmTimer()
{
    const auto next = timers_.NextDueUs();
    if (!next) {
        timer_->stop();
        return;
    }
    // Rounded up to whole milliseconds: a timer never runs before it is due.
    const std::int64_t waitUs = *next - NowUs();
    const std::int64_t waitMs = waitUs <= 0 ? 0 : (waitUs + 999) / 1000;
    timer_->start(static_cast<int>(std::min<std::int64_t>(waitMs, 24LL * 3600 * 1000)));
}
