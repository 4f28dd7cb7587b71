#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/VirtualLoop.h"
#include "radio/HidDevices.h"
#include "radio/SimulatedHidBus.h"

namespace {

// Counts the enumerations a device change costs.
class TCountingPlatform : public THidPlatform {
public:
    explicit TCountingPlatform(THidPlatform& inner)
        : FInner(inner)
    {
    }
    std::vector<std::string> EnumeratePaths() override
    {
        ++enumerations;
        return FInner.EnumeratePaths();
    }
    THidQuery QueryAttributes(const std::string& path, THidAttributes& attributes) override
    {
        return FInner.QueryAttributes(path, attributes);
    }
    std::unique_ptr<THidWriteHandle> OpenForWrite(const std::string& path, int& error) override
    {
        return FInner.OpenForWrite(path, error);
    }
    std::unique_ptr<THidReadHandle> OpenForRead(const std::string& path, int& error) override
    {
        return FInner.OpenForRead(path, error);
    }
    std::unique_ptr<THidWatch> WatchDeviceChanges(std::function<void()> notice) override
    {
        return FInner.WatchDeviceChanges(std::move(notice));
    }
    int enumerations = 0;

private:
    THidPlatform& FInner;
};

std::string MessageOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EUSBException& e) {
        return e.Message();
    }
    return "(no EUSBException)";
}

class HidDevicesTest : public ::testing::Test {
protected:
    TVirtualLoop loop;
    TSimulatedHidBus bus;
};

} // namespace

TEST_F(HidDevicesTest, EnumerationNumbersDevicesAndReadsTheirIds)
{
    const std::string a = bus.Plug(0x1234, 0x0001);
    const std::string b = bus.Plug(0x07A0, 0x1001);
    const std::string c = bus.Plug(0x046D, 0xC52B);
    THidDevices devices(bus);
    ASSERT_EQ(devices.DeviceCount(), 3);
    EXPECT_EQ(devices.DevicePath(1), a);
    EXPECT_EQ(devices.DevicePath(3), c);
    EXPECT_EQ(devices.DevicePath(4), "");
    EXPECT_EQ(devices.VendorId(2), 0x07A0);
    EXPECT_EQ(devices.ProductId(2), 0x1001);
    EXPECT_EQ(MessageOf([&] { devices.VendorId(4); }), "Device 4 is not available.");
    bus.FailOpen(b, EACCES);
    EXPECT_EQ(MessageOf([&] { devices.ProductId(2); }), "Could not open device 2");
    bus.FailOpen(b, 0);
    bus.FailAttributes(c, true);
    EXPECT_EQ(devices.VendorId(3), 0);
}

TEST_F(HidDevicesTest, MoreThan127InterfacesKeepTheFirst127)
{
    for (int i = 0; i < 130; ++i) bus.Plug(0x1000, static_cast<std::uint16_t>(i));
    THidDevices devices(bus);
    EXPECT_EQ(devices.DeviceCount(), 127);
    EXPECT_EQ(devices.ProductId(127), 126);
}

TEST_F(HidDevicesTest, DeviceChangeEnumeratesTenTimesAndRaisesOnlyWhenTheCountChanged)
{
    TCountingPlatform counting(bus);
    const std::string first = bus.Plug(0x1111, 1);
    THidDevices devices(counting);
    int raised = 0;
    const TConnection devicesDeviceChange = devices.OnDeviceChange.Connect([&](TObject* sender) {
        EXPECT_EQ(sender, &devices);
        ++raised;
    });
    counting.enumerations = 0;

    bus.Plug(0x2222, 2);
    loop.RunPending();
    EXPECT_EQ(counting.enumerations, 10);
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(devices.DeviceCount(), 2);

    // One device replaced by another: two notices, the count unchanged.
    THidDevice device;
    device.SetHidDevices(&devices);
    device.OpenDevice(1);
    bool disconnected = false;
    const TConnection deviceDisconnect = device.OnDisconnect.Connect([&](TObject*) { disconnected = true; });
    bus.Unplug(first);
    bus.Plug(0x3333, 3);
    loop.RunPending();
    EXPECT_EQ(counting.enumerations, 30);
    EXPECT_EQ(raised, 1);
    EXPECT_TRUE(disconnected) << "the presence check did not run";
    EXPECT_FALSE(device.Opened());
}

