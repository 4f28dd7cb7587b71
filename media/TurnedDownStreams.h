#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The playback streams of other programs that this program has turned down,
// with the volume each had before, kept in a small file so that the next
// start can give them back after a crash or a kill. A stream that ended
// while its saved entry in the session manager may still hold a lowered
// volume stays listed (without an index) until that entry is mended.
// One line per stream:
//   "<index or -> <process id> <mute 0|1> <channel map> <channels> <own volumes...> <set volumes...>\t<restore key>"
class TTurnedDownStreams {
public:
    struct TStream {
        std::optional<std::uint32_t> Index; // none once the stream has ended
        std::uint32_t ProcessId = 0;
        bool Mute = false;
        std::string ChannelMap; // the server's short form, "front-left,front-right"
        std::vector<std::uint32_t> Volumes; // its own volume, one per channel, the server's units
        std::vector<std::uint32_t> Lowered; // what this program last set
        std::string RestoreKey; // its entry in the session manager; may be empty
        bool operator==(const TStream&) const = default;
    };

    // The file in the user's state folder: $XDG_STATE_HOME/parlet, else
    // ~/.local/state/parlet.
    static std::string DefaultPath();

    explicit TTurnedDownStreams(std::string path);

    // What the file lists; lines that do not parse are skipped.
    std::vector<TStream> Load() const;
    // Write the streams to the file, or remove it when there are none;
    // false when that failed. A file that cannot be written is reported on
    // stderr: turning down works on without it.
    bool Save(const std::vector<TStream>& streams) const;

private:
    std::string FPath;
};
