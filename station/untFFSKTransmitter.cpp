#include "untFFSKTransmitter.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/Exceptions.h"
#include "base/MainLoop.h"
#include "base/Translation.h"
#include "modem/FrameFormat.h"
#include "modem/untFFSK.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"

TFfskMessage::TFfskMessage(TSoundPlatform& sound, TInterface& rigInterface)
    : FRigInterface(rigInterface)
{
    FModulator = std::make_unique<TFFSK>(sound);
    FReadyConnection = FModulator->OnReady.Connect([this](TObject*) { SendNext(); });
    FPlayerLostConnection = FModulator->OnPlayerLost.Connect([this](TObject*) {
        AbortKeying(Translated("The transmitter was released because the sound card went away while sending"));
    });
    FDelayTimer = std::make_unique<TTimer>(1000, false, TTimerRepeat::OneShot);
    FDelayConnection = FDelayTimer->OnTimer.Connect([this](TObject*) { DelayTimerTick(); });
    FKeyingWatchdog = std::make_unique<TTimer>(KeyingMarginMs, false, TTimerRepeat::OneShot);
    FWatchdogConnection = FKeyingWatchdog->OnTimer.Connect([this](TObject*) { KeyingWatchdogTick(); });
}

// The radio is not unkeyed here: the rig interface's own destruction decides
// what becomes of the keying line.
TFfskMessage::~TFfskMessage() = default;

int TFfskMessage::DeviceID() const
{
    return FModulator->DeviceID();
}

void TFfskMessage::SetDeviceID(int id)
{
    FModulator->SetDeviceID(id);
}

void TFfskMessage::ReopenDevice()
{
    FModulator->ReopenDevice();
}

void TFfskMessage::AddText(const TQueuedText& text, int delayMs)
{
    FTexts.push_back(text);
    if (FTx) return;
    OnTX(this, true);
    FTx = true;
    FKeyingDeadlineUs = TMainLoop::Current().NowUs();
    ExtendKeyingDeadline((static_cast<std::int64_t>(delayMs > 0 ? delayMs : 0) + KeyingMarginMs) * 1000);
    try {
        FRigInterface.SetTransmitRequest(true, true);
    } catch (const Exception&) {
        // The radio could not be keyed: the keying ends before it began and
        // the text goes back to whoever handed it (the queue keeps it for its
        // next tick), so it is neither sent twice nor reported twice.
        FTexts.pop_back();
        try {
            Release();
        } catch (const Exception&) {
            // The same fault again; the first report is the one to show.
        }
        throw;
    }
    if (delayMs <= 0) {
        // A timer with no interval never fires, which would leave the radio
        // keyed with the text unsent: with no courtesy delay the frame starts
        // at once.
        SendNext();
        return;
    }
    FDelayTimer->SetInterval(delayMs);
    FDelayTimer->SetEnabled(true);
}

void TFfskMessage::DelayTimerTick()
{
    SendNext();
}

void TFfskMessage::SendNext()
{
    if (!FTx) return;
    if (FModulator->PlayerLost()) {
        // Written now, the frame would sound whenever the device returns,
        // long after this keying.
        AbortKeying(Translated("The transmitter was released because the sound card is not available"));
        return;
    }
    // Ready means the text before has been played out.
    if (const std::uint64_t played = std::exchange(FOnAirId, 0)) OnTextSent(this, played);
    if (!FTexts.empty()) {
        const TQueuedText next = std::move(FTexts.front());
        FTexts.pop_front();
        ExtendKeyingDeadline(FrameAirtimeUs(next.Text.size()) + FrameOverheadMs * 1000);
        FModulator->WriteText(next.Text);
        FOnAirId = next.Id;
        OnTextOnAir(this, next.Id);
        return;
    }
    Release();
}

void TFfskMessage::Release()
{
    FKeyingWatchdog->SetEnabled(false);
    OnTX(this, false);
    FTx = false;
    FRigInterface.SetTransmitRequest(false, true);
}

std::int64_t TFfskMessage::FrameAirtimeUs(std::size_t textLength)
{
    return FFSKFrame::FrameAirtimeUs(textLength);
}

void TFfskMessage::ExtendKeyingDeadline(std::int64_t us)
{
    FKeyingDeadlineUs += us;
    const std::int64_t leftUs = FKeyingDeadlineUs - TMainLoop::Current().NowUs();
    FKeyingWatchdog->SetEnabled(false);
    FKeyingWatchdog->SetInterval(static_cast<int>(std::max<std::int64_t>(1, (leftUs + 999) / 1000)));
    FKeyingWatchdog->SetEnabled(true);
}

void TFfskMessage::KeyingWatchdogTick()
{
    AbortKeying(Translated("The transmitter was released because the sound card did not play the message out"));
}

void TFfskMessage::AbortKeying(const std::string& reason)
{
    FKeyingWatchdog->SetEnabled(false);
    if (!FTx) return;
    // The text cut off while sounding counts as not sent, like those that
    // never started.
    std::vector<std::uint64_t> failed;
    if (FOnAirId != 0) failed.push_back(std::exchange(FOnAirId, 0));
    for (const TQueuedText& text : FTexts) failed.push_back(text.Id);
    FTexts.clear();
    FDelayTimer->SetEnabled(false);
    // What the modulator still holds of this keying must not sound later
    // with the radio released.
    FModulator->DropQueued();
    Release();
    for (const std::uint64_t id : failed) OnTextFailed(this, id, reason);
    TMainLoop::Current().ReportError(reason
        + (failed.empty() ? std::string() : Translated(" (%1 message(s) not sent)", {std::to_string(failed.size())}))
        + ".");
}

TFFSKTransmitter::TFFSKTransmitter(TSoundPlatform& sound, TZYNClientSettings& settings, TInterface& rigInterface)
    : FSettings(settings)
    , FRigInterface(rigInterface)
{
    FQueueTimer = std::make_unique<TTimer>(QueueIntervalMs, true);
    FQueueConnection = FQueueTimer->OnTimer.Connect([this](TObject*) { QueueTimerTick(); });
    FSequencer = std::make_unique<TFfskMessage>(sound, FRigInterface);
    FTxConnection = FSequencer->OnTX.Connect([this](TObject*, bool startStop) { OnTX(this, startStop); });
}

TFFSKTransmitter::~TFFSKTransmitter() = default;

std::uint64_t TFFSKTransmitter::Send(const std::string& text)
{
    FQueue.push_back({++FLastId, text});
    return FLastId;
}

void TFFSKTransmitter::QueueTimerTick()
{
    if (FQueue.empty()) return;
    // The text leaves the queue only after the sequencer has taken it; the
    // courtesy delay is read afresh at every hand-over.
    FSequencer->AddText(FQueue.front(), FSettings.CourtesyDelay());
    FQueue.pop_front();
}
