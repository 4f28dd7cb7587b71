#include "VirtualLoop.h"

TMainLoop::TimerId TVirtualLoop::ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn)
{
    return FTimers.Add(dueUs < FNowUs ? FNowUs : dueUs, std::move(fn));
}

void TVirtualLoop::Cancel(TimerId id)
{
    FTimers.Remove(id);
}

void TVirtualLoop::RunPending()
{
    RunPosted();
}

void TVirtualLoop::AdvanceToUs(std::int64_t targetUs)
{
    RunPosted();
    for (;;) {
        const auto next = FTimers.NextDueUs();
        if (!next || *next > targetUs) break;
        if (*next > FNowUs) FNowUs = *next;
        if (auto fn = FTimers.TakeDue(FNowUs)) Guarded(*fn);
        RunPosted();
    }
    if (targetUs > FNowUs) FNowUs = targetUs;
    RunPosted();
}

bool TVirtualLoop::AdvanceUntil(const std::function<bool()>& pred, std::int64_t maxMs, std::int64_t stepUs)
{
    const std::int64_t end = FNowUs + maxMs * 1000;
    RunPosted();
    while (!pred()) {
        if (FNowUs >= end) return false;
        AdvanceToUs(std::min(end, FNowUs + stepUs));
    }
    return true;
}
