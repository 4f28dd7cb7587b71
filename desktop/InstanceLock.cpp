#include "InstanceLock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Translation.h"
#include "desktop/XdgFolders.h"

namespace {

// A stable name for a path (FNV-1a): the same in every build and run.
std::string HashName(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return name;
}

// The step, the system's own words and its number, so the operator can act.
std::string SystemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error) + " (" + std::to_string(error) + ")";
}

// The runtime folder must be this user's own: a folder someone else made in
// a shared temporary folder could hand the lock to them.
void EnsurePrivateFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Exception(SystemError(Translated("Cannot create %1", {folder}), errno));
    struct stat st { };
    if (::lstat(folder.c_str(), &st) != 0) throw Exception(SystemError(Translated("Cannot read %1", {folder}), errno));
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        throw Exception(Translated("The folder %1 is not this user's own", {folder}));
}

std::string HolderOf(int fd)
{
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) return {};
    std::string pid(text, static_cast<std::size_t>(n));
    return pid.substr(0, pid.find('\n'));
}

} // namespace

TInstanceLock::TInstanceLock(const std::string& settingsFile)
{
    const std::string folder = XdgRuntimeFolder();
    EnsurePrivateFolder(folder);
    // Two names of one file (a symbolic link, "./") take the same lock.
    const std::string real = std::filesystem::weakly_canonical(settingsFile).string();
    FLockFile = folder + "/parlet-" + HashName(real) + ".lock";

    FFd = TFileDescriptor(::open(FLockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!FFd.Valid()) throw Exception(SystemError(Translated("Cannot open the lock file %1", {FLockFile}), errno));
    if (::flock(FFd.Get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        const std::string holder = HolderOf(FFd.Get());
        if (error != EWOULDBLOCK) throw Exception(SystemError(Translated("Cannot lock %1", {FLockFile}), error));
        throw EAlreadyRunning(Translated("Parlet is already running on the settings file %1 (process %2). The sound "
                                         "card and the radio's lines cannot be shared by two programs.",
            {real, holder.empty() ? "?" : holder}));
    }
    // Who holds the lock, for the message of the next one to try. A failure
    // here only leaves the process number out of that message.
    const std::string holder = std::to_string(::getpid()) + "\n" + real + "\n";
    [[maybe_unused]] const bool written =
        ::ftruncate(FFd.Get(), 0) == 0 && ::pwrite(FFd.Get(), holder.data(), holder.size(), 0) > 0;
}
