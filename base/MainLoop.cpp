#include "MainLoop.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <future>
#include <stdexcept>

namespace {
// Atomic: the shutdown-signal watcher asks from its own thread whether a
// loop exists.
std::atomic<TMainLoop*> current = nullptr;
} // namespace

TMainLoop::TMainLoop()
    : FMainThread(std::this_thread::get_id())
{
    if (current) throw std::logic_error("a main loop exists already");
    current = this;
}

TMainLoop::~TMainLoop()
{
    current = nullptr;
}

TMainLoop& TMainLoop::Current()
{
    if (!current) throw std::logic_error("no main loop");
    return *current.load();
}

bool TMainLoop::Exists()
{
    return current != nullptr;
}

void TMainLoop::Post(std::function<void()> fn)
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FQueue.push_back(std::move(fn));
    }
    FPosted.notify_all();
    PostArrived();
}

void TMainLoop::Synchronize(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        Guarded(fn);
        return;
    }
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    Post([&fn, &done] {
        // The worker waits for this; whatever fn throws is reported here.
        Current().Guarded(fn);
        done.set_value();
    });
    finished.wait();
}

bool TMainLoop::WaitUntil(const std::function<bool()>& done, int realTimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realTimeoutMs);
    while (!done()) {
        if (RunPosted() > 0) continue;
        if (std::chrono::steady_clock::now() >= deadline) return done();
        WaitForPosted(std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(10)));
    }
    return true;
}

void TMainLoop::SetErrorReport(ErrorReport report)
{
    FErrorReport = std::move(report);
}

void TMainLoop::ReportError(const std::string& message)
{
    if (FErrorReport)
        FErrorReport(message);
    else
        std::fprintf(stderr, "parlet: error: %s\n", message.c_str());
}

void TMainLoop::Guarded(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("unknown error");
    }
}

std::size_t TMainLoop::RunPosted()
{
    std::size_t count = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (FQueue.empty()) return count;
            fn = std::move(FQueue.front());
            FQueue.pop_front();
        }
        Guarded(fn);
        ++count;
    }
}

bool TMainLoop::HasPosted() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return !FQueue.empty();
}

void TMainLoop::WaitForPosted(std::chrono::steady_clock::time_point until)
{
    std::unique_lock<std::mutex> lock(FMutex);
    FPosted.wait_until(lock, until, [this] { return !FQueue.empty(); });
}
