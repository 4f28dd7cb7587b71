#include "LinuxSerialPlatform.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <linux/serial.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/ProgramFolder.h"
#include "base/WakeUp.h"

namespace {

// TIOCMIWAIT cannot be woken by closing the descriptor; a signal without
// SA_RESTART interrupts it. Installed once, and only if nobody else uses the
// signal; otherwise the watcher polls.
int WakeSignal()
{
    static const int signal = [] {
        const int candidate = SIGRTMIN + 4;
        struct sigaction old { };
        if (sigaction(candidate, nullptr, &old) != 0) return 0;
        if (old.sa_handler != SIG_DFL || (old.sa_flags & SA_SIGINFO)) return 0;
        struct sigaction wake { };
        wake.sa_handler = [](int) {};
        sigemptyset(&wake.sa_mask);
        wake.sa_flags = 0;
        return sigaction(candidate, &wake, nullptr) == 0 ? candidate : 0;
    }();
    return signal;
}

int ReadLines(int fd, int& bits)
{
    return ioctl(fd, TIOCMGET, &bits) == 0 ? 0 : errno;
}

class TLinuxSerialLine : public TSerialLine {
public:
    TLinuxSerialLine(TFileDescriptor fd, TWakeUp wake)
        : FFd(std::move(fd))
        , FWake(std::move(wake))
    {
        if (ReadLines(FFd.Get(), FLastBits) != 0) FLastBits = 0;
        FHaveCounts = ioctl(FFd.Get(), TIOCGICOUNT, &FLastCounts) == 0;
        FUseWaitIoctl = WakeSignal() != 0;
    }

    TSerialFault SetLineState() override
    {
        termios tio {};
        if (tcgetattr(FFd.Get(), &tio) != 0) return {"tcgetattr", errno};
        cfmakeraw(&tio);
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | CRTSCTS);
        tio.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL;
        if (cfsetispeed(&tio, B9600) != 0 || cfsetospeed(&tio, B9600) != 0) return {"cfsetspeed", errno};
        if (tcsetattr(FFd.Get(), TCSANOW, &tio) != 0) return {"tcsetattr", errno};
        return {};
    }

    TSerialFault SetTimeouts() override
    {
        termios tio {};
        if (tcgetattr(FFd.Get(), &tio) != 0) return {"tcgetattr", errno};
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        if (tcsetattr(FFd.Get(), TCSANOW, &tio) != 0) return {"tcsetattr", errno};
        return {};
    }

    TSerialFault Purge() override
    {
        if (tcflush(FFd.Get(), TCIOFLUSH) != 0) return {"tcflush", errno};
        return {};
    }

    TSerialFault SetRTS(bool level) override { return SetLine(TIOCM_RTS, level); }
    TSerialFault SetDTR(bool level) override { return SetLine(TIOCM_DTR, level); }

    TSerialFault GetModemLines(TModemLines& lines) override
    {
        int bits = 0;
        if (int e = ReadLines(FFd.Get(), bits)) return {"ioctl TIOCMGET", e};
        lines.CTS = bits & TIOCM_CTS;
        lines.DSR = bits & TIOCM_DSR;
        lines.Ring = bits & TIOCM_RNG;
        lines.RLSD = bits & TIOCM_CD;
        return {};
    }

    TLineWait WaitForChange(TLineChanges& changes) override
    {
        for (;;) {
            if (FStop) return TLineWait::Stopped;
            if (FUseWaitIoctl) {
                {
                    std::lock_guard<std::mutex> lock(FMutex);
                    if (FStop) return TLineWait::Stopped;
                    FWaiter = pthread_self();
                    FInWaitIoctl = true;
                }
                const int r = ioctl(FFd.Get(), TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD);
                const int e = errno;
                {
                    std::lock_guard<std::mutex> lock(FMutex);
                    FInWaitIoctl = false;
                }
                FLeft.notify_all();
                if (r != 0 && e != EINTR) FUseWaitIoctl = false; // driver lacks it: poll
                if (r != 0) continue;
            } else {
                pollfd wake {FWake.Fd(), POLLIN, 0};
                poll(&wake, 1, PollIntervalMs);
                if (FStop) return TLineWait::Stopped;
            }
            if (!Compare(changes)) return TLineWait::Failed;
            if (changes.Any()) return TLineWait::Changed;
        }
    }

