#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The playback streams of other programs that this program has turned down,
// with the volume each had before, kept in a small file so that the next
// start can give them back after a crash or a kill. The file holds one line
// per stream: "<stream index> <process id> <volume of each channel...>".
class TTurnedDownStreams {
public:
    struct TStream {
        std::uint32_t ProcessId = 0;
        std::vector<std::uint32_t> Volumes; // one per channel, the server's units
    };

    // The file in the user's state folder: $XDG_STATE_HOME/parlet, else
    // ~/.local/state/parlet.
    static std::string DefaultPath();

    explicit TTurnedDownStreams(std::string path);

    // What the file lists; lines that do not parse are skipped.
    std::map<std::uint32_t, TStream> Load() const;
    // Write the streams to the file, or remove it when there are none. A
    // file that cannot be written is reported on stderr: turning down works
    // on without it.
    void Save(const std::map<std::uint32_t, TStream>& streams) const;

private:
    std::string FPath;
};
