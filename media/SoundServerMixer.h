#pragma once

#include <pulse/pulseaudio.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "media/TurnedDownStreams.h"

class TPulseConnection;

// Turns the playback streams of the other programs on the sound server down
// and back up, in 64 steps: at step k every such stream plays at k/64 of the
// volume it had when it was first turned down; at step 64 each gets its own
// volume back and is forgotten. A stream that starts while the step is below
// 64 is turned down at once. This program's own streams are never touched.
// What was turned down is kept in a file; a new mixer first gives back what
// a previous run left turned down (a crash, a kill).
class TSoundServerMixer {
public:
    static constexpr int Steps = 64;

    // nullptr when no sound server answers.
    static std::unique_ptr<TSoundServerMixer> Connect(const std::string& restoreFile);
    // Gives every stream its own volume back.
    ~TSoundServerMixer();
    TSoundServerMixer(const TSoundServerMixer&) = delete;
    TSoundServerMixer& operator=(const TSoundServerMixer&) = delete;

    // One step up or down (kept within 0..64); returns once the server has
    // every stream's new volume.
    void StepUp();
    void StepDown();
    int Step() const { return FStep; }

private:
    explicit TSoundServerMixer(const std::string& restoreFile);
    // Locked: set every other program's stream to the current step.
    void ApplyToAll();
    // Locked: one stream to the current step.
    void Apply(const pa_sink_input_info& stream);
    void SetVolume(std::uint32_t index, const pa_cvolume& volume);
    // Locked: give back what a previous run left turned down.
    void RestoreLeftovers();
    void ServerEvent(pa_subscription_event_type_t type, std::uint32_t index);

    std::unique_ptr<TPulseConnection> FConnection;
    TTurnedDownStreams FFile;
    std::map<std::uint32_t, TTurnedDownStreams::TStream> FTurnedDown; // locked
    int FStep = Steps; // locked
    const std::uint32_t FOwnProcess;
};
