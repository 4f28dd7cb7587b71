#include "media/SimulatedMixer.h"

#include <algorithm>
#include <stdexcept>

TSimulatedMixer::TStreamId TSimulatedMixer::StartStream(std::uint32_t volume)
{
    const TStreamId id = FNext++;
    TStream& stream = FStreams[id];
    stream.volume = volume;
    Apply(stream);
    return id;
}

std::uint32_t TSimulatedMixer::Volume(TStreamId stream) const
{
    return FStreams.at(stream).volume;
}

std::optional<std::uint32_t> TSimulatedMixer::OwnVolume(TStreamId stream) const
{
    return FStreams.at(stream).own;
}

void TSimulatedMixer::SetLevel(int level)
{
    ++FLevelChanges;
    FLevel = std::clamp(level, 0, FullLevel);
    for (auto& [id, stream] : FStreams) Apply(stream);
}

void TSimulatedMixer::Apply(TStream& stream) const
{
    if (FLevel == FullLevel) {
        if (stream.own) stream.volume = *stream.own;
        stream.own.reset();
        return;
    }
    if (!stream.own) stream.own = stream.volume;
    stream.volume = VolumeAtLevel(*stream.own, FLevel);
}
