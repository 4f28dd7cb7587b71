#include "InstanceLock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "base/Translation.h"

namespace {

// A stable short name for a text (FNV-1a): the same in every build and run.
std::uint64_t Hash(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string Hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

// The step, the system's own words and its number, so the operator can act.
std::string SystemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error) + " (" + std::to_string(error) + ")";
}

sockaddr_un AddressOf(const std::string& name, socklen_t& length)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    // Abstract: a NUL first, no file anywhere.
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return address;
}

// The process that holds the name: it listens, so a connection tells its
// credentials. Empty when it cannot be told.
std::string HolderOf(const sockaddr_un& address, socklen_t length)
{
    // Never waits: a holder whose queue is full of earlier probes is simply
    // not named.
    const TFileDescriptor probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!probe.Valid() || ::connect(probe.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) return {};
    ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(probe.Get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.pid <= 0) return {};
    return std::to_string(peer.pid);
}

// The name that locks this settings file (without the leading NUL of the
// abstract namespace). Two names of one file (a symbolic link, "./") take
// the same lock.
std::string NameFor(const std::filesystem::path& real)
{
    struct stat folder { };
    if (::stat(real.parent_path().c_str(), &folder) != 0) return "parlet/" + Hex(Hash(real.string()));
    return "parlet/" + Hex(folder.st_dev) + "-" + Hex(folder.st_ino) + "/" + Hex(Hash(real.filename().string()));
}

} // namespace

TInstanceLock::TInstanceLock(const std::string& settingsFile)
    : FSocket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    if (!FSocket.Valid()) throw Exception(SystemError(Translated("Cannot lock %1", {settingsFile}), errno));
    const std::filesystem::path real = std::filesystem::weakly_canonical(settingsFile);
    socklen_t length = 0;
    const sockaddr_un address = AddressOf(NameFor(real), length);
    if (::bind(FSocket.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        const int error = errno;
        if (error != EADDRINUSE) throw Exception(SystemError(Translated("Cannot lock %1", {settingsFile}), error));
        const std::string holder = HolderOf(address, length);
        throw EAlreadyRunning(Translated("Parlet is already running on the settings file %1 (process %2). The sound "
                                         "card and the radio's lines cannot be shared by two programs.",
            {real.string(), holder.empty() ? "?" : holder}));
    }
    // Listening lets the next one to try ask who holds the lock; nobody is
    // ever accepted. A failure here only leaves the process number out.
    [[maybe_unused]] const int listening = ::listen(FSocket.Get(), SOMAXCONN);
}
