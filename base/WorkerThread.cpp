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
    if (FStopping) return;
    TMainLoop::Current().Synchronize([this, &fn] {
        if (FStopping) return;
        struct TEnd {
            TWorkerControl& control;
            ~TEnd()
            {
                control.FDispatching = false;
                if (!control.FOrphan.joinable()) return;
                // Stopped from inside this hand-off: the worker is released
                // as soon as it returns, so a join posted now is prompt.
                auto joiner = std::make_shared<TJoiner>();
                joiner->thread = std::move(control.FOrphan);
                TMainLoop::Current().Post([joiner] { joiner->Join(); });
            }
        } end {*this};
        FDispatching = true;
        fn();
    });
}

TWorkerThread::TWorkerThread(std::function<void(TWorkerControl&)> body)
    : FControl(std::make_shared<TWorkerControl>())
{
    std::shared_ptr<TWorkerControl> control = FControl;
    FThread = std::thread([control, body = std::move(body)] {
        body(*control);
        control->FFinished = true;
    });
}

TWorkerThread::~TWorkerThread()
{
    Stop([] {});
}

void TWorkerThread::Stop(const std::function<void()>& wake)
{
    FControl->FStopping = true;
    wake();
    if (!FThread.joinable()) return;
    if (FControl->FDispatching) {
        FControl->FOrphan = std::move(FThread);
        return;
    }
    std::shared_ptr<TWorkerControl> control = FControl;
    TMainLoop::Current().WaitUntil([control] { return control->FFinished.load(); }, 10000);
    if (FThread.joinable()) FThread.join();
}
