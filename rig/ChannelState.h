#pragma once

#include "base/Event.h"
#include "base/Object.h"
#include "base/Timer.h"

// The channel's receive state with its three timers, apart from any device:
// - the squelch settle time after unkeying holds an active input back until
//   the transmitter's own tail has passed;
// - the receive release delay holds the end of an input back, so a short
//   drop does not end the reception;
// - the input start tells, a second after a port opened for the receive
//   input, to take its level over (the port reported it before anyone
//   listened).
class TChannelState : public TObject {
public:
    TChannelState();

    // Intervals in ms; 0 never fires.
    void SetIntervals(int squelchSettleMs, int rxReleaseMs);
    // The transmitter was keyed or released (with a radio attached).
    void Keyed(bool ptt);
    // The receive input, active or not.
    void Input(bool active);
    void StartInput();
    void StopInput();

    bool RigRx() const { return FRigRx; }
    bool SquelchSettled() const { return FSquelchSettled; }
    const TTimer& RxReleaseTimer() const { return FRxReleaseTimer; }

    // The receive state to report: active once the squelch has settled,
    // inactive once the release delay has passed.
    TEvent<TObject*, bool> OnReport;
    // The input start's second is over.
    TNotifyEvent OnInputStart;

private:
    void Report();

    bool FRigRx = false;
    bool FSquelchSettled = true;
    bool FRxReleased = true;
    TTimer FSquelchSettleTimer;
    TTimer FRxReleaseTimer;
    TTimer FInputStartTimer;
    TConnection FSquelchSettleTick;
    TConnection FRxReleaseTick;
    TConnection FInputStartTick;
};
