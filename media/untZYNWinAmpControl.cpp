#include "media/untZYNWinAmpControl.h"

#include <algorithm>

#include "settings/untZYNClientSettings.h"

namespace {
const char* const WMPlayerClass = "WMPlayerApp";
const char* const WMPlayerTitle = "Windows Media Player";
const char* const RelayClientClass = "TfrmZYNWAmpRelaysClientMain";
} // namespace

int VolumeStepOf(int Percent, int steps)
{
    // The settings do not limit the media volume: anything outside 0..100
    // counts as the nearest end, which also keeps the step loops finite.
    const int percent = std::clamp(Percent, 0, 100);
    const int scaled = percent * steps;
    int step = scaled / 100;
    const int twiceRest = 2 * (scaled % 100);
    if (twiceRest > 100 || (twiceRest == 100 && step % 2 != 0)) ++step;
    return step;
}

TZYNWinAmpControl::TZYNWinAmpControl(TZYNClientSettings& settings, TDesktop& desktop)
    : FSettings(settings)
    , FDesktop(desktop)
{
    FSettings.OnNewMediaVol = [this](TObject* Sender) { MediaVolumeChanged(Sender); };
    SetVolume(0);
    SetVolume(WantedVolume());
    FRampLevel = 0;
    FMediaState = msNormal;
    FRampTimer = std::make_unique<TTimer>(RampIntervalMs, false);
    FRampTimer->OnTimer = [this](TObject* Sender) { RampTimerFired(Sender); };
    FRestoreTimer = std::make_unique<TTimer>(RestoreDelayMs, false, TTimerRepeat::OneShot);
    FRestoreTimer->OnTimer = [this](TObject* Sender) { RestoreTimerFired(Sender); };
}

TZYNWinAmpControl::~TZYNWinAmpControl()
{
    // The settings live longer than this object; a volume change after it is
    // gone must not reach it.
    FSettings.OnNewMediaVol = nullptr;
}

int TZYNWinAmpControl::WantedVolume() const
{
    return std::clamp(FSettings.MediaVolume(), 0, 100);
}

void TZYNWinAmpControl::DrivePlayer(TWindowHandle window, int Percent, int steps, int up, int down, std::int32_t& step)
{
    const int target = VolumeStepOf(Percent, steps);
    if (target == 0) {
        // The count may be off (the user turned the player up), so going to
        // the bottom sends one step more than the whole scale.
        for (int i = 0; i <= steps; ++i) FDesktop.SendCommand(window, down, 0);
        step = 0;
    }
    while (target < step) {
        FDesktop.SendCommand(window, down, 0);
        step = std::max(step - 1, 0);
    }
    while (step < target) {
        FDesktop.SendCommand(window, up, 0);
        step = std::min(step + 1, steps);
    }
}

void TZYNWinAmpControl::SetVolume(int Percent)
{
    if (FSettings.ControlWinAmp()) {
        if (auto window = FDesktop.FindWindow(WinAmpClass, std::nullopt))
            DrivePlayer(*window, Percent, WinAmpSteps, WinAmpVolumeUp, WinAmpVolumeDown, FWinAmpStep);
    }
    if (FSettings.ControlWMPlayer()) {
        if (auto window = FDesktop.FindWindow(WMPlayerClass, std::string(WMPlayerTitle)))
            DrivePlayer(*window, Percent, WMPlayerSteps, WMPlayerVolumeUp, WMPlayerVolumeDown, FWMPlayerStep);
    }
    if (FSettings.ControlWinAmp()) {
        if (auto window = FDesktop.FindWindow(RelayClientClass, std::nullopt))
            FDesktop.SendCommand(*window, RelayClientVolume, Percent);
    }
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
    SetVolume(FRampLevel);
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
