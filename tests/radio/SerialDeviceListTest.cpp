// The serial device list on a folder tree of its own that stands for the
// machine's /dev and /sys, and the links ports/comN it keeps.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "radio/LinuxSerialPlatform.h"
#include "radio/SerialDeviceList.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// A machine with two UARTs (ttyS0, ttyS2), a ttyS1 node with no UART behind
// it, two USB serial adapters (one with a stable name) and three modems.
struct SerialDevices : testing::Test {
    SerialDevices()
    {
        fs::create_directories(Dev());
        for (const char* node : {"ttyS0", "ttyS1", "ttyS2", "ttyUSB0", "ttyUSB1", "ttyACM0", "ttyACM2", "ttyACM10",
                 "tty", "tty5", "ttyUSBx", "console"})
            Make(Dev() / node);
        Type("ttyS0", "4");
        Type("ttyS1", "0");
        // ttyS2 has no type entry: taken as real.
        fs::create_directories(Dev() / "serial/by-id");
        fs::create_symlink("../../ttyUSB0", Dev() / "serial/by-id/usb-FTDI_FT232R_USB_UART_A5-if00-port0");
        fs::create_directories(settings.Path() / "ports");
    }
    fs::path Dev() const { return root.Path() / "dev"; }
    static void Make(const fs::path& file) { WriteBytes(file.string(), ""); }
    void Type(const std::string& node, const char* type)
    {
        fs::create_directories(root.Path() / "sys/class/tty" / node);
        WriteBytes((root.Path() / "sys/class/tty" / node / "type").string(), type);
    }
    TSerialDevice Device(const std::string& path) const
    {
        for (const TSerialDevice& device : list.Devices())
            if (device.Path == path) return device;
        ADD_FAILURE() << "not listed: " << path;
        return {};
    }
    std::string Node(const char* name) const { return (Dev() / name).string(); }
    std::string ById() const { return (Dev() / "serial/by-id/usb-FTDI_FT232R_USB_UART_A5-if00-port0").string(); }
    // Where the serial back end opens COMn from.
    std::string OpenedNode(int comNumber) const
    {
        const std::string path =
            TLinuxSerialPlatform::PathOf("COM" + std::to_string(comNumber), settings.Path().string() + "/");
        return path.rfind("/dev/ttyS", 0) == 0 ? "(real " + path + ")" : fs::canonical(path).string();
    }

    TTempFolder root;
    TTempFolder settings;
    TSerialDeviceList list {root.Path().string() + "/", settings.Path().string()};
};

} // namespace

TEST_F(SerialDevices, ListsStableNamesThenNodesInTheirOrderAndOnlyRealUarts)
{
    std::vector<std::string> paths;
    for (const TSerialDevice& device : list.Devices()) paths.push_back(device.Path);
    EXPECT_EQ(paths,
        (std::vector<std::string> {Node("ttyACM0"), Node("ttyACM2"), Node("ttyACM10"), Node("ttyS0"), Node("ttyS2"),
            ById(), Node("ttyUSB1")}));
    EXPECT_EQ(Device(ById()).Node, Node("ttyUSB0"));

    // A machine without serial devices, or without /dev at all, lists none.
    EXPECT_TRUE(TSerialDeviceList(settings.Path().string(), settings.Path().string()).Devices().empty());
}

TEST_F(SerialDevices, ChoosingDevicesKeepsComNumbersWorkingThroughLinks)
{
    const TSerialDevice adapter = Device(ById());
    EXPECT_EQ(list.ComNumberOf(Device(Node("ttyS0"))), 1);
    EXPECT_EQ(list.ComNumberOf(Device(Node("ttyS2"))), 3);
    EXPECT_EQ(list.ComNumberOf(adapter), 0);

    // COM2 stands for a ttyS without a UART: free, so the stored number stays.
    EXPECT_EQ(list.Assign(adapter, 2), 2);
    EXPECT_EQ(fs::read_symlink(list.LinkPath(2)).string(), ById()) << "linked by its stable name";
    EXPECT_EQ(list.NodeOf(2), Node("ttyUSB0"));
    EXPECT_EQ(list.ComNumberOf(adapter), 2);
    // Chosen again from elsewhere: its own number, no new link.
    EXPECT_EQ(list.Assign(adapter, 7), 2);
    EXPECT_FALSE(fs::exists(fs::symlink_status(list.LinkPath(7))));

    // The stored number is a link: it is turned to the new choice.
    EXPECT_EQ(list.Assign(Device(Node("ttyACM0")), 2), 2);
    EXPECT_EQ(list.NodeOf(2), Node("ttyACM0"));
    EXPECT_EQ(list.ComNumberOf(adapter), 0);

    // COM1 is a real UART: the lowest number neither linked nor a UART.
    EXPECT_EQ(list.Assign(Device(Node("ttyUSB1")), 1), 4);
    EXPECT_EQ(list.NodeOf(4), Node("ttyUSB1"));
    // A UART keeps its own number; with that number linked elsewhere it has
    // none, and is linked to under the stored one.
    EXPECT_EQ(list.Assign(Device(Node("ttyS0")), 4), 1);
    fs::create_symlink(Node("ttyACM2"), list.LinkPath(3));
    EXPECT_EQ(list.ComNumberOf(Device(Node("ttyS2"))), 0);
    EXPECT_EQ(list.Assign(Device(Node("ttyS2")), 3), 3);
    EXPECT_EQ(list.NodeOf(3), Node("ttyS2"));

    // The serial back end opens every number where the list says it is.
    for (const int number : {2, 3, 4}) EXPECT_EQ(OpenedNode(number), list.NodeOf(number)) << "COM" << number;
    EXPECT_EQ(OpenedNode(1), "(real /dev/ttyS0)");
    // Nothing of the replacements is left behind.
    for (const auto& entry : fs::directory_iterator(settings.Path() / "ports"))
        EXPECT_EQ(entry.path().filename().string().rfind("com", 0), 0u) << entry.path();
}

TEST_F(SerialDevices, ALinkThatCannotBeMadeIsReportedWithItsPathAndNothingChanges)
{
    // "ports" is a file, not a folder: the link cannot go there.
    fs::remove(settings.Path() / "ports");
    WriteBytes((settings.Path() / "ports").string(), "");
    try {
        list.Assign(Device(ById()), 2);
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_NE(error.Message().find(list.LinkPath(2)), std::string::npos) << error.Message();
        EXPECT_NE(error.Message().find(ById()), std::string::npos) << error.Message();
    }
    EXPECT_EQ(list.ComNumberOf(Device(ById())), 0);
    EXPECT_EQ(list.NodeOf(5), "");
}
