#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "base/Event.h"
#include "base/Timer.h"

class TFFSK;
class TInterface;
class TSoundPlatform;
class TZYNClientSettings;

// Start and end of a keying: StartStop true when the radio is keyed, false
// when it is released.
using TPlayEvent = TEvent<TObject*, bool>;

// A text waiting for the air, with the number the station gave it.
struct TQueuedText {
    std::uint64_t Id = 0;
    std::string Text;
};

// What became of one text: it started to sound, it was played out, or it
// was never (or not wholly) put on the air, with the reason.
using TTextEvent = TEvent<TObject*, std::uint64_t>;
using TTextFailedEvent = TEvent<TObject*, std::uint64_t, const std::string&>;

// The keying sequencer: keys the transmitter, waits the courtesy delay, has
// the modulator play the queued texts one after another and releases the
// transmitter when nothing is left. A keying that cannot be played out (the
// sound device went away, or its frames never finish) is released at once,
// as after its last frame, its texts not played out reported as failed one
// by one and the error reported once.
class TFfskMessage : public TObject {
public:
    // Whatever fails, a keying ends at the latest this long after its
    // courtesy delay and frames should have ended.
    static constexpr int KeyingMarginMs = 2000;
    // What a frame needs beyond its airtime: it waits for the next buffer
    // request and sounds after the buffer then playing (up to 400 ms), and
    // the ready signal follows 250 ms after the last block went out.
    static constexpr int FrameOverheadMs = 650;

    TFfskMessage(TSoundPlatform& sound, TInterface& rigInterface);
    ~TFfskMessage() override;

    // Queue a text; key the radio if it is not keyed yet. When keying fails
    // the error is raised with the sequencer idle and the text not taken.
    void AddText(const TQueuedText& text, int delayMs);
    // Modulate the next text, or release the radio when none is left; no-op
    // when the radio is not keyed.
    void SendNext();

    bool TX() const { return FTx; }
    int DeviceID() const;
    void SetDeviceID(int id);
    void ReopenDevice();

    TPlayEvent OnTX;
    TTextEvent OnTextOnAir;
    TTextEvent OnTextSent;
    TTextFailedEvent OnTextFailed;

    // The parts, for tests that watch the sequence.
    TFFSK& Modulator() { return *FModulator; }
    const TTimer& DelayTimer() const { return *FDelayTimer; }

    // Airtime of the frame the modulator renders for a text, preamble
    // included.
    static std::int64_t FrameAirtimeUs(std::size_t textLength);

private:
    void DelayTimerTick();
    // Moves the latest end of the keying by `us` and re-arms the watchdog.
    void ExtendKeyingDeadline(std::int64_t us);
    // The keying outlived everything its frames need.
    void KeyingWatchdogTick();
    // Release the radio, drop what is left of this keying (texts and audio
    // not played yet) and report `reason` once.
    void AbortKeying(const std::string& reason);
    void Release();

    TInterface& FRigInterface;
    std::unique_ptr<TFFSK> FModulator;
    std::unique_ptr<TTimer> FDelayTimer;
    std::unique_ptr<TTimer> FKeyingWatchdog;
    std::int64_t FKeyingDeadlineUs = 0;
    bool FTx = false;
    std::deque<TQueuedText> FTexts;
    // The text the modulator is playing, 0 for none.
    std::uint64_t FOnAirId = 0;
    // Declared after the modulator, so they end first: a closing player does
    // not call back into a half-destroyed sequencer.
    TConnection FReadyConnection;
    TConnection FPlayerLostConnection;
    TConnection FDelayConnection;
    TConnection FWatchdogConnection;
};

// The outgoing queue: accepts texts at any time and hands at most one of them
// to the sequencer every 5000 ms.
class TFFSKTransmitter : public TObject {
public:
    static constexpr int QueueIntervalMs = 5000;

    TFFSKTransmitter(TSoundPlatform& sound, TZYNClientSettings& settings, TInterface& rigInterface);
    ~TFFSKTransmitter() override;

    // Appends the text to the queue; it leaves at a later queue tick.
    // Returns the number its outcome events carry.
    std::uint64_t Send(const std::string& text);

    bool TX() const { return FSequencer->TX(); }
    int DeviceID() const { return FSequencer->DeviceID(); }
    void SetDeviceID(int id) { FSequencer->SetDeviceID(id); }
    // The player opens anew on the device now chosen by name.
    void ReopenDevice() { FSequencer->ReopenDevice(); }
    std::size_t Queued() const { return FQueue.size(); }

    TPlayEvent OnTX;

    TFfskMessage& Sequencer() { return *FSequencer; }

private:
    void QueueTimerTick();

    TZYNClientSettings& FSettings;
    TInterface& FRigInterface;
    std::deque<TQueuedText> FQueue;
    std::uint64_t FLastId = 0;
    std::unique_ptr<TTimer> FQueueTimer;
    std::unique_ptr<TFfskMessage> FSequencer;
    TConnection FQueueConnection;
    TConnection FTxConnection;
};
