#include "base/SystemCallSeam.h"

#include <cstdarg>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// The system's own calls, reached through the linker's --wrap.
extern "C" {
int __real_open(const char* path, int flags, ...);
ssize_t __real_read(int fd, void* buffer, size_t count);
ssize_t __real_write(int fd, const void* buffer, size_t count);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char* from, const char* to);
int __real_flock(int fd, int operation);
int __real_eventfd(unsigned int initial, int flags);
int __real_tcsetattr(int fd, int actions, const termios* tio);
int __real_ioctl(int fd, unsigned long request, ...);
}

namespace {

struct TRule {
    TSystemFault Fault;
    int Seen = 0;
    bool Fired = false;
};

// Lives as long as the process: descriptors are closed by other threads and
// at exit, after any static object could have been destroyed.
struct TSeamState {
    std::mutex Mutex;
    bool Armed = false;
    std::thread::id ArmingThread;
    std::vector<TRule> Rules;
    std::vector<TSystemCallRecord> TraceRecords;
    int Injected = 0;
    std::map<int, std::string> FdPaths;
    std::map<std::string, int> EmulatedLines;
    std::map<std::string, int> EmulatedOpenCount;
};

TSeamState& State()
{
    static TSeamState* state = new TSeamState;
    return *state;
}

bool Matches(const std::string& path, const std::string& part)
{
    return part.empty() || path.find(part) != std::string::npos;
}

std::string PathOfLocked(TSeamState& state, int fd)
{
    const auto it = state.FdPaths.find(fd);
    return it == state.FdPaths.end() ? std::string() : it->second;
}

std::string PathOf(int fd)
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    return PathOfLocked(state, fd);
}

// Records the call and answers the error to inject (0: none); a short write
// answers its byte count in shortBytes.
int Decide(TSystemCall call, const std::string& path, long* shortBytes = nullptr)
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    if (!state.Armed) return 0;
    const bool armingThread = std::this_thread::get_id() == state.ArmingThread;
    if (!path.empty()) state.TraceRecords.push_back({call, path, armingThread});
    for (TRule& rule : state.Rules) {
        if (rule.Fired || rule.Fault.Call != call || !Matches(path, rule.Fault.PathPart)) continue;
        if (!rule.Fault.AnyThread && !armingThread) continue;
        if (++rule.Seen != rule.Fault.Nth) continue;
        rule.Fired = true;
        ++state.Injected;
        if (rule.Fault.ShortBytes >= 0 && shortBytes) {
            *shortBytes = rule.Fault.ShortBytes;
            return 0;
        }
        return rule.Fault.Error;
    }
    return 0;
}

int Refuse(int error)
{
    errno = error;
    return -1;
}

void Opened(int fd, const std::string& path)
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    state.FdPaths[fd] = path;
    const auto lines = state.EmulatedLines.find(path);
    if (lines == state.EmulatedLines.end()) return;
    // The driver raises both outputs at open.
    lines->second |= TIOCM_RTS | TIOCM_DTR;
    ++state.EmulatedOpenCount[path];
}

void Closed(int fd)
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    const auto it = state.FdPaths.find(fd);
    if (it == state.FdPaths.end()) return;
    const std::string path = it->second;
    state.FdPaths.erase(it);
    const auto lines = state.EmulatedLines.find(path);
    if (lines == state.EmulatedLines.end()) return;
    // HUPCL: the last close drops both outputs.
    if (--state.EmulatedOpenCount[path] <= 0) lines->second &= ~(TIOCM_RTS | TIOCM_DTR);
}

TSystemCall KindOfIoctl(unsigned long request, bool& known)
{
    known = true;
    switch (request) {
    case TIOCEXCL:
        return TSystemCall::Exclusive;
    case TIOCMBIS:
        return TSystemCall::LinesSet;
    case TIOCMBIC:
        return TSystemCall::LinesClear;
    case TIOCMGET:
        return TSystemCall::LinesGet;
    case TIOCMIWAIT:
        return TSystemCall::LinesWait;
    default:
        known = false;
        return TSystemCall::Open;
    }
}

// The emulated modem lines of a pseudo-terminal; false when the descriptor
// has none, so the call goes to the system.
bool EmulateIoctl(int fd, unsigned long request, void* argument, int& result)
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    const auto lines = state.EmulatedLines.find(PathOfLocked(state, fd));
    if (lines == state.EmulatedLines.end()) return false;
    result = 0;
    switch (request) {
    case TIOCMBIS:
        lines->second |= *static_cast<int*>(argument);
        return true;
    case TIOCMBIC:
        lines->second &= ~*static_cast<int*>(argument);
        return true;
    case TIOCMGET:
        *static_cast<int*>(argument) = lines->second;
        return true;
    case TIOCMIWAIT:
    case TIOCGICOUNT:
        result = Refuse(EINVAL);
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" {

int __wrap_open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, unsigned int));
        va_end(args);
    }
    const TSystemCall kind = (flags & O_DIRECTORY) ? TSystemCall::OpenFolder : TSystemCall::Open;
    if (const int error = Decide(kind, path ? path : "")) return Refuse(error);
    const int fd = __real_open(path, flags, mode);
    if (fd >= 0) Opened(fd, path);
    return fd;
}

ssize_t __wrap_read(int fd, void* buffer, size_t count)
{
    if (const int error = Decide(TSystemCall::Read, PathOf(fd))) return Refuse(error);
    return __real_read(fd, buffer, count);
}

