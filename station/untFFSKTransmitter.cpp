#include "untFFSKTransmitter.h"

#include <algorithm>

#include "base/MainLoop.h"
#include "modem/untFFSK.h"
#include "radio/untInterface.h"
#include "settings/untZYNClientSettings.h"

TFfskMessage::TFfskMessage(TSoundPlatform& sound, TInterface& rigInterface) : rigInterface_(rigInterface)
{
    modulator_ = std::make_unique<TFFSK>(sound);
    modulator_->OnReady = [this](TObject*) { SendNext(); };
    modulator_->OnPlayerLost = [this](TObject*) {
        AbortKeying("The transmitter was released because the sound card went away while sending");
    };
    delayTimer_ = std::make_unique<TTimer>(1000, false);
    delayTimer_->OnTimer = [this](TObject*) { DelayTimerTick(); };
    keyingWatchdog_ = std::make_unique<TTimer>(KeyingMarginMs, false);
    keyingWatchdog_->OnTimer = [this](TObject*) { KeyingWatchdogTick(); };
}

TFfskMessage::~TFfskMessage()
{
    // The radio is not unkeyed here: the rig interface's own destruction
    // decides what becomes of the keying line. A closing player must not
    // call back into a half-destroyed sequencer.
    modulator_->OnPlayerLost = nullptr;
    modulator_->OnReady = nullptr;
    keyingWatchdog_.reset();
    delayTimer_.reset();
    modulator_.reset();
    texts_.clear();
}

int TFfskMessage::DeviceID() const
{
    return modulator_->DeviceID();
}

void TFfskMessage::SetDeviceID(int id)
{
    modulator_->SetDeviceID(id);
}

void TFfskMessage::AddText(const std::string& text, int delayMs)
{
    texts_.push_back(std::make_unique<TMessageObject>(text));
    if (tx_) return;
    OnTX(this, true);
    tx_ = true;
    keyingDeadlineUs_ = TMainLoop::Current().NowUs();
    ExtendKeyingDeadline((static_cast<std::int64_t>(delayMs > 0 ? delayMs : 0) + KeyingMarginMs) * 1000);
    rigInterface_.SetTransmitRequest(true, true);
    if (delayMs <= 0) {
        // A timer with no interval never fires, which would leave the radio
        // keyed with the text unsent: with no courtesy delay the frame starts
        // at once.
        SendNext();
        return;
    }
    delayTimer_->SetInterval(delayMs);
    delayTimer_->SetEnabled(true);
}

void TFfskMessage::DelayTimerTick()
{
    delayTimer_->SetEnabled(false);
    SendNext();
}

void TFfskMessage::SendNext()
{
    if (!tx_) return;
    if (modulator_->PlayerLost()) {
        // Written now, the frame would sound whenever the device returns,
        // long after this keying.
        AbortKeying("The transmitter was released because the sound card is not available");
        return;
    }
    if (!texts_.empty()) {
        std::unique_ptr<TMessageObject> next = std::move(texts_.front());
        texts_.pop_front();
        ExtendKeyingDeadline(FrameAirtimeUs(next->Text.size()) + FrameOverheadMs * 1000);
        modulator_->WriteText(next->Text);
        return;
    }
    Release();
}

void TFfskMessage::Release()
{
    keyingWatchdog_->SetEnabled(false);
    OnTX(this, false);
    tx_ = false;
    rigInterface_.SetTransmitRequest(false, true);
}

std::int64_t TFfskMessage::FrameAirtimeUs(std::size_t textLength)
{
    // Preamble (2 bytes), a sync word (4 bytes) and 8 characters per block,
    // one tail bit; an empty text is eight 0x00 without a sync word.
    const std::size_t blocks = (textLength + 7) / 8;
    const std::size_t bits = textLength == 0 ? 16 + 64 + 1 : 16 + 96 * blocks + 1;
    return static_cast<std::int64_t>(bits) * TFFSK::SamplesPerBit * 1000000 / 48000;
}

void TFfskMessage::ExtendKeyingDeadline(std::int64_t us)
{
    keyingDeadlineUs_ += us;
    const std::int64_t leftUs = keyingDeadlineUs_ - TMainLoop::Current().NowUs();
    keyingWatchdog_->SetEnabled(false);
    keyingWatchdog_->SetInterval(static_cast<int>(std::max<std::int64_t>(1, (leftUs + 999) / 1000)));
    keyingWatchdog_->SetEnabled(true);
}

void TFfskMessage::KeyingWatchdogTick()
{
    AbortKeying("The transmitter was released because the sound card did not play the message out");
}

void TFfskMessage::AbortKeying(const std::string& reason)
{
    keyingWatchdog_->SetEnabled(false);
    if (!tx_) return;
    const std::size_t dropped = texts_.size();
    texts_.clear();
    delayTimer_->SetEnabled(false);
    // What the modulator still holds of this keying must not sound later
    // with the radio released.
    modulator_->DropQueued();
    Release();
    TMainLoop::Current().ReportError(reason +
                                     (dropped ? " (" + std::to_string(dropped) + " more message(s) of this keying dropped)" : std::string()) + ".");
}

TFFSKTransmitter::TFFSKTransmitter(TSoundPlatform& sound, TZYNClientSettings& settings, TInterface& rigInterface)
    : settings_(settings), rigInterface_(rigInterface)
{
    queueTimer_ = std::make_unique<TTimer>(QueueIntervalMs, true);
    queueTimer_->OnTimer = [this](TObject*) { QueueTimerTick(); };
    sequencer_ = std::make_unique<TFfskMessage>(sound, rigInterface_);
    sequencer_->OnTX = [this](TObject*, bool startStop) { OnTX(this, startStop); };
}

TFFSKTransmitter::~TFFSKTransmitter()
{
    sequencer_.reset();
    queueTimer_.reset();
    queue_.clear();
}

void TFFSKTransmitter::Send(const std::string& text)
{
    queue_.push_back(text);
}

void TFFSKTransmitter::QueueTimerTick()
{
    if (queue_.empty()) return;
    // The text leaves the queue only after the sequencer has taken it; the
    // courtesy delay is read afresh at every hand-over.
    sequencer_->AddText(queue_.front(), settings_.CourtesyDelay());
    queue_.pop_front();
}
