#include "media/TurnedDownStreams.h"

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

std::map<std::uint32_t, TTurnedDownStreams::TStream> TTurnedDownStreams::Load() const
{
    std::map<std::uint32_t, TStream> streams;
    std::optional<std::string> text;
    try {
        text = ReadWholeFile(FPath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "parlet: %s\n", e.what());
    }
    if (!text) return streams;
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::uint32_t index = 0;
        TStream stream;
        if (!(fields >> index >> stream.ProcessId)) continue;
        for (std::uint32_t volume; fields >> volume;) stream.Volumes.push_back(volume);
        if (!stream.Volumes.empty()) streams[index] = std::move(stream);
    }
    return streams;
}

void TTurnedDownStreams::Save(const std::map<std::uint32_t, TStream>& streams) const
{
    try {
        if (streams.empty()) {
            std::filesystem::remove(FPath);
            return;
        }
        std::ostringstream text;
        for (const auto& [index, stream] : streams) {
            text << index << ' ' << stream.ProcessId;
            for (std::uint32_t volume : stream.Volumes) text << ' ' << volume;
            text << '\n';
        }
        std::filesystem::create_directories(std::filesystem::path(FPath).parent_path());
        ReplaceWholeFile(FPath, text.str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "parlet: the list of turned-down programs could not be kept: %s\n", e.what());
    }
}
