#include "audio/NoticePoster.h"

#include "base/MainLoop.h"

// Each delivery counts itself off first: the sink may destroy the device (and
// this poster) while it handles the closed notice.

void TNoticePoster::Opened()
{
    ++FPending;
    TMainLoop::Current().Post([this] {
        --FPending;
        if (!FDetached) FSink.DeviceOpened();
    });
}

void TNoticePoster::Done(TWaveBuffer* buffer)
{
    ++FPending;
    TMainLoop::Current().Post([this, buffer] {
        --FPending;
        if (!FDetached) FSink.BufferDone(buffer);
    });
}

void TNoticePoster::Closed()
{
    ++FPending;
    TMainLoop::Current().Post([this] {
        --FPending;
        if (!FDetached) FSink.DeviceClosed();
    });
}

void TNoticePoster::Failed(TWaveResult code)
{
    ++FPending;
    TMainLoop::Current().Post([this, code] {
        --FPending;
        if (!FDetached) FSink.DeviceFailed(code);
    });
}

void TNoticePoster::Detach()
{
    FDetached = true;
    if (FPending > 0) TMainLoop::Current().WaitUntil([this] { return FPending == 0; });
}
