#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "media/MediaMixer.h"

// A mixer for tests that keeps the volumes of the streams a test starts and
// ends, and turns them down by the same rule as the sound server's mixer.
// Volumes are in the sound server's units (65536 is full).
class TSimulatedMixer final : public TMediaMixer {
public:
    using TStreamId = std::uint32_t;

    // A stream of another program starts; it is turned down at once while
    // the level is below 100.
    TStreamId StartStream(std::uint32_t volume);
    // The volume the stream plays at.
    std::uint32_t Volume(TStreamId stream) const;
    // Its own volume while the mixer holds it turned down.
    std::optional<std::uint32_t> OwnVolume(TStreamId stream) const;
    // How often SetLevel was called.
    int LevelChanges() const { return FLevelChanges; }

    void SetLevel(int level) override;
    int Level() const override { return FLevel; }

private:
    struct TStream {
        std::uint32_t volume = 0;
        std::optional<std::uint32_t> own; // set while turned down
    };
    void Apply(TStream& stream) const;

    std::map<TStreamId, TStream> FStreams;
    TStreamId FNext = 1;
    int FLevel = FullLevel;
    int FLevelChanges = 0;
};
