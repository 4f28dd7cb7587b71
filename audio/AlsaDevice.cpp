#include "audio/AlsaDevice.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "audio/AlsaSoundPlatform.h"

TAlsaDevice::TAlsaDevice(TAlsaSoundPlatform& platform, TWaveDirection direction, snd_pcm_t* pcm,
    const TWaveFormat& format, snd_pcm_uframes_t periodFrames, TSoundNoticeSink& sink)
    : FPlatform(platform)
    , FDirection(direction)
    , FPcm(pcm)
    , FFormat(format)
    , FPeriodFrames(static_cast<snd_pcm_sframes_t>(std::max<snd_pcm_uframes_t>(periodFrames, 1)))
    , FPoster(sink)
{
    FPoster.Opened();
    FWorker = std::thread([this] { Run(); });
}

// The worker stops and is joined before the PCM it uses is closed, and the
// poster detaches only then, once nothing can post any more.
TAlsaDevice::~TAlsaDevice()
{
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStopAsked = true;
        FInterrupt = true;
    }
    FWake.Raise();
    FWorker.join();
    snd_pcm_close(FPcm);
    FPoster.Detach();
}

TWaveResult TAlsaDevice::Submit(TWaveBuffer& buffer)
{
    std::lock_guard<std::mutex> lock(FMutex);
    if (FCloseAsked) return EINVAL;
    AppendToDeviceQueue(FHead, FTail, buffer);
    FChanged.notify_all();
    return wrNoError;
}

TWaveResult TAlsaDevice::Start()
{
    std::lock_guard<std::mutex> lock(FMutex);
    FStartAsked = true;
    FChanged.notify_all();
    return wrNoError;
}

TWaveResult TAlsaDevice::Reset()
{
    std::unique_lock<std::mutex> lock(FMutex);
    if (FCloseAsked) return EINVAL;
    FResetAsked = true;
    FResetDone = false;
    FInterrupt = true;
    FChanged.notify_all();
    FWake.Raise();
    FChanged.wait(lock, [this] { return FResetDone; });
    return wrNoError;
}

TWaveResult TAlsaDevice::Close()
{
    std::lock_guard<std::mutex> lock(FMutex);
    if (FHead) return EBUSY;
    if (FCloseAsked) return EINVAL;
    FCloseAsked = true;
    FChanged.notify_all();
    return wrNoError;
}

void TAlsaDevice::Run()
{
    const bool playback = FDirection == TWaveDirection::Playback;
    pthread_setname_np(pthread_self(), playback ? "parlet-play" : "parlet-record");
    for (;;) {
        TWaveBuffer* buffer = nullptr;
        {
            std::unique_lock<std::mutex> lock(FMutex);
            FChanged.wait(lock, [&] {
                return FStopAsked || FResetAsked || (FCloseAsked && !FHead)
                    || (FHead && !FFailed && (playback || FStartAsked));
            });
            if (FStopAsked) return;
            if (!FResetAsked && !FHead) {
                lock.unlock();
                Finish();
                FPoster.Closed();
                return;
            }
            buffer = FResetAsked ? nullptr : FHead;
        }
        if (!buffer) {
            ReturnAll();
            continue;
        }
        if (!(playback ? Play(*buffer) : Record(*buffer))) continue;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FHead = buffer->DeviceNext;
            if (!FHead) FTail = nullptr;
        }
        FPoster.Done(buffer);
    }
}

bool TAlsaDevice::Play(TWaveBuffer& buffer)
{
    const snd_pcm_uframes_t frames = buffer.BufferLength / FFormat.BlockAlign;
    snd_pcm_uframes_t done = 0;
    while (done < frames) {
        if (FInterrupt) return false;
        const snd_pcm_sframes_t n = snd_pcm_writei(FPcm, buffer.Data + done * FFormat.BlockAlign, frames - done);
        if (n > 0) {
            done += static_cast<snd_pcm_uframes_t>(n);
        } else if (n == 0 || n == -EAGAIN) {
            WaitForPcm();
        } else if (!Recover(n)) {
            return false;
        }
    }
    return true;
}

