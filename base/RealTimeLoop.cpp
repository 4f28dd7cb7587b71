#include "RealTimeLoop.h"

#include <algorithm>

TRealTimeLoop::TRealTimeLoop() : start_(std::chrono::steady_clock::now()) {}

std::int64_t TRealTimeLoop::NowUs() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count();
}

TMainLoop::TimerId TRealTimeLoop::ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn)
{
    return timers_.Add(dueUs, std::move(fn));
}

void TRealTimeLoop::Cancel(TimerId id)
{
    timers_.Remove(id);
}

void TRealTimeLoop::Run()
{
    quit_ = false;
    while (!quit_) RunOnce(std::chrono::steady_clock::now() + std::chrono::milliseconds(100));
}

void TRealTimeLoop::Quit()
{
    quit_ = true;
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
    while (auto fn = timers_.TakeDue(NowUs())) {
        Guarded(*fn);
        RunPosted();
    }
    auto until = deadline;
    if (const auto next = timers_.NextDueUs()) until = std::min(until, start_ + std::chrono::microseconds(*next));
    if (!HasPosted() && until > std::chrono::steady_clock::now()) WaitForPosted(until);
}