TEST_F(HidDevicesTest, CheckPresentRenumbersOrClosesTheOpenDevice)
{
    const std::string a = bus.Plug(0x1111, 1);
    const std::string b = bus.Plug(0x2222, 2);
    THidDevices devices(bus);
    THidDevice device;
    device.SetHidDevices(&devices);
    int disconnects = 0;
    const TConnection deviceDisconnect = device.OnDisconnect.Connect([&](TObject* sender) {
        EXPECT_EQ(sender, &device);
        ++disconnects;
    });
    device.OpenDevice(2);
    EXPECT_EQ(device.DevicePath(), b);
    EXPECT_EQ(bus.OpenWriters(b), 1);
    EXPECT_EQ(bus.OpenReaders(b), 1);

    bus.Unplug(a);
    loop.RunPending();
    EXPECT_TRUE(device.Opened());
    EXPECT_EQ(device.DeviceNumber(), 1);
    EXPECT_EQ(disconnects, 0);

    bus.Unplug(b);
    loop.RunPending();
    EXPECT_FALSE(device.Opened());
    EXPECT_EQ(device.DeviceNumber(), 0);
    EXPECT_EQ(device.DevicePath(), "");
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(bus.OpenWriters(b), 0);
    EXPECT_EQ(bus.OpenReaders(b), 0) << "reader left behind";
}

TEST_F(HidDevicesTest, OpenDeviceErrors)
{
    const std::string a = bus.Plug(0x1111, 1);
    THidDevices devices(bus);
    THidDevice device;
    EXPECT_NO_THROW(device.OpenDevice(1)) << "a device of no list does nothing";
    EXPECT_FALSE(device.Opened());
    device.SetHidDevices(&devices);
    EXPECT_EQ(MessageOf([&] { device.OpenDevice(0); }), "Device 0 is not available.");
    EXPECT_EQ(MessageOf([&] { device.OpenDevice(2); }), "Device 2 is not available.");
    bus.FailOpen(a, EACCES);
    const std::string message = MessageOf([&] { device.OpenDevice(1); });
    EXPECT_EQ(message.rfind("Could not connect to device 1 (" + a, 0), 0u) << message;
    EXPECT_NE(message.find("error " + std::to_string(EACCES)), std::string::npos) << message;
    EXPECT_FALSE(device.Opened());
}

TEST_F(HidDevicesTest, InputReportsReachTheDeviceAndTheAcceptingPortsOnTheMainThread)
{
    const std::string a = bus.Plug(0x1111, 1);
    THidDevices devices(bus);
    THidDevice device;
    device.SetHidDevices(&devices);
    THidDataPort accepting, refusing;
    accepting.SetHidDevice(&device);
    refusing.SetHidDevice(&device);
    refusing.SetAcceptUSBData(false);
    refusing.SetByte(7, 0x55);

    std::vector<std::string> order;
    const TConnection deviceHidData =
        device.OnHidData.Connect([&](TObject* sender, std::uint8_t id, const THidData& data) {
            EXPECT_EQ(sender, &device);
            EXPECT_TRUE(loop.IsMainThread());
            order.push_back("device id " + std::to_string(id) + " byte7 " + std::to_string(data[7]));
        });
    const TConnection acceptingHidData = accepting.OnHidData.Connect([&](TObject* sender) {
        EXPECT_EQ(sender, &accepting);
        order.push_back("port byte7 " + std::to_string(accepting.GetByte(7)));
    });
    const TConnection refusingHidData = refusing.OnHidData.Connect([&](TObject*) { order.push_back("refusing port"); });
    device.OpenDevice(1);

    bus.FeedInput(a, 0, {1, 2, 3, 4, 5, 6, 7, 0xFF});
    ASSERT_TRUE(loop.WaitUntil([&] { return order.size() >= 2; }, 5000));
    EXPECT_EQ(order, (std::vector<std::string> {"device id 0 byte7 255", "port byte7 255"}));
    EXPECT_EQ(accepting.GetByte(0), 1);
    EXPECT_EQ(refusing.GetByte(7), 0x55) << "a refusing port's buffer was overwritten";
}

