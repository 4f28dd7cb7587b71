#pragma once

#include <cstdint>
#include <memory>

#include "base/Object.h"
#include "base/Timer.h"
#include "media/Desktop.h"

class TZYNClientSettings;

// Turns the desktop media players down while the radio channel is busy and
// brings them back slowly once it has been free for a while. The players'
// volumes cannot be read back, so the class counts the volume steps it has
// sent. Whether each player is driven, and its normal volume, come from the
// settings.
class TZYNWinAmpControl : public TObject {
public:
    static constexpr int WinAmpSteps = 64;
    static constexpr int WMPlayerSteps = 10;
    static constexpr int RampIntervalMs = 200;
    static constexpr int RestoreDelayMs = 4000;

    // The Winamp window's class.
    static constexpr const char* WinAmpClass = "Winamp v1.x";
    // Window commands of the players and of the suite's relay client.
    static constexpr int WinAmpVolumeUp = 40058;
    static constexpr int WinAmpVolumeDown = 40059;
    static constexpr int WMPlayerVolumeUp = 32815;
    static constexpr int WMPlayerVolumeDown = 32816;
    static constexpr int RelayClientVolume = 40000;

    // Media states.
    static constexpr int msNormal = 0;
    static constexpr int msRising = 1;
    static constexpr int msMuted = 2;

    // Takes over the settings' OnNewMediaVol and drives every running player
    // to its minimum and then to the media volume.
    TZYNWinAmpControl(TZYNClientSettings& settings, TDesktop& desktop);
    ~TZYNWinAmpControl() override;

    // Drives every enabled player to the given percentage.
    void SetVolume(int Percent);
    // The channel became busy.
    void MuteMedia();
    // The channel became free.
    void RestoreMedia();

    void RestoreTimerFired(TObject* Sender);
    void RampTimerFired(TObject* Sender);
    void MediaVolumeChanged(TObject* Sender);

    int WinAmpStep() const { return FWinAmpStep; }
    int WMPlayerStep() const { return FWMPlayerStep; }
    int RampLevel() const { return FRampLevel; }
    int MediaState() const { return FMediaState; }
    bool RampRunning() const { return FRampTimer && FRampTimer->Enabled(); }
    bool RestorePending() const { return FRestoreTimer && FRestoreTimer->Enabled(); }

private:
    // Steps one player from its counted step to the step of Percent.
    void DrivePlayer(TWindowHandle window, int Percent, int steps, int up, int down, std::int32_t& step);
    // The media volume as a percentage the players can take.
    int WantedVolume() const;

    TZYNClientSettings& FSettings;
    TDesktop& FDesktop;
    std::int32_t FWinAmpStep = 0;
    std::int32_t FWMPlayerStep = 0;
    std::int32_t FRampLevel = 0;
    std::int32_t FMediaState = msNormal;
    std::unique_ptr<TTimer> FRampTimer;
    std::unique_ptr<TTimer> FRestoreTimer;
};

// Percent of a scale of steps, rounded to the nearest step with halves going
// to the even neighbour, limited to 0..steps.
int VolumeStepOf(int Percent, int steps);
