#include "untFFSKTransmitter.h"

#include "modem/untFFSK.h"
#include "radio/untInterface.h"
#include "settings/untZYNClientSettings.h"

TFfskMessage::TFfskMessage(TSoundPlatform& sound, TInterface& rigInterface) : rigInterface_(rigInterface)
{
    modulator_ = std::make_unique<TFFSK>(sound);
    modulator_->OnReady = [this](TObject*) { SendNext(); };
    delayTimer_ = std::make_unique<TTimer>(1000, false);
    delayTimer_->OnTimer = [this](TObject*) { DelayTimerTick(); };
}

TFfskMessage::~TFfskMessage()
{
    // The radio is not unkeyed here: the rig interface's own destruction
    // decides what becomes of the keying line.
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
    if (!texts_.empty()) {
        std::unique_ptr<TMessageObject> next = std::move(texts_.front());
        texts_.pop_front();
        modulator_->WriteText(next->Text);
        return;
    }
    OnTX(this, false);
    tx_ = false;
    rigInterface_.SetTransmitRequest(false, true);
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
