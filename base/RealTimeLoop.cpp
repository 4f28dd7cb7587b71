#include "RealTimeLoop.h"

#include <algorithm>

TRealTimeLoop::TRealTimeLoop()
    : FStart(std::chrono::steady_clock::now())
{
}

std::int64_t TRealTimeLoop::NowUs() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - FStart).count();
}

TMainLoop::TimerId TRealTimeLoop::ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn)
{
    return FTimers.Add(dueUs, std::move(fn));
}

void TRealTimeLoop::Cancel(TimerId id)
{
    FTimers.Remove(id);
}

void TRealTimeLoop::Run()
{
    FQuit = false;
    while (!FQuit) RunOnce(std::chrono::steady_clock::now() + std::chrono::milliseconds(100));
}

void TRealTimeLoop::Quit()
{
    FQuit = true;
    Post([] {});
}

void TRealTimeLoop::RunForMs(std::int64_t ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) RunOnce(end);
}

bool TRealTimeLoop::RunUntil(const std::function<bool()>& pred, std::int64_t timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end) return pred();
        RunOnce(end);
    }
    return true;
}

void TRealTimeLoop::RunOnce(std::chrono::steady_clock::time_point deadline)
{
    RunPosted();
    while (auto fn = FTimers.TakeDue(NowUs())) {
        Guarded(*fn);
        RunPosted();
    }
    auto until = deadline;
    if (const auto next = FTimers.NextDueUs()) until = std::min(until, FStart + std::chrono::microseconds(*next));
    if (!HasPosted() && until > std::chrono::steady_clock::now()) WaitForPosted(until);
}
