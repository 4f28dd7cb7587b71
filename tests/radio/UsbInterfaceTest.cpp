#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/VirtualLoop.h"
#include "radio/SimulatedHidBus.h"
#include "radio/untUsbInterface.h"

namespace {

using TBytes = std::vector<std::uint8_t>;
const TBytes PttOff = {0, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x03, 0xFF};
const TBytes PttOn = {0, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x00};

class UsbInterfaceTest : public ::testing::Test {
protected:
    void Record(TUsbInterface& usb)
    {
        listeners.push_back(usb.OnConnected.Connect([&](TObject* sender) {
            EXPECT_EQ(sender, &usb);
            events.push_back("connected");
        }));
        listeners.push_back(usb.OnDisconnected.Connect([&](TObject* sender) {
            EXPECT_EQ(sender, &usb);
            events.push_back("disconnected");
        }));
        listeners.push_back(usb.OnRigRxIn.Connect([&](TObject* sender, bool on) {
            EXPECT_EQ(sender, &usb);
            EXPECT_TRUE(loop.IsMainThread());
            events.push_back(on ? "rx on" : "rx off");
        }));
    }

    std::string WriteError(TUsbInterface& usb, bool active)
    {
        try {
            usb.SetPttOutput(active);
        } catch (const EUSBException& e) {
            return e.Message();
        }
        return "";
    }

    TVirtualLoop loop;
    TSimulatedHidBus bus;
    std::vector<std::string> events;
    std::vector<TConnection> listeners;
};

} // namespace

TEST_F(UsbInterfaceTest, WithoutTheInterfaceNothingConnectsOrIsWritten)
{
    const std::string other = bus.Plug(0x07A0, 0x1002);
    TUsbInterface usb(bus);
    EXPECT_FALSE(usb.Connected());
    EXPECT_EQ(usb.DeviceIndex(), -1);
    usb.SetPttOutput(true);
    EXPECT_TRUE(bus.Written(other).empty());
    EXPECT_EQ(bus.OpenWriters(other), 0);
}

TEST_F(UsbInterfaceTest, ConnectsToTheLastMatchingDeviceWithPttOff)
{
    const std::string first = bus.Plug(0x07A0, 0x1001);
    bus.Plug(0x1234, 0x5678);
    const std::string last = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    EXPECT_TRUE(usb.Connected());
    EXPECT_EQ(usb.DeviceIndex(), 3);
    EXPECT_TRUE(bus.Written(first).empty());
    EXPECT_EQ(bus.Written(last), (std::vector<TBytes> {PttOff}));
}

TEST_F(UsbInterfaceTest, DeviceThatCannotBeQueriedIsSkipped)
{
    const std::string good = bus.Plug(0x07A0, 0x1001);
    const std::string locked = bus.Plug(0x07A0, 0x1001);
    bus.FailOpen(locked, EACCES);
    TUsbInterface usb(bus);
    EXPECT_TRUE(usb.Connected());
    EXPECT_EQ(usb.DeviceIndex(), 1);
    EXPECT_EQ(bus.Written(good).size(), 1u);
}

TEST_F(UsbInterfaceTest, PttReportsAreWrittenOnlyOnChange)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    bus.ClearWritten(radio);
    usb.SetPttOutput(false); // already off
    usb.SetPttOutput(true);
    usb.SetPttOutput(true);
    usb.SetPttOutput(false);
    EXPECT_EQ(bus.Written(radio), (std::vector<TBytes> {PttOn, PttOff}));
    EXPECT_FALSE(usb.TxState());
}

TEST_F(UsbInterfaceTest, InputByte7GivesTheReceiveLine)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    Record(usb);
    bus.FeedInput(radio, 0, {0, 0, 0, 0, 0, 0, 0, 0xFF});
    bus.FeedInput(radio, 0, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE});
    ASSERT_TRUE(loop.WaitUntil([&] { return events.size() >= 2; }, 5000));
    EXPECT_EQ(events, (std::vector<std::string> {"rx on", "rx off"}));
}

TEST_F(UsbInterfaceTest, AnotherDevicePluggedReopensWithPttBackOff)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    Record(usb);
    usb.SetPttOutput(true);
    bus.ClearWritten(radio);

    bus.Plug(0x046D, 0xC52B);
    loop.RunPending();
    EXPECT_EQ(events, (std::vector<std::string> {"rx on", "disconnected", "connected"}));
    EXPECT_TRUE(usb.Connected());
    EXPECT_FALSE(usb.TxState());
    EXPECT_EQ(bus.Written(radio), (std::vector<TBytes> {PttOff}));
    EXPECT_EQ(bus.OpenReaders(radio), 1) << "the old reader was left behind";
}

TEST_F(UsbInterfaceTest, UnplugGivesReceiveHighThenDisconnected)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    Record(usb);
    bus.Unplug(radio);
    loop.RunPending();
    EXPECT_EQ(events, (std::vector<std::string> {"rx on", "disconnected"}));
    EXPECT_FALSE(usb.Connected());
    EXPECT_EQ(bus.OpenReaders(radio), 0);
    EXPECT_EQ(bus.OpenWriters(radio), 0);

    events.clear();
    const std::string again = bus.Plug(0x07A0, 0x1001);
    loop.RunPending();
    EXPECT_EQ(events, (std::vector<std::string> {"connected"}));
    EXPECT_EQ(bus.Written(again), (std::vector<TBytes> {PttOff}));
}