    void StopWaiting() override
    {
        FStop = true;
        FWake.Raise();
        // The signal may land just before the watcher enters the ioctl; send
        // it again until the watcher is out.
        std::unique_lock<std::mutex> lock(FMutex);
        while (FInWaitIoctl) {
            pthread_kill(FWaiter, WakeSignal());
            FLeft.wait_for(lock, std::chrono::milliseconds(1));
        }
    }

private:
    static constexpr int PollIntervalMs = 10;

    TSerialFault SetLine(int line, bool level)
    {
        if (ioctl(FFd.Get(), level ? TIOCMBIS : TIOCMBIC, &line) == 0) return {};
        return {level ? "ioctl TIOCMBIS" : "ioctl TIOCMBIC", errno};
    }

    // The lines that changed since the last look; false when they cannot be
    // read (device gone, or a tty without modem lines).
    bool Compare(TLineChanges& changes)
    {
        int bits = 0;
        if (ReadLines(FFd.Get(), bits) != 0) return false;
        const int diff = bits ^ FLastBits;
        changes.CTS = diff & TIOCM_CTS;
        changes.DSR = diff & TIOCM_DSR;
        changes.Ring = diff & TIOCM_RNG;
        changes.RLSD = diff & TIOCM_CD;
        FLastBits = bits;
        // A short pulse leaves the level as it was; the driver's counters
        // still show it.
        serial_icounter_struct counts {};
        if (FHaveCounts && ioctl(FFd.Get(), TIOCGICOUNT, &counts) == 0) {
            changes.CTS |= counts.cts != FLastCounts.cts;
            changes.DSR |= counts.dsr != FLastCounts.dsr;
            changes.Ring |= counts.rng != FLastCounts.rng;
            changes.RLSD |= counts.dcd != FLastCounts.dcd;
            FLastCounts = counts;
        }
        return true;
    }

    // HUPCL drops RTS and DTR as the last descriptor closes.
    const TFileDescriptor FFd;
    const TWakeUp FWake;
    int FLastBits = 0;
    bool FHaveCounts = false;
    serial_icounter_struct FLastCounts {};
    bool FUseWaitIoctl = false;
    std::atomic<bool> FStop {false};
    std::mutex FMutex;
    std::condition_variable FLeft;
    bool FInWaitIoctl = false;
    pthread_t FWaiter {};
};

bool IsComName(const std::string& name, std::string& digits)
{
    if (name.size() < 4 || name.size() > 9) return false;
    for (std::size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return false;
    for (std::size_t i = 3; i < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    digits = std::to_string(std::stol(name.substr(3)));
    return true;
}

} // namespace

TLinuxSerialPlatform::TLinuxSerialPlatform(std::string portsFolder)
    : FPortsFolder(std::move(portsFolder))
{
}

std::string TLinuxSerialPlatform::DevicePath(const std::string& portName) const
{
    return PathOf(portName, FPortsFolder);
}

std::string TLinuxSerialPlatform::PathOf(const std::string& portName, const std::string& portsFolder)
{
    std::string digits;
    if (IsComName(portName, digits)) {
        const std::string link = portsFolder + "ports/com" + digits;
        struct stat st { };
        if (lstat(link.c_str(), &st) == 0) return link;
        const long n = std::stol(digits);
        if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
    if (!portName.empty() && portName[0] == '/') return portName;
    return "/dev/" + portName;
}

std::unique_ptr<TSerialLine> TLinuxSerialPlatform::Open(const std::string& portName, TSerialFault& fault)
{
    // Non-blocking: some USB adapters hang a blocking open.
    TFileDescriptor fd(::open(DevicePath(portName).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    auto fail = [&](const char* call, int e) -> std::unique_ptr<TSerialLine> {
        fault = {call, e};
        return nullptr;
    };
    if (!fd.Valid()) return fail("open", errno);
    if (!isatty(fd.Get())) return fail("isatty", ENOTTY);
    // flock keeps out every other open, root's included; TIOCEXCL also keeps
    // out programs that do not use flock.
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return fail("flock", errno);
    if (ioctl(fd.Get(), TIOCEXCL) != 0) return fail("ioctl TIOCEXCL", errno);
    // Linux raised RTS and DTR on open: drop them at once. A tty without
    // modem lines refuses, which is fine: it has nothing to drop.
    int both = TIOCM_RTS | TIOCM_DTR;
    ioctl(fd.Get(), TIOCMBIC, &both);
    TWakeUp wake;
    if (!wake.Valid()) return fail("eventfd", errno);
    fault = {};
    return std::make_unique<TLinuxSerialLine>(std::move(fd), std::move(wake));
}
