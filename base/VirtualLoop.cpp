#include "VirtualLoop.h"

TMainLoop::TimerId TVirtualLoop::ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn)
{
    return timers_.Add(dueUs < nowUs_ ? nowUs_ : dueUs, std::move(fn));
}

void TVirtualLoop::Cancel(TimerId id)
{
    timers_.Remove(id);
}

void TVirtualLoop::RunPending()
{
    RunPosted();
}

void TVirtualLoop::AdvanceToUs(std::int64_t targetUs)
{
    RunPosted();
    for (;;) {
        const auto next = timers_.NextDueUs();
        if (!next || *next > targetUs) break;
        if (*next > nowUs_) nowUs_ = *next;
        if (auto fn = timers_.TakeDue(nowUs_)) Guarded(*fn);
        RunPosted();
    }
    if (targetUs > nowUs_) nowUs_ = targetUs;
    RunPosted();
}

bool TVirtualLoop::AdvanceUntil(const std::function<bool()>& pred, std::int64_t maxMs, std::int64_t stepUs)
{
    const std::int64_t end = nowUs_ + maxMs * 1000;
    RunPosted();
    while (!pred()) {
        if (nowUs_ >= end) return false;
        AdvanceToUs(std::min(end, nowUs_ + stepUs));
    }
    return true;
}
