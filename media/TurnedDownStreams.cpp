#include "media/TurnedDownStreams.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <sstream>

#include "settings/AtomicFile.h"

std::string TTurnedDownStreams::DefaultPath()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string folder;
    if (state && *state == '/')
        folder = state;
    else if (const char* home = std::getenv("HOME"))
        folder = std::string(home) + "/.local/state";
    else
        folder = "/tmp";
    return folder + "/parlet/turned-down-streams";
}

TTurnedDownStreams::TTurnedDownStreams(std::string path)
    : FPath(std::move(path))
{
}

std::vector<TTurnedDownStreams::TStream> TTurnedDownStreams::Load() const
{
    std::vector<TStream> streams;
    std::optional<std::string> text;
    try {
        text = ReadWholeFile(FPath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "parlet: %s\n", e.what());
    }
    if (!text) return streams;
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::istringstream fields(line.substr(0, tab));
        std::string index;
        TStream stream;
        std::size_t channels = 0;
        int mute = 0;
        if (!(fields >> index >> stream.ProcessId >> mute >> stream.ChannelMap >> channels)) continue;
        if (channels == 0 || channels > 32 || (mute != 0 && mute != 1)) continue;
        if (index != "-") {
            try {
                std::size_t used = 0;
                const unsigned long number = std::stoul(index, &used);
                if (used != index.size() || number > UINT32_MAX) continue;
                stream.Index = static_cast<std::uint32_t>(number);
            } catch (const std::exception&) {
                continue;
            }
        }
        stream.Mute = mute == 1;
        for (std::uint32_t volume; stream.Volumes.size() < channels && fields >> volume;)
            stream.Volumes.push_back(volume);
        for (std::uint32_t volume; stream.Lowered.size() < channels && fields >> volume;)
            stream.Lowered.push_back(volume);
        if (stream.Lowered.size() != channels) continue;
        stream.RestoreKey = line.substr(tab + 1);
        streams.push_back(std::move(stream));
    }
    return streams;
}

bool TTurnedDownStreams::Save(const std::vector<TStream>& streams) const
{
    try {
        if (streams.empty()) {
            std::filesystem::remove(FPath);
            return true;
        }
        std::ostringstream text;
        for (const TStream& stream : streams) {
            if (stream.Index)
                text << *stream.Index;
            else
                text << '-';
            text << ' ' << stream.ProcessId << ' ' << (stream.Mute ? 1 : 0) << ' ' << stream.ChannelMap << ' '
                 << stream.Volumes.size();
            for (std::uint32_t volume : stream.Volumes) text << ' ' << volume;
            for (std::uint32_t volume : stream.Lowered) text << ' ' << volume;
            // A key that would break the line is not kept: that entry cannot
            // be mended, the stream's volume still can.
            const bool keyFits = stream.RestoreKey.find('\n') == std::string::npos;
            text << '\t' << (keyFits ? stream.RestoreKey : std::string()) << '\n';
        }
        std::filesystem::create_directories(std::filesystem::path(FPath).parent_path());
        ReplaceWholeFile(FPath, text.str());
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "parlet: the list of turned-down programs could not be kept: %s\n", e.what());
        return false;
    }
}
