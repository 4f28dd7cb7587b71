#include "settings/AtomicFile.h"

#include "base/FileDescriptor.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void ThrowErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

// The file a write really lands in: the target of a symbolic link, else the
// path itself.
std::string WriteTarget(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path; // a dangling link: the rename replaces it
    std::string target(real);
    std::free(real);
    return target;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Creates a new, empty temporary file beside path. O_EXCL keeps two writers
// apart; the 0666 mode lets the umask decide, as for any new file.
int CreateTemporary(const std::string& path, std::string& tempName)
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000);
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        ThrowErrno("read " + path);
    }
    std::string bytes;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno("read " + path);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

void ReplaceWholeFile(const std::string& path, std::string_view contents)
{
    const std::string target = WriteTarget(path);
    struct stat old { };
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) {
        errno = EISDIR;
        ThrowErrno("write " + target);
    }

    std::string tempName;
    TFileDescriptor fd(CreateTemporary(target, tempName));
    if (fd.Get() < 0) ThrowErrno("create " + tempName);
    try {
        if (existed) {
            if (::fchmod(fd.Get(), old.st_mode & 07777) != 0) ThrowErrno("create " + tempName);
            // Only root may hand the file back to its owner; for anyone else
            // the file already is theirs or the rename below decides.
            [[maybe_unused]] const int ignored = ::fchown(fd.Get(), old.st_uid, old.st_gid);
        }
        if (!WriteFully(fd.Get(), contents)) ThrowErrno("write " + tempName);
        if (::fsync(fd.Get()) != 0) ThrowErrno("write " + tempName);
        if (fd.Close() != 0) ThrowErrno("write " + tempName);
        if (::rename(tempName.c_str(), target.c_str()) != 0) ThrowErrno("rename " + tempName + " to " + target);
    } catch (...) {
        ::unlink(tempName.c_str());
        throw;
    }
    // The rename is on disk only once the folder is: until then a power loss
    // may bring the old file back, so a folder that cannot be flushed is a
    // failed write too. EINVAL: a file system that does not sync folders.
    TFileDescriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0) ThrowErrno("flush the folder " + FolderOf(target));
    if (::fsync(folder.Get()) != 0 && errno != EINVAL) ThrowErrno("flush the folder " + FolderOf(target));
}

std::optional<std::string> WhyNotReplaceable(const std::string& path)
{
    const std::string target = WriteTarget(path);
    const auto refused = [](const std::string& step) { return step + ": " + std::strerror(errno); };
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) return refused("write " + target);
    const std::string folder = FolderOf(target);
    if (::access(folder.c_str(), F_OK) != 0) return std::nullopt;
    if (::access(folder.c_str(), W_OK) != 0) return refused("create " + target + ".tmp...");
    return std::nullopt;
}