TEST_F(HidDevicesTest, DataPortBufferAndWriteErrors)
{
    THidDataPort port;
    port.SetByte(-1, 9);
    port.SetByte(8, 9);
    port.SetByte(3, 0x0F);
    EXPECT_EQ(port.GetByte(3), 0x0F);
    EXPECT_EQ(port.GetByte(8), 0);
    EXPECT_EQ(port.Buffer(), (THidData {0, 0, 0, 0x0F, 0, 0, 0, 0}));
    EXPECT_EQ(MessageOf([&] { port.SendReport(); }), "There is no THidDevice connected to the THidDataPort.");

    const std::string a = bus.Plug(0x1111, 1);
    THidDevices devices(bus);
    THidDevice device;
    device.SetHidDevices(&devices);
    port.SetHidDevice(&device);
    EXPECT_EQ(MessageOf([&] { port.SendReport(); }), "The USB device is not connected.");
    device.OpenDevice(1);
    port.SendReport();
    ASSERT_EQ(bus.Written(a).size(), 1u);
    EXPECT_EQ(bus.Written(a)[0], (std::vector<std::uint8_t> {0, 0, 0, 0, 0x0F, 0, 0, 0, 0}));

    bus.FailWrites(a, EIO);
    EXPECT_EQ(MessageOf([&] { port.SendReport(); }).rfind("Unable to write to the USB device.", 0), 0u);
    bus.FailWrites(a, 0);
    bus.ShortWrites(a, 5);
    EXPECT_EQ(MessageOf([&] { port.SendReport(); }), "Unable to write all bytes to the USB device.");
}

TEST_F(HidDevicesTest, ClosingFromInsideItsOwnInputReportDoesNotDeadlock)
{
    const std::string a = bus.Plug(0x1111, 1);
    THidDevices devices(bus);
    THidDevice device;
    device.SetHidDevices(&devices);
    device.OpenDevice(1);
    const TConnection deviceHidData =
        device.OnHidData.Connect([&](TObject*, std::uint8_t, const THidData&) { device.CloseDevice(); });
    bus.FeedInput(a, 0, {});
    ASSERT_TRUE(loop.WaitUntil([&] { return !device.Opened(); }, 5000));
    // The reader ends by itself once its hand-off has returned.
    EXPECT_TRUE(loop.WaitUntil([&] { return bus.OpenReaders(a) == 0; }, 5000));
    device.OpenDevice(1);
    EXPECT_TRUE(device.Opened());
}

TEST_F(HidDevicesTest, DestroyingTheListDetachesAndDestroyingTheDeviceUnbinds)
{
    const std::string a = bus.Plug(0x1111, 1);
    THidDataPort port;
    {
        auto devices = std::make_unique<THidDevices>(bus);
        THidDevice device;
        device.SetHidDevices(devices.get());
        port.SetHidDevice(&device);
        device.OpenDevice(1);
        devices.reset();
        EXPECT_EQ(device.HidDevices(), nullptr);
        EXPECT_TRUE(device.Opened());
    }
    EXPECT_EQ(port.HidDevice(), nullptr);
    EXPECT_EQ(bus.OpenReaders(a), 0);
    EXPECT_EQ(bus.OpenWriters(a), 0);
}
