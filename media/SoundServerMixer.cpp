#include "media/SoundServerMixer.h"

#include <pulse/ext-stream-restore.h>
#include <pulse/rtclock.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "audio/PulseConnection.h"

namespace {
constexpr auto Events = PA_SUBSCRIPTION_MASK_SINK_INPUT;
constexpr std::size_t RecentSets = 8;

std::uint32_t ProcessOf(const pa_sink_input_info& stream)
{
    const char* pid = pa_proplist_gets(stream.proplist, PA_PROP_APPLICATION_PROCESS_ID);
    return pid ? static_cast<std::uint32_t>(std::strtoul(pid, nullptr, 10)) : 0;
}

// The key the session manager saves the stream's volume under. Both servers
// name it on the stream; without it, the rule both follow: the first of
// role, application id, application name and media name.
std::string RestoreKeyOf(const pa_sink_input_info& stream)
{
    if (const char* id = pa_proplist_gets(stream.proplist, "module-stream-restore.id")) return id;
    static const std::pair<const char*, const char*> Rules[] = {
        {PA_PROP_MEDIA_ROLE, "sink-input-by-media-role:"},
        {PA_PROP_APPLICATION_ID, "sink-input-by-application-id:"},
        {PA_PROP_APPLICATION_NAME, "sink-input-by-application-name:"},
        {PA_PROP_MEDIA_NAME, "sink-input-by-media-name:"},
    };
    for (const auto& [property, prefix] : Rules)
        if (const char* value = pa_proplist_gets(stream.proplist, property)) return prefix + std::string(value);
    return {};
}

std::vector<std::uint32_t> VolumesOf(const pa_cvolume& volume)
{
    return {volume.values, volume.values + volume.channels};
}

pa_cvolume VolumeOf(const std::vector<std::uint32_t>& volumes)
{
    pa_cvolume volume {};
    volume.channels = static_cast<std::uint8_t>(std::min<std::size_t>(volumes.size(), PA_CHANNELS_MAX));
    for (std::uint8_t c = 0; c < volume.channels; ++c) volume.values[c] = volumes[c];
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

TSoundServerMixer::TSoundServerMixer(const std::string& restoreFile)
    : FConnection(std::make_unique<TPulseConnection>("Parlet media control"))
    , FFile(restoreFile)
    , FOwnProcess(static_cast<std::uint32_t>(::getpid()))
    , FWatch(std::make_unique<TTimer>(WatchMs, true))
{
    FConnection->OnEvent = [this](pa_subscription_event_type_t type, std::uint32_t index) { ServerEvent(type, index); };
    // A server that starts (or comes back) later is found by the watch.
    FWatchConnection = FWatch->OnTimer.Connect([this](TObject*) {
        TPulseConnection::TLock lock(*FConnection);
        EnsureConnected();
    });
    TPulseConnection::TLock lock(*FConnection);
    EnsureConnected();
}

TSoundServerMixer::~TSoundServerMixer()
{
    FWatch.reset();
    {
        TPulseConnection::TLock lock(*FConnection);
        if (FConnection->Connected()) {
            FLevel = FullLevel;
            ApplyToAll();
            // Until every saved entry is mended, a batch under way included.
            while (FConnection->Connected() && (FMending || StartMend()))
                while (FMending && FConnection->Connected()) FConnection->WaitForSignal();
        }
        // What could not be given back stays in the file for the next start.
        Save();
        FClosing = true;
    }
    // The event thread stops before the records it works on go.
    FConnection.reset();
}

int TSoundServerMixer::Level() const
{
    TPulseConnection::TLock lock(*FConnection);
    return FLevel;
}

void TSoundServerMixer::SetLevel(int level)
{
    TPulseConnection::TLock lock(*FConnection);
    level = std::clamp(level, 0, FullLevel);
    if (level == FLevel) return;
    FLevel = level;
    if (EnsureConnected()) ApplyToAll();
}

bool TSoundServerMixer::EnsureConnected()
{
    if (FConnection->Connected()) return true;
    if (!FConnection->Connect(Events)) return false;
    // Whatever was under way went with the old connection.
    FPendingSets.clear();
    FMending = false;
    FMendBatch.clear();
    FMendEvent = nullptr;
    if (!FEverConnected) {
        FEverConnected = true;
        RestoreLeftovers();
    } else {
        // The server came back: the streams it had are gone, their saved
        // entries may hold what they were turned down to.
        for (auto record = FStreams.begin(); record != FStreams.end();) Forget(record++);
    }
    if (FLevel != FullLevel) ApplyToAll();
    Save();
    StartMend();
    return true;
}

void TSoundServerMixer::ApplyToAll()
{
    TStreamQuery query {*FConnection, [this](const pa_sink_input_info& stream) { Apply(stream); }};
    FConnection->Wait(pa_context_get_sink_input_info_list(FConnection->Context(), query.Listed, &query));
    Save();
    ArmMend();
}

void TSoundServerMixer::Apply(const pa_sink_input_info& stream)
{
    const std::uint32_t process = ProcessOf(stream);
    if (process == FOwnProcess) return;
    const std::vector<std::uint32_t> volumes = VolumesOf(stream.volume);
    auto known = FStreams.find(stream.index);
    if (known != FStreams.end()
        && (known->second.Stream.ProcessId != process || known->second.Stream.Volumes.size() != volumes.size())) {
        Forget(known);
        known = FStreams.end();
    }
    if (FLevel == FullLevel) {
        if (known == FStreams.end()) return;
        SetVolume(known->second, known->second.Stream.Volumes);
        Forget(known);
        return;
    }
    if (known == FStreams.end()) {
        char map[PA_CHANNEL_MAP_SNPRINT_MAX];
        pa_channel_map_snprint(map, sizeof map, &stream.channel_map);
        TStream own {stream.index, process, stream.mute != 0, map, volumes, volumes, RestoreKeyOf(stream)};
        known = FStreams.emplace(stream.index, TRecord {std::move(own), 0, {}}).first;
    } else if (known->second.PendingSets == 0 && volumes != known->second.Stream.Lowered
        && std::find(known->second.Recent.begin(), known->second.Recent.end(), volumes) == known->second.Recent.end()) {
        // Someone else set it (the user, the session manager restoring it):
        // that is the program's own volume now.
        known->second.Stream.Volumes = volumes;
    }
    std::vector<std::uint32_t> lowered;
    for (std::uint32_t own : known->second.Stream.Volumes) lowered.push_back(VolumeAtLevel(own, FLevel));
    if (lowered != volumes) SetVolume(known->second, lowered);
    known->second.Stream.Lowered = lowered;
}

void TSoundServerMixer::SetVolume(TRecord& record, const std::vector<std::uint32_t>& volumes)
{
    const pa_cvolume volume = VolumeOf(volumes);
    auto& pending = FPendingSets.emplace_back(TPendingSet {this, *record.Stream.Index});
    pa_operation* operation = pa_context_set_sink_input_volume(
        FConnection->Context(), *record.Stream.Index, &volume,
        [](pa_context*, int, void* self) {
            auto* done = static_cast<TPendingSet*>(self);
            TSoundServerMixer& mixer = *done->Mixer;
            const auto record = mixer.FStreams.find(done->Index);
            if (record != mixer.FStreams.end() && record->second.PendingSets > 0) --record->second.PendingSets;
            mixer.FPendingSets.remove_if([done](const TPendingSet& p) { return &p == done; });
        },
        &pending);
    if (!operation) {
        FPendingSets.pop_back();
        return;
    }
    ++record.PendingSets;
    record.Recent.push_back(volumes);
    if (record.Recent.size() > RecentSets) record.Recent.pop_front();
    pa_operation_unref(operation);
    FLiveChanged = true;
}

void TSoundServerMixer::Forget(std::map<std::uint32_t, TRecord>::iterator record)
{
    TStream ended = std::move(record->second.Stream);
    ended.Index.reset();
    FStreams.erase(record);
    if (!ended.RestoreKey.empty()) FEnded.push_back(std::move(ended));
    ArmMend();
}

void TSoundServerMixer::RestoreLeftovers()
{
    std::vector<TStream> leftovers = FFile.Load();
    if (leftovers.empty()) return;
    // A stream still there, of the same program and unchanged since, gets
    // its volume back: after a server restart the numbers name other
    // streams, and a volume the user set meanwhile stays.
    TStreamQuery query {
        *FConnection, [&](const pa_sink_input_info& stream) {
            for (const TStream& left : leftovers) {
                if (left.Index != stream.index || left.ProcessId != ProcessOf(stream)
                    || left.RestoreKey != RestoreKeyOf(stream) || left.Lowered != VolumesOf(stream.volume))
                    continue;
                const pa_cvolume own = VolumeOf(left.Volumes);
                if (pa_operation* operation =
                        pa_context_set_sink_input_volume(FConnection->Context(), stream.index, &own, nullptr, nullptr))
                    pa_operation_unref(operation);
            }
        }};
    FConnection->Wait(pa_context_get_sink_input_info_list(FConnection->Context(), query.Listed, &query));
    for (TStream& left : leftovers) {
        left.Index.reset();
        if (!left.RestoreKey.empty()) FEnded.push_back(std::move(left));
    }
}

void TSoundServerMixer::ServerEvent(pa_subscription_event_type_t type, std::uint32_t index)
{
    const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    const auto known = FStreams.find(index);
    if (kind == PA_SUBSCRIPTION_EVENT_REMOVE) {
        if (known == FStreams.end()) return;
        Forget(known);
        Save();
        return;
    }
    // A program that starts to play while turned down is turned down as
    // well; a change of a stream's volume by someone else is followed.
    if (kind == PA_SUBSCRIPTION_EVENT_NEW ? FLevel == FullLevel : known == FStreams.end()) return;
    // Runs on the event thread: the answer is not waited for.
    pa_operation* operation = pa_context_get_sink_input_info(
        FConnection->Context(), index,
        [](pa_context*, const pa_sink_input_info* info, int eol, void* self) {
            auto* mixer = static_cast<TSoundServerMixer*>(self);
            if (eol != 0 || !info || mixer->FClosing) return;
            mixer->Apply(*info);
            mixer->Save();
            mixer->ArmMend();
        },
        this);
    if (operation) pa_operation_unref(operation);
}

void TSoundServerMixer::ArmMend()
{
    if (FMendEvent || FClosing || !FConnection->Connected()) return;
    if (FEnded.empty() && !FLiveChanged) return;
    FMendEvent = pa_context_rttime_new(
        FConnection->Context(), pa_rtclock_now() + SettleMs * PA_USEC_PER_MSEC,
        [](pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self) {
            api->time_free(event);
            auto* mixer = static_cast<TSoundServerMixer*>(self);
            if (mixer->FMendEvent != event || mixer->FClosing) return;
            mixer->FMendEvent = nullptr;
            // One at a time; changes meanwhile are mended by the next one.
            if (mixer->FMending)
                mixer->ArmMend();
            else
                mixer->StartMend();
        },
        this);
}

bool TSoundServerMixer::StartMend()
{
    if (FMending || !FConnection->Connected()) return false;
    FMendBatch.clear();
    FMendEnded = FEnded.size();
    for (const TStream& ended : FEnded) FMendBatch.push_back(TEntry {ended, false, {}, false});
    if (FLiveChanged)
        for (const auto& [index, record] : FStreams)
            if (!record.Stream.RestoreKey.empty()) FMendBatch.push_back(TEntry {record.Stream, false, {}, false});
    FLiveChanged = false;
    if (FMendBatch.empty()) return false;
    // What the server saved besides the volume (the device, the mute) is
    // read first and written back unchanged.
    pa_operation* operation = pa_ext_stream_restore_read(
        FConnection->Context(),
        [](pa_context* context, const pa_ext_stream_restore_info* info, int eol, void* self) {
            auto* mixer = static_cast<TSoundServerMixer*>(self);
            if (!mixer->FMending) return;
            if (eol < 0) {
                // No stream-restore on this server: nothing saves volumes.
                mixer->EndMend();
                return;
            }
            if (eol == 0 && info) {
                for (TEntry& entry : mixer->FMendBatch) {
                    if (entry.Stream.RestoreKey != info->name) continue;
                    entry.Found = true;
                    entry.Device = info->device ? info->device : "";
                    entry.Mute = info->mute != 0;
                }
                return;
            }
            std::vector<pa_ext_stream_restore_info> infos;
            std::vector<pa_cvolume> volumes(mixer->FMendBatch.size());
            for (std::size_t i = 0; i < mixer->FMendBatch.size(); ++i) {
                const TEntry& entry = mixer->FMendBatch[i];
                pa_ext_stream_restore_info write {};
                write.name = entry.Stream.RestoreKey.c_str();
                volumes[i] = VolumeOf(entry.Stream.Volumes);
                if (!pa_channel_map_parse(&write.channel_map, entry.Stream.ChannelMap.c_str())
                    || write.channel_map.channels != volumes[i].channels)
                    continue;
                write.volume = volumes[i];
                write.device = entry.Found && !entry.Device.empty() ? entry.Device.c_str() : nullptr;
                write.mute = entry.Found ? entry.Mute : entry.Stream.Mute;
                infos.push_back(write);
            }
            pa_operation* written = pa_ext_stream_restore_write(
                context, PA_UPDATE_REPLACE, infos.data(), static_cast<unsigned>(infos.size()), 0,
                [](pa_context*, int, void* self) { static_cast<TSoundServerMixer*>(self)->EndMend(); }, mixer);
            if (written)
                pa_operation_unref(written);
            else
                mixer->EndMend();
        },
        this);
    if (!operation) return false;
    pa_operation_unref(operation);
    FMending = true;
    return true;
}

void TSoundServerMixer::EndMend()
{
    // A server that refuses the entries is not asked again and again.
    FMending = false;
    FMendBatch.clear();
    FEnded.erase(FEnded.begin(), FEnded.begin() + static_cast<std::ptrdiff_t>(std::min(FMendEnded, FEnded.size())));
    Save();
    FMendEnded = 0;
    FConnection->Signal();
    ArmMend();
}

void TSoundServerMixer::Save() const
{
    std::vector<TStream> streams;
    for (const auto& [index, record] : FStreams) streams.push_back(record.Stream);
    streams.insert(streams.end(), FEnded.begin(), FEnded.end());
    // Every ramp step and every echo of a volume set from here asks again;
    // a list already kept is not written (and synced) again.
    if (FSaved == streams) return;
    if (FFile.Save(streams))
        FSaved = std::move(streams);
    else
        FSaved.reset();
}
