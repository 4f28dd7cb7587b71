#pragma once

#include <deque>
#include <optional>

#include "audio/NoticePoster.h"
#include "audio/SoundPlatform.h"
#include "base/MainLoop.h"

class TSimulatedSoundCard;

// The open playback stream of a simulated card: buffers play back to back on
// the card's time grid, each one's notice comes when its last sample has
// been played, and its samples go to the card's output signal.
class TSimulatedPlayback : public TSoundDevice {
public:
    TSimulatedPlayback(TSimulatedSoundCard& card, const TWaveFormat& format, TSoundNoticeSink& sink);
    ~TSimulatedPlayback() override;

    TWaveResult Submit(TWaveBuffer& buffer) override;
    TWaveResult Start() override { return wrNoError; }
    TWaveResult Reset() override;
    TWaveResult Close() override;

    // The device is gone: nothing queued is played, later buffers are only
    // held until Reset, and the failure notice is on its way.
    void Fail(TWaveResult code);

private:
    struct TQueued {
        TWaveBuffer* Buffer;
        TMainLoop::TimerId Timer; // 0 once the device failed
    };
    void Played();

    TSimulatedSoundCard& FCard;
    const TWaveFormat FFormat;
    const std::int64_t FPeriod;
    TNoticePoster FPoster;
    std::deque<TQueued> FQueue;
    std::int64_t FNextIndex = 0; // where the next buffer starts while queued back to back
    bool FRunning = false; // played since opening or the last reset
    bool FClosed = false;
    bool FFailed = false;
};

// The open capture stream of a simulated card: once started, the queued
// buffers are filled one after another from the card's input (the cables
// plugged into it), each one's notice coming when its last sample is in.
class TSimulatedCapture : public TSoundDevice {
public:
    TSimulatedCapture(TSimulatedSoundCard& card, const TWaveFormat& format, TSoundNoticeSink& sink);
    ~TSimulatedCapture() override;

    TWaveResult Submit(TWaveBuffer& buffer) override;
    TWaveResult Start() override;
    TWaveResult Reset() override;
    TWaveResult Close() override;

    // The device is gone: nothing more is recorded, buffers are only held
    // until Reset (which returns them empty), and the failure notice is on
    // its way.
    void Fail(TWaveResult code);

private:
    void BeginHead();
    void HeadFilled();
    void Fill(TWaveBuffer& buffer, std::int64_t frames);

    TSimulatedSoundCard& FCard;
    const TWaveFormat FFormat;
    const std::int64_t FPeriod;
    TNoticePoster FPoster;
    std::deque<TWaveBuffer*> FQueue;
    std::int64_t FNextIndex = 0; // next sample to take
    std::int64_t FHeadStart = 0; // first sample of the buffer being filled
    std::optional<TMainLoop::TimerId> FTimer;
    bool FStarted = false;
    bool FClosed = false;
    bool FFailed = false;
};