bool TAlsaDevice::Record(TWaveBuffer& buffer)
{
    const snd_pcm_uframes_t frames = buffer.BufferLength / FFormat.BlockAlign;
    snd_pcm_uframes_t done = buffer.BytesRecorded / FFormat.BlockAlign;
    while (done < frames) {
        if (FInterrupt) return false;
        if (snd_pcm_state(FPcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(FPcm);
        const snd_pcm_sframes_t n = snd_pcm_readi(FPcm, buffer.Data + done * FFormat.BlockAlign, frames - done);
        if (n > 0) {
            done += static_cast<snd_pcm_uframes_t>(n);
            buffer.BytesRecorded = static_cast<std::uint32_t>(done * FFormat.BlockAlign);
        } else if (n == 0 || n == -EAGAIN) {
            WaitForPcm();
        } else if (!Recover(n)) {
            return false;
        }
    }
    return true;
}

bool TAlsaDevice::Recover(long error)
{
    if (error == -EPIPE || error == -ESTRPIPE) {
        if (FDirection == TWaveDirection::Playback)
            ++FPlatform.FUnderruns;
        else
            ++FPlatform.FOverruns;
    }
    const int result = snd_pcm_recover(FPcm, static_cast<int>(error), 1);
    if (result == 0) return true;
    // The buffer in hand stays queued; the stream resets and closes on the
    // notice.
    FFailed = true;
    FPoster.Failed(static_cast<TWaveResult>(-result));
    return false;
}

// The PCM's own poll descriptors are not used: PulseAudio's plugin reports
// a capture stream readable before a period is there, which would make the
// worker spin. Sound moves at the sample rate, so the worker sleeps until
// about a period is ready (never less than a quarter period), and a request
// wakes it at once.
void TAlsaDevice::WaitForPcm()
{
    const snd_pcm_sframes_t avail = std::max<snd_pcm_sframes_t>(snd_pcm_avail_update(FPcm), 0);
    const snd_pcm_sframes_t missing = std::max(FPeriodFrames - avail, FPeriodFrames / 4);
    WaitForRequest(FramesToMs(static_cast<std::uint64_t>(missing)));
}

int TAlsaDevice::FramesToMs(std::uint64_t frames) const
{
    const std::uint64_t rate = std::max<std::uint32_t>(FFormat.SamplesPerSec, 1);
    return static_cast<int>(std::max<std::uint64_t>((frames * 1000 + rate - 1) / rate, 1));
}

void TAlsaDevice::WaitForRequest(int timeoutMs)
{
    pollfd wake {FWake.Fd(), POLLIN, 0};
    if (::poll(&wake, 1, timeoutMs) > 0) FWake.Drain();
}

void TAlsaDevice::ReturnAll()
{
    // Stop at once: playback drops what is waiting in the device, capture
    // keeps what the buffer being filled has got so far. A failed PCM has
    // nothing left to stop.
    if (!FFailed) {
        snd_pcm_drop(FPcm);
        snd_pcm_prepare(FPcm);
    }
    TWaveBuffer* list = nullptr;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        list = FHead;
        FHead = FTail = nullptr;
        FStartAsked = false;
    }
    while (list) {
        TWaveBuffer* next = list->DeviceNext;
        FPoster.Done(list);
        list = next;
    }
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FResetAsked = false;
        FInterrupt = FStopAsked;
        FResetDone = true;
    }
    FChanged.notify_all();
}

void TAlsaDevice::Finish()
{
    if (FFailed) return;
    if (FDirection == TWaveDirection::Capture) {
        snd_pcm_drop(FPcm);
        return;
    }
    // Let the last buffers be heard before the device closes.
    snd_pcm_nonblock(FPcm, 0);
    snd_pcm_drain(FPcm);
}
