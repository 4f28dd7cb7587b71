#pragma once

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

// Owns one file descriptor and closes it on every path out. Close() reports
// the close itself, which matters where a failed close means lost data.
class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int fd)
        : FFd(fd)
    {
    }
    TFileDescriptor(TFileDescriptor&& other) noexcept
        : FFd(other.Release())
    {
    }
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept
    {
        if (this != &other) {
            Close();
            FFd = other.Release();
        }
        return *this;
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    ~TFileDescriptor() { Close(); }

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }

    // 0, or -1 with errno set by close(2); the descriptor is gone either way.
    int Close()
    {
        const int rc = FFd >= 0 ? ::close(FFd) : 0;
        FFd = -1;
        return rc;
    }

    int Release() { return std::exchange(FFd, -1); }

private:
    int FFd = -1;
};

// Writes all of bytes, going on after short writes and interruptions. False,
// with errno set, when the system refuses (a write of nothing counts as EIO).
inline bool WriteFully(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}
