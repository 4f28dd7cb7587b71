#include "base/WorkerThread.h"

#include "base/MainLoop.h"

namespace {

// Joins a thread when it runs or, at the latest, when it is thrown away.
struct TJoiner {
    std::thread thread;
    ~TJoiner() { Join(); }
    void Join()
    {
        if (thread.joinable()) thread.join();
    }
};

} // namespace

void TWorkerControl::HandOff(const std::function<void()>& fn)
{
    if (stopping_) return;
    TMainLoop::Current().Synchronize([this, &fn] {
        if (stopping_) return;
        struct TEnd {
            TWorkerControl& control;
            ~TEnd()
            {
                control.dispatching_ = false;
                if (!control.orphan_.joinable()) return;
                // Stopped from inside this hand-off: the worker is released
                // as soon as it returns, so a join posted now is prompt.
                auto joiner = std::make_shared<TJoiner>();
                joiner->thread = std::move(control.orphan_);
                TMainLoop::Current().Post([joiner] { joiner->Join(); });
            }
        } end{*this};
        dispatching_ = true;
        fn();
    });
}

TWorkerThread::TWorkerThread(std::function<void(TWorkerControl&)> body) : control_(std::make_shared<TWorkerControl>())
{
    std::shared_ptr<TWorkerControl> control = control_;
    thread_ = std::thread([control, body = std::move(body)] {
        body(*control);
        control->finished_ = true;
    });
}

TWorkerThread::~TWorkerThread()
{
    Stop([] {});
}

void TWorkerThread::Stop(const std::function<void()>& wake)
{
    control_->stopping_ = true;
    wake();
    if (!thread_.joinable()) return;
    if (control_->dispatching_) {
        control_->orphan_ = std::move(thread_);
        return;
    }
    std::shared_ptr<TWorkerControl> control = control_;
    TMainLoop::Current().WaitUntil([control] { return control->finished_.load(); }, 10000);
    if (thread_.joinable()) thread_.join();
}
