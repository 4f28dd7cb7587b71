#pragma once

#include <alsa/asoundlib.h>
#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "audio/NoticePoster.h"
#include "audio/SoundPlatform.h"
#include "base/WakeUp.h"

class TAlsaSoundPlatform;

// One open ALSA PCM and its worker thread. The worker plays or records the
// submitted buffers in order (a list linked through DeviceNext, so queuing
// allocates nothing) and posts each finished one to the main loop. Only the
// worker touches the PCM once it runs; Reset and Close are requests the
// worker carries out, woken through an eventfd, so it never sleeps through a
// request. A PCM that fails beyond recovery (a device unplugged, the sound
// server gone) is reported once as a failure notice; from then on the worker
// holds the buffers until Reset and closes without draining.
class TAlsaDevice : public TSoundDevice {
public:
    TAlsaDevice(TAlsaSoundPlatform& platform, TWaveDirection direction, snd_pcm_t* pcm, const TWaveFormat& format,
        snd_pcm_uframes_t periodFrames, TSoundNoticeSink& sink);
    ~TAlsaDevice() override;

    TWaveResult Submit(TWaveBuffer& buffer) override;
    TWaveResult Start() override;
    // Waits until the worker has stopped the PCM and posted every buffer.
    TWaveResult Reset() override;
    TWaveResult Close() override;

private:
    void Run();
    // false when a reset or stop cut the transfer short, or the PCM failed.
    bool Play(TWaveBuffer& buffer);
    bool Record(TWaveBuffer& buffer);
    void ReturnAll();
    void Finish();
    // An xrun or suspend is recovered and counted; false if the PCM failed,
    // which has then been reported.
    bool Recover(long error);
    // Sleep until about a period can be transferred, or a request comes.
    void WaitForPcm();
    void WaitForRequest(int timeoutMs);
    int FramesToMs(std::uint64_t frames) const;

    TAlsaSoundPlatform& FPlatform;
    const TWaveDirection FDirection;
    snd_pcm_t* const FPcm;
    const TWaveFormat FFormat;
    const snd_pcm_sframes_t FPeriodFrames;
    TNoticePoster FPoster;
    const TWakeUp FWake;
    bool FFailed = false; // worker only: the PCM failed for good

    std::mutex FMutex;
    std::condition_variable FChanged;
    TWaveBuffer* FHead = nullptr;
    TWaveBuffer* FTail = nullptr;
    bool FStartAsked = false;
    bool FResetAsked = false;
    bool FResetDone = false;
    bool FCloseAsked = false;
    bool FStopAsked = false;
    std::atomic<bool> FInterrupt {false}; // a reset or stop waits for the worker

    std::thread FWorker;
};
