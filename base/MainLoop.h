#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// The one main loop of the process. All program logic runs on the thread that
// created it (the main thread). Worker threads hand work over with Post or
// Synchronize. Timers and posted work run inside a guard: an exception that
// escapes them goes to the error report and the loop carries on.
class TMainLoop {
public:
    using TimerId = std::uint64_t;
    using ErrorReport = std::function<void(const std::string& message)>;

    TMainLoop();
    TMainLoop(const TMainLoop&) = delete;
    TMainLoop& operator=(const TMainLoop&) = delete;
    virtual ~TMainLoop();

    static TMainLoop& Current();
    static bool Exists();

    // Any thread: run fn later on the main thread, in posting order.
    void Post(std::function<void()> fn);
    // Any thread: run fn on the main thread and wait until it has run. On the
    // main thread itself fn runs at once.
    void Synchronize(const std::function<void()>& fn);
    bool IsMainThread() const { return std::this_thread::get_id() == FMainThread; }

    // Main thread: serve posted work (device notices, Synchronize hand-offs)
    // until done() holds. Timers do not run meanwhile and virtual time does
    // not move. Returns false if done() still fails after realTimeoutMs.
    bool WaitUntil(const std::function<bool()>& done, int realTimeoutMs = 10000);

    // Monotonic time since the loop started.
    virtual std::int64_t NowUs() const = 0;
    std::int64_t NowMs() const { return NowUs() / 1000; }

    // Main thread: run fn once at the given time (or as soon as possible after).
    virtual TimerId ScheduleAtUs(std::int64_t dueUs, std::function<void()> fn) = 0;
    virtual void Cancel(TimerId id) = 0;

    // The top-level error report. The default writes a line on stderr.
    void SetErrorReport(ErrorReport report);
    void ReportError(const std::string& message);
    // Run fn; an exception escaping it goes to the error report.
    void Guarded(const std::function<void()>& fn);

protected:
    // Run everything posted so far (and what that posts in turn). Returns the
    // number of items run.
    std::size_t RunPosted();
    bool HasPosted() const;
    // Block the calling (main) thread until something is posted or the time
    // has passed.
    void WaitForPosted(std::chrono::steady_clock::time_point until);
    // A post arrived; an implementation driven by another event loop hooks this.
    virtual void PostArrived() { }

private:
    std::thread::id FMainThread;
    mutable std::mutex FMutex;
    std::condition_variable FPosted;
    std::deque<std::function<void()>> FQueue;
    ErrorReport FErrorReport;
};
