#include "audio/SimulatedDevices.h"

#include <algorithm>
#include <cerrno>

#include "audio/SampleCodec.h"
#include "audio/SignalHistory.h"
#include "audio/SimulatedClock.h"
#include "audio/SimulatedSoundCard.h"

using SimulatedClock::CeilDiv;
using SimulatedClock::NowTicks;
using SimulatedClock::PeriodTicks;
using SimulatedClock::TicksToUsCeil;

TSimulatedPlayback::TSimulatedPlayback(TSimulatedSoundCard& card, const TWaveFormat& format, TSoundNoticeSink& sink)
    : FCard(card)
    , FFormat(format)
    , FPeriod(PeriodTicks(format.SamplesPerSec))
    , FPoster(sink)
{
    FPoster.Opened();
}

// Timers first (they call back into this device), then the notices still
// queued; the card's jack stays taken until then, so no second device opens
// on it while the main loop drains this one's notices.
TSimulatedPlayback::~TSimulatedPlayback()
{
    for (const auto& queued : FQueue) TMainLoop::Current().Cancel(queued.Timer);
    FPoster.Detach();
    FCard.DeviceGone(TWaveDirection::Playback);
}

TWaveResult TSimulatedPlayback::Submit(TWaveBuffer& buffer)
{
    if (FClosed) return EINVAL;
    if (FFailed || FCard.FPlaybackStalled) {
        FQueue.push_back({&buffer, 0});
        return wrNoError;
    }
    const std::int64_t blockFrames = buffer.BufferLength / FFormat.BlockAlign;
    const std::int64_t nowIndex = CeilDiv(NowTicks(), FPeriod);
    std::int64_t start = FNextIndex;
    if (FQueue.empty()) {
        if (FRunning && nowIndex > FNextIndex) ++FCard.FUnderruns;
        start = FRunning ? std::max(nowIndex, FNextIndex) : nowIndex;
    }
    TSignalHistory& signal = FCard.OutputSignal();
    for (std::int64_t f = 0; f < blockFrames; ++f)
        signal.Write(start + f, static_cast<float>(DecodeFrame(buffer.Data + f * FFormat.BlockAlign, FFormat)));
    FNextIndex = start + blockFrames;
    FRunning = true;
    const auto timer = TMainLoop::Current().ScheduleAtUs(TicksToUsCeil(FNextIndex * FPeriod), [this] { Played(); });
    FQueue.push_back({&buffer, timer});
    return wrNoError;
}

void TSimulatedPlayback::Played()
{
    TWaveBuffer* buffer = FQueue.front().Buffer;
    FQueue.pop_front();
    if (FCard.FRecordPlayback) {
        const std::uint32_t bytes = buffer->BufferLength / FFormat.BlockAlign * FFormat.BlockAlign;
        FCard.FPlayed.insert(FCard.FPlayed.end(), buffer->Data, buffer->Data + bytes);
    }
    FPoster.Done(buffer);
}

TWaveResult TSimulatedPlayback::Reset()
{
    if (!FQueue.empty()) {
        // What has not been heard yet is gone from the line.
        const std::int64_t nowIndex = CeilDiv(NowTicks(), FPeriod);
        FCard.OutputSignal().TruncateFrom(nowIndex);
        FNextIndex = std::min(FNextIndex, nowIndex);
    }
    for (const auto& queued : FQueue) {
        TMainLoop::Current().Cancel(queued.Timer);
        FPoster.Done(queued.Buffer);
    }
    FQueue.clear();
    FRunning = false;
    return wrNoError;
}

void TSimulatedPlayback::Fail(TWaveResult code)
{
    if (FFailed) return;
    FFailed = true;
    FCard.OutputSignal().TruncateFrom(CeilDiv(NowTicks(), FPeriod));
    for (auto& queued : FQueue) {
        TMainLoop::Current().Cancel(queued.Timer);
        queued.Timer = 0;
    }
    FPoster.Failed(code);
}

