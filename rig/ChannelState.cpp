#include "rig/ChannelState.h"

namespace {
const int InputStartDelayMs = 1000;
} // namespace

TChannelState::TChannelState()
    : FSquelchSettleTimer(0, false, TTimerRepeat::OneShot)
    , FRxReleaseTimer(0, false, TTimerRepeat::OneShot)
    , FInputStartTimer(InputStartDelayMs, false, TTimerRepeat::OneShot)
{
    FSquelchSettleTick = FSquelchSettleTimer.OnTimer.Connect([this](TObject*) {
        FSquelchSettled = true;
        if (FRigRx) Report();
    });
    FRxReleaseTick = FRxReleaseTimer.OnTimer.Connect([this](TObject*) {
        FRxReleased = true;
        if (!FRigRx) Report();
    });
    FInputStartTick = FInputStartTimer.OnTimer.Connect([this](TObject*) { OnInputStart(this); });
}

void TChannelState::SetIntervals(int squelchSettleMs, int rxReleaseMs)
{
    FSquelchSettleTimer.SetInterval(squelchSettleMs);
    FRxReleaseTimer.SetInterval(rxReleaseMs);
}

void TChannelState::Keyed(bool ptt)
{
    if (ptt) FSquelchSettled = false;
    // Counts the settle time from the moment of unkeying.
    FSquelchSettleTimer.SetEnabled(!ptt);
}

void TChannelState::Input(bool active)
{
    if (active == FRigRx) return;
    FRigRx = active;
    if (active) {
        Report();
        return;
    }
    // Every end waits a full delay of its own.
    FRxReleaseTimer.SetEnabled(false);
    FRxReleased = false;
    FRxReleaseTimer.SetEnabled(true);
}

void TChannelState::StartInput()
{
    FInputStartTimer.SetEnabled(false);
    FInputStartTimer.SetEnabled(true);
}

void TChannelState::StopInput()
{
    FInputStartTimer.SetEnabled(false);
}

void TChannelState::Report()
{
    if (FRigRx ? FSquelchSettled : FRxReleased) OnReport(this, FRigRx);
}