TEST_F(UsbInterfaceTest, InputDuringAnOutputReportDoesNotReachTheBuffer)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    Record(usb);
    bool fed = false;
    bus.OnWrite = [&](const std::string& path, const TBytes&) {
        if (fed) return;
        fed = true;
        // An input report arrives and is handed over while the write is on.
        bus.FeedInput(path, 0, {0, 0, 0, 0, 0, 0, 0, 0xFF});
        EXPECT_TRUE(loop.WaitUntil([&] { return bus.InputIdle(path); }, 5000));
    };
    usb.SetPttOutput(true);
    EXPECT_TRUE(fed);
    EXPECT_TRUE(events.empty()) << "the input report reached the port while it held the output report";
    EXPECT_EQ(bus.Written(radio).back(), PttOn);

    // Accepted again afterwards.
    bus.FeedInput(radio, 0, {0, 0, 0, 0, 0, 0, 0, 0x00});
    ASSERT_TRUE(loop.WaitUntil([&] { return !events.empty(); }, 5000));
    EXPECT_EQ(events, (std::vector<std::string> {"rx off"}));
}

TEST_F(UsbInterfaceTest, FailedWritesRaiseAndKeepTheState)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    Record(usb);
    bus.FailWrites(radio, EIO);
    EXPECT_EQ(WriteError(usb, true).rfind("Unable to write to the USB device.", 0), 0u);
    EXPECT_FALSE(usb.TxState());
    bus.FailWrites(radio, 0);
    bus.ShortWrites(radio, 4);
    EXPECT_EQ(WriteError(usb, true), "Unable to write all bytes to the USB device.");
    EXPECT_FALSE(usb.TxState());
    EXPECT_TRUE(usb.Connected());

    // The receive input still works after the failures.
    bus.FeedInput(radio, 0, {0, 0, 0, 0, 0, 0, 0, 0xFF});
    ASSERT_TRUE(loop.WaitUntil([&] { return !events.empty(); }, 5000));
    EXPECT_EQ(events, (std::vector<std::string> {"rx on"}));
}

TEST_F(UsbInterfaceTest, WriteToAnUnpluggedInterfaceIsARemovalNotAnError)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    Record(usb);
    bus.Unplug(radio); // the notice has not run yet
    EXPECT_EQ(WriteError(usb, true), "");
    EXPECT_EQ(events, (std::vector<std::string> {"rx on", "disconnected"}));
    EXPECT_FALSE(usb.Connected());
    EXPECT_FALSE(usb.TxState());
    loop.RunPending();
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(UsbInterfaceTest, InitialReportFailureLeavesItDisconnectedAndSaysWhy)
{
    std::vector<std::string> errors;
    loop.SetErrorReport([&](const std::string& m) { errors.push_back(m); });
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    bus.FailWrites(radio, EPIPE);
    TUsbInterface usb(bus);
    EXPECT_FALSE(usb.Connected());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Unable to write to the USB device.", 0), 0u);
    EXPECT_EQ(bus.OpenReaders(radio), 0);
}

TEST_F(UsbInterfaceTest, DestructionClosesWithItsEventsAndLeavesNoReader)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    auto usb = std::make_unique<TUsbInterface>(bus);
    Record(*usb);
    bus.FeedInput(radio, 0, {0, 0, 0, 0, 0, 0, 0, 0xFF}); // may be in flight
    usb.reset();
    EXPECT_EQ(events.back(), "disconnected");
    EXPECT_EQ(bus.OpenReaders(radio), 0);
    EXPECT_EQ(bus.OpenWriters(radio), 0);
}

// Found by fuzzing: a reconnection whose first report fails took back a
// connection twice, and an interface that could no longer be identified
// stayed open while it claimed to be disconnected.
TEST_F(UsbInterfaceTest, FailedReconnectionTakesTheConnectionBackOnce)
{
    std::vector<std::string> errors;
    loop.SetErrorReport([&](const std::string& m) { errors.push_back(m); });
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    Record(usb);
    bus.FailWrites(radio, EIO);
    bus.Plug(0x046D, 0xC52B); // the rescan reopens the interface, whose report fails
    loop.RunPending();
    EXPECT_EQ(events, (std::vector<std::string> {"rx on", "disconnected"}));
    EXPECT_FALSE(usb.Connected());
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(bus.OpenReaders(radio), 0);
}

TEST_F(UsbInterfaceTest, InterfaceThatCanNoLongerBeIdentifiedIsClosed)
{
    const std::string radio = bus.Plug(0x07A0, 0x1001);
    TUsbInterface usb(bus);
    Record(usb);
    bus.FailAttributes(radio, true);
    bus.Plug(0x046D, 0xC52B);
    loop.RunPending();
    EXPECT_EQ(events, (std::vector<std::string> {"rx on", "disconnected"}));
    EXPECT_FALSE(usb.Connected());
    EXPECT_EQ(bus.OpenReaders(radio), 0);
    EXPECT_EQ(bus.OpenWriters(radio), 0);
}
