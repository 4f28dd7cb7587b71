#include "LinuxHidPlatform.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/MainLoop.h"
#include "base/Translation.h"
#include "base/WakeUp.h"
#include "radio/HidReportDescriptor.h"

namespace {

// Owns a libudev reference.
struct TUdevDeleter {
    void operator()(udev* p) const { udev_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
    void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};
template <typename T> using TUdevPtr = std::unique_ptr<T, TUdevDeleter>;

// Whether the device numbers its reports, read from its descriptor.
bool DeviceUsesReportIds(int fd)
{
    int size = 0;
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) != 0 || size <= 0) return false;
    hidraw_report_descriptor descriptor {};
    descriptor.size = static_cast<std::uint32_t>(size);
    if (ioctl(fd, HIDIOCGRDESC, &descriptor) != 0) return false;
    return UsesReportIds(std::span<const std::uint8_t>(descriptor.value, descriptor.size));
}

class TLinuxHidWriteHandle : public THidWriteHandle {
public:
    explicit TLinuxHidWriteHandle(TFileDescriptor fd)
        : FFd(std::move(fd))
    {
    }

    // hidraw takes the report id first, also 0 for unnumbered reports.
    long Write(const std::vector<std::uint8_t>& report) override
    {
        for (;;) {
            const ssize_t n = ::write(FFd.Get(), report.data(), report.size());
            if (n >= 0) return static_cast<long>(n);
            if (errno != EINTR) return -errno;
        }
    }

private:
    const TFileDescriptor FFd;
};

class TLinuxHidReadHandle : public THidReadHandle {
public:
    TLinuxHidReadHandle(TFileDescriptor fd, TWakeUp wake)
        : FFd(std::move(fd))
        , FWake(std::move(wake))
        , FNumbered(DeviceUsesReportIds(FFd.Get()))
    {
    }

    THidRead Read(THidReport& report) override
    {
        for (;;) {
            pollfd fds[2] = {{FWake.Fd(), POLLIN, 0}, {FFd.Get(), POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return THidRead::Failed;
            }
            if (fds[0].revents) return THidRead::Cancelled;
            if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) return THidRead::Failed;
            std::uint8_t buffer[64];
            const ssize_t n = ::read(FFd.Get(), buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                return THidRead::Failed; // ENODEV: unplugged, the enumeration closes it
            }
            if (n == 0) continue;
            std::size_t at = 0;
            report = {};
            if (FNumbered) report.ReportId = buffer[at++];
            for (std::size_t i = 0; i < report.Data.size() && at < static_cast<std::size_t>(n); ++i, ++at)
                report.Data[i] = buffer[at];
            return THidRead::Report;
        }
    }

    // The wake-up descriptor stays readable, so every later read ends too.
    void Cancel() override { FWake.Raise(); }

private:
    const TFileDescriptor FFd;
    const TWakeUp FWake;
    const bool FNumbered;
};

// Notices of hidraw devices arriving and leaving, from a udev monitor read on
// a thread of its own and posted to the main loop.
class TLinuxHidWatch : public THidWatch {
public:
    explicit TLinuxHidWatch(std::function<void()> notice)
        : FShared(std::make_shared<TShared>())
    {
        FShared->notice = std::move(notice);
        FUdev.reset(udev_new());
        if (FUdev) FMonitor.reset(udev_monitor_new_from_netlink(FUdev.get(), "udev"));
        if (!FMonitor || udev_monitor_filter_add_match_subsystem_devtype(FMonitor.get(), "hidraw", nullptr) < 0
            || udev_monitor_enable_receiving(FMonitor.get()) < 0) {
            const int error = errno;
            TMainLoop::Current().ReportError(
                Translated("USB radio interface: cannot watch for devices being plugged in (udev monitor: %1)",
                    {std::strerror(error)}));
            return;
        }
        if (!FWake.Valid()) return;
        FThread = std::thread([this] { Run(); });
    }

    ~TLinuxHidWatch() override
    {
        FShared->alive = false;
        if (FThread.joinable()) {
            FWake.Raise();
            FThread.join(); // the watcher never waits for the main thread
        }
    }

private:
    struct TShared {
        bool alive = true; // main thread only
        std::function<void()> notice;
    };

    void Run()
    {
        const int monitorFd = udev_monitor_get_fd(FMonitor.get());
        for (;;) {
            pollfd fds[2] = {{FWake.Fd(), POLLIN, 0}, {monitorFd, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[0].revents) return;
            if (!(fds[1].revents & POLLIN)) continue;
            TUdevPtr<udev_device> device(udev_monitor_receive_device(FMonitor.get()));
            if (!device) continue;
            const char* action = udev_device_get_action(device.get());
            if (!action || (std::strcmp(action, "add") != 0 && std::strcmp(action, "remove") != 0)) continue;
            std::shared_ptr<TShared> shared = FShared;
            TMainLoop::Current().Post([shared] {
                if (shared->alive) shared->notice();
            });
        }
    }

    std::shared_ptr<TShared> FShared;
    TUdevPtr<udev> FUdev;
    TUdevPtr<udev_monitor> FMonitor;
    TWakeUp FWake;
    std::thread FThread;
};

} // namespace

std::vector<std::string> TLinuxHidPlatform::EnumeratePaths()
{
    std::vector<std::string> paths;
    TUdevPtr<udev> context(udev_new());
    if (!context) return paths;
    TUdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
    if (!enumerate) return paths;
    if (udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0) return paths;
    if (udev_enumerate_scan_devices(enumerate.get()) < 0) return paths;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        TUdevPtr<udev_device> device(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) continue;
        if (const char* node = udev_device_get_devnode(device.get())) paths.emplace_back(node);
    }
    return paths;
}

THidQuery TLinuxHidPlatform::QueryAttributes(const std::string& path, THidAttributes& attributes)
{
    const TFileDescriptor fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) return THidQuery::OpenFailed;
    hidraw_devinfo info {};
    if (ioctl(fd.Get(), HIDIOCGRAWINFO, &info) != 0) return THidQuery::AttributesFailed;
    attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
    attributes.ProductID = static_cast<std::uint16_t>(info.product);
    return THidQuery::Ok;
}

std::unique_ptr<THidWriteHandle> TLinuxHidPlatform::OpenForWrite(const std::string& path, int& error)
{
    TFileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd.Valid()) {
        error = errno;
        return nullptr;
    }
    error = 0;
    return std::make_unique<TLinuxHidWriteHandle>(std::move(fd));
}

std::unique_ptr<THidReadHandle> TLinuxHidPlatform::OpenForRead(const std::string& path, int& error)
{
    TFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        error = errno;
        return nullptr;
    }
    TWakeUp wake;
    if (!wake.Valid()) {
        error = errno;
        return nullptr;
    }
    error = 0;
    return std::make_unique<TLinuxHidReadHandle>(std::move(fd), std::move(wake));
}

std::unique_ptr<THidWatch> TLinuxHidPlatform::WatchDeviceChanges(std::function<void()> notice)
{
    return std::make_unique<TLinuxHidWatch>(std::move(notice));
}
