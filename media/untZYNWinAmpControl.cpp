#include "media/untZYNWinAmpControl.h"

#include <algorithm>

#include "media/MediaMixer.h"
#include "settings/untZYNClientSettings.h"

TZYNWinAmpControl::TZYNWinAmpControl(TZYNClientSettings& settings, TMediaMixer& mixer)
    : FSettings(settings)
    , FMixer(mixer)
    , FRampTimer(std::make_unique<TTimer>(RampIntervalMs, false))
    , FRestoreTimer(std::make_unique<TTimer>(RestoreDelayMs, false, TTimerRepeat::OneShot))
{
    FRampConnection = FRampTimer->OnTimer.Connect([this](TObject* sender) { RampTimerFired(sender); });
    FRestoreConnection = FRestoreTimer->OnTimer.Connect([this](TObject* sender) { RestoreTimerFired(sender); });
    FMediaVolConnection = FSettings.OnNewMediaVol.Connect([this](TObject* sender) { MediaVolumeChanged(sender); });
    // The mixer's level is a share of each program's own volume, so unlike a
    // player's volume steps it needs no drive to the bottom first.
    SetVolume(WantedVolume());
}

TZYNWinAmpControl::~TZYNWinAmpControl()
{
    FMixer.Restore();
}

int TZYNWinAmpControl::WantedVolume() const
{
    return std::clamp(FSettings.MediaVolume(), 0, TMediaMixer::FullLevel);
}

void TZYNWinAmpControl::SetVolume(int percent)
{
    // Unticked while programs were turned down: they get their volume back
    // with the next change instead of staying down.
    if (FSettings.ControlWinAmp())
        FMixer.SetLevel(percent);
    else
        FMixer.Restore();
}

void TZYNWinAmpControl::MuteMedia()
{
    FRestoreTimer->SetEnabled(false);
    if (FMediaState == msMuted) return;
    FRampTimer->SetEnabled(false);
    SetVolume(0);
    FMediaState = msMuted;
}

void TZYNWinAmpControl::RestoreMedia()
{
    // A countdown already running keeps counting.
    if (FMediaState != msRising) FRestoreTimer->SetEnabled(true);
}

void TZYNWinAmpControl::RestoreTimerFired(TObject*)
{
    if (FMediaState == msRising) return;
    FMediaState = msRising;
    FRampTimer->SetEnabled(true);
}

void TZYNWinAmpControl::RampTimerFired(TObject*)
{
    ++FRampLevel;
    // A media volume lowered during the rise ends it at that volume, not
    // one step above.
    SetVolume(std::min<int>(FRampLevel, WantedVolume()));
    if (FRampLevel >= WantedVolume()) {
        FRampTimer->SetEnabled(false);
        FMediaState = msNormal;
        FRampLevel = 0;
    }
}

void TZYNWinAmpControl::MediaVolumeChanged(TObject*)
{
    if (FMediaState != msMuted) SetVolume(WantedVolume());
}
