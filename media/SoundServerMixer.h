#pragma once

#include <pulse/pulseaudio.h>

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Timer.h"
#include "media/MediaMixer.h"
#include "media/TurnedDownStreams.h"

class TPulseConnection;

// The other programs' playback streams on the sound server (PulseAudio, or
// PipeWire through its PulseAudio interface), turned down to a level. This
// program's own streams are never touched.
//
// The session manager (PulseAudio's stream-restore, WirePlumber's
// restore-stream) saves every stream volume it sees set, under a key of the
// program, and gives it to the program's next stream. So a lowered volume
// must not stay saved: a while after each change (SettleMs, time for the
// session manager to have seen it) and once a lowered stream has ended, the
// saved entry of each touched program is written back to the stream's own
// volume through the stream-restore interface that both servers offer.
//
// What is turned down, and which saved entries may still hold a lowered
// volume, is kept in a file; a new mixer first gives that back (a crash, a
// kill). A server that went away is connected again when it comes back; its
// streams are then new, and their saved entries are mended.
class TSoundServerMixer final : public TMediaMixer {
public:
    static constexpr int SettleMs = 500;
    static constexpr int WatchMs = 1000;

    // Connects when a sound server answers, now or later.
    explicit TSoundServerMixer(const std::string& restoreFile);
    // Gives every stream its own volume back and mends the saved entries.
    ~TSoundServerMixer() override;

    void SetLevel(int level) override;
    int Level() const override;

private:
    using TStream = TTurnedDownStreams::TStream;
    struct TRecord {
        TStream Stream;
        int PendingSets = 0; // volume changes sent, not yet done
        // The last volumes set. PipeWire reports a set volume back only once
        // its node has taken it, so a report may show an earlier one.
        std::deque<std::vector<std::uint32_t>> Recent;
    };
    struct TPendingSet {
        TSoundServerMixer* Mixer;
        std::uint32_t Index;
    };
    // A saved entry to write back, with what the server has saved besides.
    struct TEntry {
        TStream Stream;
        bool Found = false;
        std::string Device;
        bool Mute = false;
    };

    // Locked: connected now, or connected again (then the streams are new).
    bool EnsureConnected();
    // Locked, main thread: every other program's stream to the level.
    void ApplyToAll();
    // Locked, event thread: one stream to the level.
    void Apply(const pa_sink_input_info& stream);
    void SetVolume(TRecord& record, const std::vector<std::uint32_t>& volumes);
    // Locked: a stream is forgotten; its saved entry is mended.
    void Forget(std::map<std::uint32_t, TRecord>::iterator record);
    // Locked, main thread: give back what a previous run left turned down.
    void RestoreLeftovers();
    void ServerEvent(pa_subscription_event_type_t type, std::uint32_t index);
    // Locked: mend the saved entries a while from now.
    void ArmMend();
    // Locked: write the saved entries back (read, then write, on the event
    // thread); false when there is nothing to do.
    bool StartMend();
    void EndMend();
    void Save() const;

    std::unique_ptr<TPulseConnection> FConnection;
    TTurnedDownStreams FFile;
    const std::uint32_t FOwnProcess;
    // All below locked.
    int FLevel = FullLevel;
    bool FEverConnected = false;
    bool FClosing = false;
    std::map<std::uint32_t, TRecord> FStreams;
    std::vector<TStream> FEnded; // ended or forgotten, saved entries not yet mended
    bool FLiveChanged = false; // live streams' volumes changed since the last mend
    std::list<TPendingSet> FPendingSets;
    pa_time_event* FMendEvent = nullptr;
    bool FMending = false;
    std::vector<TEntry> FMendBatch;
    std::size_t FMendEnded = 0; // FEnded's first entries in the batch
    mutable std::optional<std::vector<TStream>> FSaved; // what the file holds, when known
    std::unique_ptr<TTimer> FWatch;
    TConnection FWatchConnection;
};
