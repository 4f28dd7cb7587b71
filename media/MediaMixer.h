#pragma once

#include <algorithm>
#include <cstdint>

// The other programs' playback, turned down together. The level is a
// percentage of each stream's own volume: the volume it had when the mixer
// first touched it. At 100 every stream plays at its own volume again and is
// forgotten, so a later change of level starts from the volume it has then.
class TMediaMixer {
public:
    static constexpr int FullLevel = 100;

    TMediaMixer() = default;
    TMediaMixer(const TMediaMixer&) = delete;
    TMediaMixer& operator=(const TMediaMixer&) = delete;
    virtual ~TMediaMixer() = default;

    // Every other program's stream, and every one that starts later, plays at
    // `level` percent (limited to 0..100) of its own volume.
    virtual void SetLevel(int level) = 0;
    virtual int Level() const = 0;
    // Every stream gets its own volume back; streams that start later are
    // left alone.
    void Restore() { SetLevel(FullLevel); }
};

// A volume at a level: the share of the own volume, rounded to the nearest
// unit; 100 gives exactly the own volume.
inline std::uint32_t VolumeAtLevel(std::uint32_t own, int level)
{
    const auto percent = static_cast<std::uint64_t>(std::clamp(level, 0, TMediaMixer::FullLevel));
    return static_cast<std::uint32_t>(
        (std::uint64_t {own} * percent + TMediaMixer::FullLevel / 2) / TMediaMixer::FullLevel);
}
