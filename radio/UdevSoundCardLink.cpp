#include "UdevSoundCardLink.h"

#include <cstdlib>
#include <libudev.h>
#include <memory>
#include <sys/stat.h>

#include "SoundCardName.h"

namespace {

struct TUdevDeleter {
    void operator()(udev* p) const { udev_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
};
template <typename T> using TUdevPtr = std::unique_ptr<T, TUdevDeleter>;

// The sysfs path of the USB device above a device; empty when none. The
// parent belongs to the child and is not unreferenced on its own.
std::string UsbParentOf(udev_device* device)
{
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    const char* path = usb ? udev_device_get_syspath(usb) : nullptr;
    return path ? path : "";
}

std::string Text(const char* value)
{
    return value ? value : "";
}

TSoundCardNames NamesOf(udev_device* card)
{
    TSoundCardNames names;
    const char* number = udev_device_get_sysnum(card);
    if (number) names.Number = std::atoi(number);
    names.Id = Text(udev_device_get_sysattr_value(card, "id"));
    // The sound server names a card after the first of these it finds.
    for (const char* property : {"PULSE_NAME", "ID_ID", "ID_PATH"}) {
        const std::string value = Text(udev_device_get_property_value(card, property));
        if (!value.empty()) {
            names.ServerIds.push_back(ServerNamePart(value));
            break;
        }
    }
    return names;
}

} // namespace

std::string TUdevSoundCardLink::UsbDeviceOfHid(const std::string& hidPath)
{
    struct stat node { };
    if (stat(hidPath.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) return {};
    TUdevPtr<udev> context(udev_new());
    if (!context) return {};
    TUdevPtr<udev_device> device(udev_device_new_from_devnum(context.get(), 'c', node.st_rdev));
    return device ? UsbParentOf(device.get()) : "";
}

std::string TUdevSoundCardLink::UsbDeviceOfSoundCard(const std::string& outputDevice)
{
    if (outputDevice.empty()) return {};
    TUdevPtr<udev> context(udev_new());
    if (!context) return {};
    TUdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "sound") < 0
        || udev_enumerate_add_match_sysname(enumerate.get(), "card*") < 0
        || udev_enumerate_scan_devices(enumerate.get()) < 0)
        return {};
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        TUdevPtr<udev_device> card(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (card && NamesSoundCard(outputDevice, NamesOf(card.get()))) return UsbParentOf(card.get());
    }
    return {};
}
