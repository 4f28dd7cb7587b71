#include "audio/AlsaDeviceList.h"

#include <alsa/asoundlib.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "base/MainLoop.h"

namespace {
// Does the card's first PCM play (or record)?
bool HasPcm(snd_ctl_t* control, snd_pcm_stream_t stream)
{
    snd_pcm_info_t* info = nullptr;
    snd_pcm_info_alloca(&info);
    snd_pcm_info_set_device(info, 0);
    snd_pcm_info_set_subdevice(info, 0);
    snd_pcm_info_set_stream(info, stream);
    return snd_ctl_pcm_info(control, info) == 0;
}

std::string SysfsPathOf(int card)
{
    std::error_code error;
    const auto path = std::filesystem::canonical("/sys/class/sound/card" + std::to_string(card) + "/device", error);
    return error ? std::string() : path.string();
}
} // namespace

TAlsaDeviceList::TAlsaDeviceList()
    : FAlive(std::make_shared<bool>(true))
{
    Refresh();
    FUdev = udev_new();
    if (FUdev) FMonitor = udev_monitor_new_from_netlink(FUdev, "udev");
    FWakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // Without a watch the list stays as it was read: choosing still works,
    // a card plugged later shows up the next time the program starts.
    if (!FMonitor || FWakeFd < 0 || udev_monitor_filter_add_match_subsystem_devtype(FMonitor, "sound", nullptr) < 0
        || udev_monitor_enable_receiving(FMonitor) < 0)
        return;
    FWatcher = std::thread([this] { Watch(); });
}

TAlsaDeviceList::~TAlsaDeviceList()
{
    *FAlive = false;
    if (FWatcher.joinable()) {
        const std::uint64_t one = 1;
        (void)!::write(FWakeFd, &one, sizeof one);
        FWatcher.join();
    }
    if (FWakeFd >= 0) ::close(FWakeFd);
    if (FMonitor) udev_monitor_unref(FMonitor);
    if (FUdev) udev_unref(FUdev);
}

std::vector<TSoundDeviceInfo> TAlsaDeviceList::Devices(TWaveDirection direction) const
{
    return FDevices[DirectionIndex(direction)];
}

void TAlsaDeviceList::Refresh()
{
    std::vector<TSoundDeviceInfo> found[2];
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;) {
        snd_ctl_t* control = nullptr;
        if (snd_ctl_open(&control, ("hw:" + std::to_string(card)).c_str(), SND_CTL_NONBLOCK) < 0) continue;
        snd_ctl_card_info_t* info = nullptr;
        snd_ctl_card_info_alloca(&info);
        if (snd_ctl_card_info(control, info) == 0) {
            TSoundDeviceInfo device;
            device.Name = snd_ctl_card_info_get_id(info);
            device.Description = snd_ctl_card_info_get_name(info);
            device.AlsaCard = card;
            device.SysfsPath = SysfsPathOf(card);
            if (HasPcm(control, SND_PCM_STREAM_PLAYBACK)) found[0].push_back(device);
            if (HasPcm(control, SND_PCM_STREAM_CAPTURE)) found[1].push_back(device);
        }
        snd_ctl_close(control);
    }
    FDevices[0] = std::move(found[0]);
    FDevices[1] = std::move(found[1]);
}

void TAlsaDeviceList::Watch()
{
    const int monitorFd = udev_monitor_get_fd(FMonitor);
    for (;;) {
        pollfd fds[2] = {{FWakeFd, POLLIN, 0}, {monitorFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents) return;
        if (!(fds[1].revents & POLLIN)) continue;
        if (udev_device* device = udev_monitor_receive_device(FMonitor)) udev_device_unref(device);
        TMainLoop::Current().Post([this, alive = FAlive] {
            if (!*alive) return;
            Refresh();
            OnChange(this);
        });
    }
}
