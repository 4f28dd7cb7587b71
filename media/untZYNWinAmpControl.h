#pragma once

#include <cstdint>
#include <memory>

#include "base/Event.h"
#include "base/Object.h"
#include "base/Timer.h"

class TMediaMixer;
class TZYNClientSettings;

// Turns the other programs' playback down while the radio channel is busy
// and brings it back slowly once the channel has been free for a while.
// While free every program plays at the media volume (a percentage of its own
// volume); whether it is turned down at all comes from the settings
// (ControlWinAmp, the dialog's "turn other programs down").
class TZYNWinAmpControl : public TObject {
public:
    static constexpr int RampIntervalMs = 200;
    static constexpr int RestoreDelayMs = 4000;

    // Media states.
    static constexpr int msNormal = 0;
    static constexpr int msRising = 1;
    static constexpr int msMuted = 2;

    // Listens to the settings' media volume and sets the free-channel level.
    TZYNWinAmpControl(TZYNClientSettings& settings, TMediaMixer& mixer);
    // Every program gets its own volume back.
    ~TZYNWinAmpControl() override;

    // Every other program to the given percentage of its own volume.
    void SetVolume(int percent);
    // The channel became busy.
    void MuteMedia();
    // The channel became free.
    void RestoreMedia();

    void RestoreTimerFired(TObject* sender);
    void RampTimerFired(TObject* sender);
    void MediaVolumeChanged(TObject* sender);

    int RampLevel() const { return FRampLevel; }
    int MediaState() const { return FMediaState; }
    bool RampRunning() const { return FRampTimer->Enabled(); }
    bool RestorePending() const { return FRestoreTimer->Enabled(); }

private:
    // The media volume as a percentage the mixer can take.
    int WantedVolume() const;

    TZYNClientSettings& FSettings;
    TMediaMixer& FMixer;
    std::int32_t FRampLevel = 0;
    std::int32_t FMediaState = msNormal;
    std::unique_ptr<TTimer> FRampTimer;
    std::unique_ptr<TTimer> FRestoreTimer;
    TConnection FMediaVolConnection;
    TConnection FRampConnection;
    TConnection FRestoreConnection;
};
