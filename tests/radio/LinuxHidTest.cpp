#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/VirtualLoop.h"
#include "radio/LinuxHidPlatform.h"
#include "radio/UdevSoundCardLink.h"
#include "radio/untUsbInterface.h"

// This machine has no hidraw devices: the real back end must list none and
// report no error.
TEST(LinuxHid, UdevEnumerationOnThisMachineFindsNoneWithoutError)
{
    TVirtualLoop loop;
    std::vector<std::string> errors;
    loop.SetErrorReport([&](const std::string& m) { errors.push_back(m); });
    TLinuxHidPlatform hid;
    const std::vector<std::string> paths = hid.EnumeratePaths();
    if (!paths.empty()) GTEST_SKIP() << "this machine has hidraw devices, e.g. " << paths[0];

    TUsbInterface usb(hid);
    EXPECT_FALSE(usb.Connected());
    loop.RunPending();
    EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST(LinuxHid, MissingDeviceNodeFailsToOpen)
{
    TLinuxHidPlatform hid;
    THidAttributes ids;
    EXPECT_EQ(hid.QueryAttributes("/dev/hidraw-parlet-none", ids), THidQuery::OpenFailed);
    int error = 0;
    EXPECT_EQ(hid.OpenForWrite("/dev/hidraw-parlet-none", error), nullptr);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(hid.OpenForRead("/dev/hidraw-parlet-none", error), nullptr);
    EXPECT_EQ(error, ENOENT);
}

// The udev link finds no USB device for nodes that are not on USB, for
// missing nodes, and for cards that do not exist.
TEST(LinuxHid, SoundCardLinkAnswersEmptyWhereThereIsNoUsbDevice)
{
    TUdevSoundCardLink link;
    EXPECT_EQ(link.UsbDeviceOfHid("/dev/hidraw-parlet-none"), "");
    EXPECT_EQ(link.UsbDeviceOfHid("/dev/null"), "");
    EXPECT_EQ(link.UsbDeviceOfHid("/etc/hostname"), "");
    EXPECT_EQ(link.UsbDeviceOfSoundCard(""), "");
    EXPECT_EQ(link.UsbDeviceOfSoundCard("hw:99"), "");
    EXPECT_EQ(link.UsbDeviceOfSoundCard("alsa_output.usb-parlet-none-00.analog-stereo"), "");
}