ssize_t __wrap_write(int fd, const void* buffer, size_t count)
{
    long shortBytes = -1;
    if (const int error = Decide(TSystemCall::Write, PathOf(fd), &shortBytes)) return Refuse(error);
    if (shortBytes >= 0 && static_cast<size_t>(shortBytes) < count) count = static_cast<size_t>(shortBytes);
    return __real_write(fd, buffer, count);
}

int __wrap_fsync(int fd)
{
    struct stat st { };
    const bool folder = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    if (const int error = Decide(folder ? TSystemCall::FsyncFolder : TSystemCall::Fsync, PathOf(fd)))
        return Refuse(error);
    return __real_fsync(fd);
}

int __wrap_close(int fd)
{
    const int error = Decide(TSystemCall::Close, PathOf(fd));
    // Linux releases the descriptor even when close reports an error, so a
    // failing close closes it too.
    Closed(fd);
    const int result = __real_close(fd);
    return error ? Refuse(error) : result;
}

int __wrap_rename(const char* from, const char* to)
{
    if (const int error = Decide(TSystemCall::Rename, to ? to : "")) return Refuse(error);
    return __real_rename(from, to);
}

int __wrap_flock(int fd, int operation)
{
    if (const int error = Decide(TSystemCall::Flock, PathOf(fd))) return Refuse(error);
    return __real_flock(fd, operation);
}

int __wrap_eventfd(unsigned int initial, int flags)
{
    if (const int error = Decide(TSystemCall::Eventfd, "eventfd")) return Refuse(error);
    const int fd = __real_eventfd(initial, flags);
    if (fd >= 0) Opened(fd, "eventfd");
    return fd;
}

int __wrap_tcsetattr(int fd, int actions, const termios* tio)
{
    if (const int error = Decide(TSystemCall::TermiosSet, PathOf(fd))) return Refuse(error);
    return __real_tcsetattr(fd, actions, tio);
}

int __wrap_ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    bool known = false;
    const TSystemCall kind = KindOfIoctl(request, known);
    if (known)
        if (const int error = Decide(kind, PathOf(fd))) return Refuse(error);
    int result = 0;
    if (EmulateIoctl(fd, request, argument, result)) return result;
    return __real_ioctl(fd, request, argument);
}

} // extern "C"

const char* SystemCallName(TSystemCall call)
{
    switch (call) {
    case TSystemCall::Open:
        return "open";
    case TSystemCall::OpenFolder:
        return "open folder";
    case TSystemCall::Read:
        return "read";
    case TSystemCall::Write:
        return "write";
    case TSystemCall::Fsync:
        return "fsync";
    case TSystemCall::FsyncFolder:
        return "fsync folder";
    case TSystemCall::Close:
        return "close";
    case TSystemCall::Rename:
        return "rename";
    case TSystemCall::Flock:
        return "flock";
    case TSystemCall::Eventfd:
        return "eventfd";
    case TSystemCall::TermiosSet:
        return "tcsetattr";
    case TSystemCall::Exclusive:
        return "TIOCEXCL";
    case TSystemCall::LinesSet:
        return "TIOCMBIS";
    case TSystemCall::LinesClear:
        return "TIOCMBIC";
    case TSystemCall::LinesGet:
        return "TIOCMGET";
    case TSystemCall::LinesWait:
        return "TIOCMIWAIT";
    case TSystemCall::PcmOpen:
        return "snd_pcm_open";
    case TSystemCall::PcmPrepare:
        return "snd_pcm_prepare";
    case TSystemCall::PcmStart:
        return "snd_pcm_start";
    case TSystemCall::PcmWrite:
        return "snd_pcm_writei";
    case TSystemCall::PcmRead:
        return "snd_pcm_readi";
    }
    return "?";
}

TSystemCallSeam::TSystemCallSeam()
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    state.Armed = true;
    state.ArmingThread = std::this_thread::get_id();
    state.Rules.clear();
    state.TraceRecords.clear();
    state.Injected = 0;
}

TSystemCallSeam::~TSystemCallSeam()
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    state.Armed = false;
    state.Rules.clear();
    state.TraceRecords.clear();
    state.EmulatedLines.clear();
    state.EmulatedOpenCount.clear();
}

void TSystemCallSeam::Fail(const TSystemFault& fault)
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    state.Rules.push_back({fault});
}

int TSystemCallSeam::Injected() const
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    return state.Injected;
}

int TSystemCallSeam::Calls(TSystemCall call, const std::string& pathPart) const
{
    int count = 0;
    for (const TSystemCallRecord& record : Trace(pathPart))
        if (record.Call == call) ++count;
    return count;
}

std::vector<TSystemCallRecord> TSystemCallSeam::Trace(const std::string& pathPart) const
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    std::vector<TSystemCallRecord> records;
    for (const TSystemCallRecord& record : state.TraceRecords)
        if (Matches(record.Path, pathPart)) records.push_back(record);
    return records;
}

void TSystemCallSeam::EmulateModemLines(const std::string& path)
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    state.EmulatedLines[path] = 0;
    state.EmulatedOpenCount[path] = 0;
}

int TSystemCallSeam::ModemLines(const std::string& path) const
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    const auto it = state.EmulatedLines.find(path);
    return it == state.EmulatedLines.end() ? 0 : it->second;
}

void TSystemCallSeam::SetModemInputs(const std::string& path, int bits)
{
    TSeamState& state = State();
    std::lock_guard<std::mutex> lock(state.Mutex);
    const int outputs = TIOCM_RTS | TIOCM_DTR;
    int& lines = state.EmulatedLines[path];
    lines = (lines & outputs) | (bits & ~outputs);
}

int ScriptedError(TSystemCall call, const std::string& path)
{
    return Decide(call, path);
}

std::size_t OpenDescriptorCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count - 1; // the listing's own descriptor
}