TWaveResult TSimulatedPlayback::Close()
{
    if (!FQueue.empty()) return EBUSY;
    if (FClosed) return EINVAL;
    FClosed = true;
    FPoster.Closed();
    return wrNoError;
}

TSimulatedCapture::TSimulatedCapture(TSimulatedSoundCard& card, const TWaveFormat& format, TSoundNoticeSink& sink)
    : FCard(card)
    , FFormat(format)
    , FPeriod(PeriodTicks(format.SamplesPerSec))
    , FPoster(sink)
{
    FPoster.Opened();
}

// In the playback device's order, for the same reasons.
TSimulatedCapture::~TSimulatedCapture()
{
    if (FTimer) TMainLoop::Current().Cancel(*FTimer);
    FPoster.Detach();
    FCard.DeviceGone(TWaveDirection::Capture);
}

TWaveResult TSimulatedCapture::Submit(TWaveBuffer& buffer)
{
    if (FClosed) return EINVAL;
    buffer.BytesRecorded = 0;
    FQueue.push_back(&buffer);
    if (FStarted && !FFailed && FQueue.size() == 1) BeginHead();
    return wrNoError;
}

TWaveResult TSimulatedCapture::Start()
{
    if (FClosed) return EINVAL;
    if (FStarted) return wrNoError;
    FStarted = true;
    FNextIndex = CeilDiv(NowTicks(), FPeriod);
    if (!FQueue.empty() && !FFailed) BeginHead();
    return wrNoError;
}

void TSimulatedCapture::BeginHead()
{
    const std::int64_t nowIndex = CeilDiv(NowTicks(), FPeriod);
    if (nowIndex > FNextIndex) {
        // Nothing was queued to take these samples.
        ++FCard.FOverruns;
        FNextIndex = nowIndex;
    }
    FHeadStart = FNextIndex;
    const std::int64_t frames = FQueue.front()->BufferLength / FFormat.BlockAlign;
    FTimer =
        TMainLoop::Current().ScheduleAtUs(TicksToUsCeil((FHeadStart + frames) * FPeriod), [this] { HeadFilled(); });
}

void TSimulatedCapture::HeadFilled()
{
    FTimer.reset();
    TWaveBuffer* buffer = FQueue.front();
    FQueue.pop_front();
    const std::int64_t frames = buffer->BufferLength / FFormat.BlockAlign;
    Fill(*buffer, frames);
    FNextIndex = FHeadStart + frames;
    FPoster.Done(buffer);
    if (!FQueue.empty()) BeginHead();
}

void TSimulatedCapture::Fill(TWaveBuffer& buffer, std::int64_t frames)
{
    for (std::int64_t f = 0; f < frames; ++f)
        EncodeFrame(FCard.InputValueAt(static_cast<double>((FHeadStart + f) * FPeriod)),
            buffer.Data + f * FFormat.BlockAlign, FFormat);
    buffer.BytesRecorded = static_cast<std::uint32_t>(frames * FFormat.BlockAlign);
}

TWaveResult TSimulatedCapture::Reset()
{
    if (FTimer) {
        TMainLoop::Current().Cancel(*FTimer);
        FTimer.reset();
        // The buffer being filled comes back with the samples taken so far.
        const std::int64_t room = FQueue.front()->BufferLength / FFormat.BlockAlign;
        Fill(*FQueue.front(), std::clamp<std::int64_t>(NowTicks() / FPeriod - FHeadStart, 0, room));
    }
    for (TWaveBuffer* buffer : FQueue) FPoster.Done(buffer);
    FQueue.clear();
    FStarted = false;
    return wrNoError;
}

void TSimulatedCapture::Fail(TWaveResult code)
{
    if (FFailed) return;
    FFailed = true;
    if (FTimer) TMainLoop::Current().Cancel(*FTimer);
    FTimer.reset();
    FPoster.Failed(code);
}

TWaveResult TSimulatedCapture::Close()
{
    if (!FQueue.empty()) return EBUSY;
    if (FClosed) return EINVAL;
    FClosed = true;
    FPoster.Closed();
    return wrNoError;
}
