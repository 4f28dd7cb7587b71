#include "media/SoundServerMixer.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "audio/PulseConnection.h"

namespace {
std::uint32_t ProcessOf(const pa_sink_input_info& stream)
{
    const char* pid = pa_proplist_gets(stream.proplist, PA_PROP_APPLICATION_PROCESS_ID);
    return pid ? static_cast<std::uint32_t>(std::strtoul(pid, nullptr, 10)) : 0;
}

pa_cvolume VolumeOf(const std::vector<std::uint32_t>& volumes, int step)
{
    pa_cvolume volume {};
    volume.channels = static_cast<std::uint8_t>(std::min<std::size_t>(volumes.size(), PA_CHANNELS_MAX));
    for (std::uint8_t c = 0; c < volume.channels; ++c)
        volume.values[c] = static_cast<pa_volume_t>(
            std::uint64_t {volumes[c]} * static_cast<unsigned>(step) / TSoundServerMixer::Steps);
    return volume;
}

// The callbacks of a list query: each stream, then the end.
template <typename Each> struct TStreamQuery {
    TPulseConnection& Connection;
    Each OnStream;
    static void Listed(pa_context*, const pa_sink_input_info* info, int eol, void* self)
    {
        auto& query = *static_cast<TStreamQuery*>(self);
        if (eol != 0 || !info) {
            query.Connection.Signal();
            return;
        }
        query.OnStream(*info);
    }
};
template <typename Each> TStreamQuery(TPulseConnection&, Each) -> TStreamQuery<Each>;
} // namespace

std::unique_ptr<TSoundServerMixer> TSoundServerMixer::Connect(const std::string& restoreFile)
{
    std::unique_ptr<TSoundServerMixer> mixer(new TSoundServerMixer(restoreFile));
    TPulseConnection::TLock lock(*mixer->FConnection);
    if (!mixer->FConnection->Connect(PA_SUBSCRIPTION_MASK_SINK_INPUT)) return nullptr;
    mixer->RestoreLeftovers();
    return mixer;
}

TSoundServerMixer::TSoundServerMixer(const std::string& restoreFile)
    : FConnection(std::make_unique<TPulseConnection>("Parlet media control"))
    , FFile(restoreFile)
    , FOwnProcess(static_cast<std::uint32_t>(::getpid()))
{
    FConnection->OnEvent = [this](pa_subscription_event_type_t type, std::uint32_t index) { ServerEvent(type, index); };
}

TSoundServerMixer::~TSoundServerMixer()
{
    {
        TPulseConnection::TLock lock(*FConnection);
        if (FStep != Steps && FConnection->Connected()) {
            FStep = Steps;
            ApplyToAll();
        }
    }
    // The event thread stops before the record it works on goes.
    FConnection.reset();
}

void TSoundServerMixer::StepUp()
{
    TPulseConnection::TLock lock(*FConnection);
    if (FStep == Steps) return;
    ++FStep;
    ApplyToAll();
}

void TSoundServerMixer::StepDown()
{
    TPulseConnection::TLock lock(*FConnection);
    // The bottom is asked for again and again (a count that may be off):
    // the streams are there already.
    if (FStep == 0) return;
    --FStep;
    ApplyToAll();
}

void TSoundServerMixer::ApplyToAll()
{
    if (!FConnection->Connect(PA_SUBSCRIPTION_MASK_SINK_INPUT)) return;
    TStreamQuery query {*FConnection, [this](const pa_sink_input_info& stream) { Apply(stream); }};
    FConnection->Wait(pa_context_get_sink_input_info_list(FConnection->Context(), query.Listed, &query));
    FFile.Save(FTurnedDown);
}

void TSoundServerMixer::Apply(const pa_sink_input_info& stream)
{
    const std::uint32_t process = ProcessOf(stream);
    if (process == FOwnProcess) return;
    auto known = FTurnedDown.find(stream.index);
    if (FStep == Steps) {
        if (known == FTurnedDown.end()) return;
        SetVolume(stream.index, VolumeOf(known->second.Volumes, Steps));
        FTurnedDown.erase(known);
        return;
    }
    if (known == FTurnedDown.end()) {
        TTurnedDownStreams::TStream own {
            process, {stream.volume.values, stream.volume.values + stream.volume.channels}};
        known = FTurnedDown.emplace(stream.index, std::move(own)).first;
    }
    SetVolume(stream.index, VolumeOf(known->second.Volumes, FStep));
}

void TSoundServerMixer::SetVolume(std::uint32_t index, const pa_cvolume& volume)
{
    if (pa_operation* operation =
            pa_context_set_sink_input_volume(FConnection->Context(), index, &volume, nullptr, nullptr))
        pa_operation_unref(operation);
}

void TSoundServerMixer::RestoreLeftovers()
{
    const auto leftovers = FFile.Load();
    if (leftovers.empty()) return;
    // Only a stream still there, of the same program, gets its volume back:
    // after a server restart the numbers name other streams.
    TStreamQuery query {*FConnection, [&](const pa_sink_input_info& stream) {
                            const auto left = leftovers.find(stream.index);
                            if (left != leftovers.end() && left->second.ProcessId == ProcessOf(stream))
                                SetVolume(stream.index, VolumeOf(left->second.Volumes, Steps));
                        }};
    FConnection->Wait(pa_context_get_sink_input_info_list(FConnection->Context(), query.Listed, &query));
    FFile.Save({});
}

void TSoundServerMixer::ServerEvent(pa_subscription_event_type_t type, std::uint32_t index)
{
    const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if (kind == PA_SUBSCRIPTION_EVENT_REMOVE) {
        if (FTurnedDown.erase(index) > 0) FFile.Save(FTurnedDown);
        return;
    }
    if (kind != PA_SUBSCRIPTION_EVENT_NEW || FStep == Steps) return;
    // A program that starts to play while the channel is busy is turned down
    // as well. Runs on the event thread: the answer is not waited for.
    pa_operation* operation = pa_context_get_sink_input_info(
        FConnection->Context(), index,
        [](pa_context*, const pa_sink_input_info* info, int eol, void* self) {
            auto* mixer = static_cast<TSoundServerMixer*>(self);
            if (eol != 0 || !info) return;
            mixer->Apply(*info);
            mixer->FFile.Save(mixer->FTurnedDown);
        },
        this);
    if (operation) pa_operation_unref(operation);
}
