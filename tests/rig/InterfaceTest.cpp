#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/VirtualLoop.h"
#include "radio/CPort.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "radio/untUsbInterface.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/RigParts.h"
#include "tests/support/TempFolder.h"

namespace {

using TReport = std::vector<std::uint8_t>;
const TReport PttOnReport {0, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x00};
const TReport PttOffReport {0, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x03, 0xFF};
const std::string Com1 = "COM1";

// A station's rig side on simulated hardware: serial ports and a HID bus,
// settings in a private file with the band set to 1 as the transceiver does
// at start.
class Interface : public ::testing::Test, protected TRigParts {
protected:
    void SetUp() override
    {
        settings = std::make_unique<TZYNClientSettings>(FFolder.File("ZYNClient.ini"));
        settings->SetBand(1);
    }
    void TearDown() override
    {
        rig.reset();
        settings.reset();
    }

    void Make()
    {
        listeners.clear();
        rig = std::make_unique<TInterface>(*settings, serial, hid, hid);
        listeners.push_back(rig->OnRigRxChange.Connect([this](TObject* sender, bool rigRx) {
            EXPECT_EQ(sender, rig.get());
            reports.push_back(rigRx);
        }));
        listeners.push_back(rig->OnPttChange.Connect([this](TObject* sender, bool ptt) {
            EXPECT_EQ(sender, rig.get());
            EXPECT_EQ(ptt, rig->Ptt());
            pttChanges.push_back(ptt);
        }));
        listeners.push_back(rig->OnCommError.Connect([this](TObject*) { events.push_back("comm error"); }));
        listeners.push_back(rig->OnInterfaceChange.Connect([this](TObject*) { events.push_back("interface change"); }));
        listeners.push_back(rig->OnUsbConnection.Connect(
            [this](TObject*, bool connected) { events.push_back(connected ? "usb connected" : "usb disconnected"); }));
    }

    // The receive input is taken over one second after the port opens, and
    // not before.
    void MakeAndExpectReceivingOneSecondLater()
    {
        Make();
        loop.AdvanceByMs(999);
        EXPECT_FALSE(rig->RigRx());
        loop.AdvanceByMs(1);
        EXPECT_TRUE(rig->RigRx());
        EXPECT_EQ(reports, (std::vector<bool> {true}));
    }

    // Serial line changes reach the rig interface through the port's event
    // thread, which hands them to the main loop.
    void WaitForRigRx(bool expected)
    {
        ASSERT_TRUE(loop.WaitUntil([&] { return rig->RigRx() == expected; }, 5000))
            << "the receive input never became " << expected;
    }

    std::string PlugUsbInterface()
    {
        const std::string path = hid.Plug(TUsbInterface::VendorID, TUsbInterface::ProductID);
        loop.RunPending(); // the device-change notice
        return path;
    }

    std::vector<bool> reports;
    std::vector<bool> pttChanges;
    std::vector<std::string> events;
    std::vector<TConnection> listeners;
};

} // namespace

TEST_F(Interface, VoxWithoutReceiveInputNeverOpensThePortButTellsOfKeyingAndSettles)
{
    settings->SetRigComKeying(false);
    settings->SetVoIPComKeying(false);
    Make();

    rig->SetTransmitRequest(true, true);
    EXPECT_TRUE(rig->Ptt());
    EXPECT_FALSE(rig->SquelchSettled());
    EXPECT_EQ(pttChanges, (std::vector<bool> {true}));

    loop.AdvanceByMs(1000);
    rig->SetTransmitRequest(false, true);
    EXPECT_FALSE(rig->Ptt());
    EXPECT_EQ(pttChanges, (std::vector<bool> {true, false}));
    loop.AdvanceByMs(settings->SquelchSetlingTime() - 1);
    EXPECT_FALSE(rig->SquelchSettled());
    loop.AdvanceByMs(1);
    EXPECT_TRUE(rig->SquelchSettled());

    EXPECT_EQ(serial.OpenCount(Com1), 0);
    EXPECT_FALSE(rig->ComPortOpen());
    EXPECT_EQ(events, (std::vector<std::string> {}));
}

TEST_F(Interface, ControlLinesFollowPinPolarityAndUnusedLevel)
{
    // The receive input keeps the port open even where nothing is keyed.
    settings->SetVoIPComKeying(true);
    Make();
    for (bool keying : {false, true})
        for (bool dtr : {false, true})
            for (bool activeHigh : {false, true})
                for (bool unusedHigh : {false, true}) {
                    SCOPED_TRACE(::testing::Message() << "keying " << keying << " dtr " << dtr << " activeHigh "
                                                      << activeHigh << " unusedHigh " << unusedHigh);
                    settings->SetRigComKeying(keying);
                    settings->SetRigComDtr(dtr);
                    settings->SetRigComActiveHigh(activeHigh);
                    settings->SetRigComUnusedHight(unusedHigh);
                    ASSERT_TRUE(serial.IsOpen(Com1));
                    if (keying) {
                        EXPECT_EQ(dtr ? serial.DTR(Com1) : serial.RTS(Com1), !activeHigh) << "PTT idle";
                        EXPECT_EQ(dtr ? serial.RTS(Com1) : serial.DTR(Com1), unusedHigh) << "other line";
                        rig->SetTransmitRequest(true, true);
                        EXPECT_EQ(dtr ? serial.DTR(Com1) : serial.RTS(Com1), activeHigh) << "PTT keyed";
                        EXPECT_EQ(dtr ? serial.RTS(Com1) : serial.DTR(Com1), unusedHigh) << "other line keyed";
                        rig->SetTransmitRequest(false, true);
                        EXPECT_EQ(dtr ? serial.DTR(Com1) : serial.RTS(Com1), !activeHigh) << "PTT released";
                    } else {
                        EXPECT_EQ(serial.RTS(Com1), unusedHigh);
                        EXPECT_EQ(serial.DTR(Com1), unusedHigh);
                        rig->SetTransmitRequest(true, true);
                        EXPECT_EQ(serial.RTS(Com1), unusedHigh);
                        EXPECT_EQ(serial.DTR(Com1), unusedHigh);
                        rig->SetTransmitRequest(false, true);
                    }
                }
}

TEST_F(Interface, WithoutABandNothingIsKeyedAndNoPortIsOpenedForKeying)
{
    settings->SetBand(0);
    settings->SetRigComKeying(true);
    Make();
    EXPECT_EQ(serial.OpenCount(Com1), 0);
    rig->SetTransmitRequest(true, true);
    EXPECT_TRUE(rig->Ptt());
    EXPECT_TRUE(rig->SquelchSettled()); // the transmit-side timer is not used
    EXPECT_EQ(pttChanges, (std::vector<bool> {true}));
    EXPECT_EQ(rig->RxReleaseTimer().Interval(), 10);
}

TEST_F(Interface, PortNameFollowsCommIndexAndAFailedOpenIsReportedBeforeTheChange)
{
    Make();
    events.clear();
    serial.SetBusy("COM4", true);
    settings->SetCommIndex(3);
    settings->SetRigComKeying(true);
    EXPECT_EQ(events, (std::vector<std::string> {"interface change", "comm error", "interface change"}));
    EXPECT_FALSE(rig->ComPortOpen());
    rig->SetTransmitRequest(true, true); // nothing to key, and no error
    EXPECT_TRUE(rig->Ptt());

    serial.SetBusy("COM4", false);
    events.clear();
    rig->ApplyInterfaceSettings();
    EXPECT_EQ(events, (std::vector<std::string> {"interface change"}));
    EXPECT_TRUE(serial.IsOpen("COM4"));
    EXPECT_FALSE(serial.IsOpen(Com1));
    // Reconfiguring writes the PTT line idle even though the request stands.
    EXPECT_FALSE(serial.DTR("COM4"));

    serial.SetAbsent("COM5", true);
    events.clear();
    settings->SetCommIndex(4);
    EXPECT_EQ(events, (std::vector<std::string> {"comm error", "interface change"}));
    EXPECT_FALSE(serial.IsOpen("COM4"));
}

TEST_F(Interface, ReconfiguringWhileKeyedDrivesThePttIdleAndKeepsTheRequest)
{
    settings->SetRigComKeying(true);
    settings->SetRigComDtr(false);
    Make();
    rig->SetTransmitRequest(true, true);
    ASSERT_TRUE(serial.RTS(Com1));

    settings->SetRigComUnusedHight(true);
    EXPECT_FALSE(serial.RTS(Com1));
    EXPECT_TRUE(serial.DTR(Com1));
    EXPECT_TRUE(rig->Ptt());

    // The combined request did not change, so the line stays idle ...
    rig->SetTransmitRequest(true, true);
    EXPECT_FALSE(serial.RTS(Com1));
    // ... until it does.
    rig->SetTransmitRequest(false, true);
    EXPECT_FALSE(serial.RTS(Com1));
    rig->SetTransmitRequest(true, true);
    EXPECT_TRUE(serial.RTS(Com1));
}

TEST_F(Interface, KeyingTwiceWritesTheLineOnceAndALineErrorReachesTheCaller)
{
    settings->SetRigComKeying(true);
    Make();
    rig->SetTransmitRequest(true, true);
    ASSERT_TRUE(serial.DTR(Com1));
    // A second write would now fail.
    serial.FailCall(Com1, TSerialCall::SetDTR, EIO);
    EXPECT_NO_THROW(rig->SetTransmitRequest(true, true));
    EXPECT_THROW(rig->SetTransmitRequest(false, true), EComPort);
    // The listeners heard of the release though the line failed; the port
    // was closed (dropping the line) and its reopening failed at the line.
    EXPECT_EQ(pttChanges, (std::vector<bool> {true, false}));
    EXPECT_FALSE(serial.IsOpen(Com1));
    EXPECT_TRUE(rig->ComPortFailed());
    serial.FailCall(Com1, TSerialCall::SetDTR, 0);
}

TEST_F(Interface, SecondaryRequestKeysTooAndItsReleaseWinsWhenAnIdFollows)
{
    settings->SetRigComKeying(true);
    settings->SetSendID(false);
    settings->SetCourtesySoundEnable(false);
    Make();
    rig->SetTransmitRequest(true, true);
    rig->SetTransmitRequest(true, false);
    rig->SetTransmitRequest(false, false);
    EXPECT_TRUE(rig->Ptt()); // the primary request still stands
    EXPECT_TRUE(serial.DTR(Com1));

    settings->SetSendID(true);
    rig->SetTransmitRequest(true, false); // no change: primary keeps it keyed
    rig->SetTransmitRequest(false, false);
    EXPECT_FALSE(rig->Ptt());
    EXPECT_TRUE(rig->PttPrimary());
    EXPECT_FALSE(serial.DTR(Com1));
    // Releasing the primary source now changes nothing on the line.
    serial.FailCall(Com1, TSerialCall::SetDTR, EIO);
    EXPECT_NO_THROW(rig->SetTransmitRequest(false, true));
    serial.FailCall(Com1, TSerialCall::SetDTR, 0);
}

TEST_F(Interface, UsbInterfaceKeepsTheComPortClosedAndTakesTheKeying)
{
    const std::string usb = hid.Plug(TUsbInterface::VendorID, TUsbInterface::ProductID);
    loop.RunPending();
    settings->SetRigComKeying(true);
    settings->SetVoIPComKeying(true);
    Make();
    EXPECT_TRUE(rig->UsbConnected());
    EXPECT_EQ(serial.OpenCount(Com1), 0);

    hid.ClearWritten(usb);
    rig->SetTransmitRequest(true, true);
    EXPECT_EQ(hid.Written(usb), (std::vector<TReport> {PttOnReport}));
    // Pin, polarity and port number make no difference.
    settings->SetRigComDtr(false);
    settings->SetRigComActiveHigh(false);
    settings->SetCommIndex(2);
    rig->SetTransmitRequest(false, true);
    EXPECT_EQ(hid.Written(usb), (std::vector<TReport> {PttOnReport, PttOffReport}));
    EXPECT_EQ(serial.OpenCount(Com1) + serial.OpenCount("COM3"), 0);
    EXPECT_FALSE(serial.RTS(Com1) || serial.DTR(Com1));
}

TEST_F(Interface, UsbArrivalClosesTheComPortAndRemovalReopensIt)
{
    settings->SetRigComKeying(true);
    Make();
    ASSERT_TRUE(serial.IsOpen(Com1));
    events.clear();

    const std::string usb = PlugUsbInterface();
    EXPECT_TRUE(rig->UsbConnected());
    EXPECT_FALSE(serial.IsOpen(Com1));
    EXPECT_EQ(events, (std::vector<std::string> {"interface change", "usb connected"}));

    events.clear();
    hid.Unplug(usb);
    loop.RunPending();
    EXPECT_FALSE(rig->UsbConnected());
    EXPECT_TRUE(serial.IsOpen(Com1));
    EXPECT_EQ(serial.OpenCount(Com1), 2);
    EXPECT_EQ(events, (std::vector<std::string> {"interface change", "usb disconnected"}));
}

TEST_F(Interface, HidDeviceChangeDuringATransmissionDropsTheUsbPttButKeepsTheRequest)
{
    settings->SetRigComKeying(true);
    Make();
    const std::string usb = PlugUsbInterface();
    rig->SetTransmitRequest(true, true);
    ASSERT_EQ(hid.Written(usb).back(), PttOnReport);
    events.clear();

    hid.Plug(0x046D, 0xC52B); // any other HID device
    loop.RunPending();

    EXPECT_TRUE(rig->UsbConnected());
    EXPECT_TRUE(rig->Ptt());
    EXPECT_EQ(hid.Written(usb).back(), PttOffReport);
    // The COM port was opened and closed again in between.
    EXPECT_EQ(serial.OpenCount(Com1), 2);
    EXPECT_FALSE(serial.IsOpen(Com1));
    EXPECT_EQ(events,
        (std::vector<std::string> {"interface change", "usb disconnected", "interface change", "usb connected"}));
}

TEST_F(Interface, FreedWhileKeyedJustAfterTheUsbInterfaceWasPulledOut)
{
    // The PTT-off write at freeing fails on the pulled device, which closes
    // it and raises its removal before the bus's notice was handled: the
    // half-freed interface must not take it (its timers are gone by then).
    settings->SetRigComKeying(true);
    Make();
    const std::string usb = PlugUsbInterface();
    rig->SetTransmitRequest(true, true);
    events.clear();
    hid.Unplug(usb);
    rig.reset();
    loop.AdvanceByMs(2000);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(serial.IsOpen(Com1));
}

TEST_F(Interface, UsbReceiveInputIsDebouncedLikeTheSerialOne)
{
    settings->SetVoIPComKeying(true);
    const std::string usb = PlugUsbInterface();
    Make();
    // Configuring with the USB interface present counts its input as high.
    EXPECT_TRUE(rig->RigRx());

    THidData low {};
    hid.FeedInput(usb, 0, low);
    ASSERT_TRUE(loop.WaitUntil([&] { return !rig->RigRx(); }, 5000));
    EXPECT_EQ(reports, (std::vector<bool> {}));
    loop.AdvanceByMs(settings->VoxDelayTime());
    EXPECT_EQ(reports, (std::vector<bool> {false}));

    THidData high {};
    high[7] = 0xFF;
    hid.FeedInput(usb, 0, high);
    ASSERT_TRUE(loop.WaitUntil([&] { return rig->RigRx(); }, 5000));
    EXPECT_EQ(reports, (std::vector<bool> {false, true}));
}

TEST_F(Interface, NonZeroStatusSuppressesEveryReceiveReport)
{
    settings->SetVoIPComKeying(true);
    settings->SetStatus(1);
    settings->SetCourtesySoundEnable(false);
    Make();
    serial.SetCTS(Com1, true);
    WaitForRigRx(true);
    loop.AdvanceByMs(100);
    serial.SetCTS(Com1, false);
    WaitForRigRx(false);
    loop.AdvanceByMs(5000);
    EXPECT_EQ(reports, (std::vector<bool> {}));
}

TEST_F(Interface, ReceiveInputOnDsrIsReportedAndItsEndAfterTheReleaseDelay)
{
    settings->SetVoIPComKeying(true);
    settings->SetVoIPComDsr(true);
    settings->SetCourtesySoundEnable(false);
    settings->SetVoxDelayTime(300);
    Make();
    serial.SetCTS(Com1, true); // not the configured input
    serial.SetDSR(Com1, true);
    WaitForRigRx(true);
    EXPECT_EQ(reports, (std::vector<bool> {true}));

    serial.SetDSR(Com1, false);
    WaitForRigRx(false);
    loop.AdvanceByMs(299);
    EXPECT_EQ(reports, (std::vector<bool> {true}));
    loop.AdvanceByMs(1);
    EXPECT_EQ(reports, (std::vector<bool> {true, false}));
}

TEST_F(Interface, InputThatReturnsWithinTheReleaseDelayIsReportedActiveTwiceAndEachEndWaitsAFullDelay)
{
    settings->SetVoIPComKeying(true);
    settings->SetVoxDelayTime(500);
    Make();
    loop.AdvanceByMs(1000); // past the input's start-up tick
    serial.SetCTS(Com1, true);
    WaitForRigRx(true);
    serial.SetCTS(Com1, false);
    WaitForRigRx(false);
    loop.AdvanceByMs(250);
    serial.SetCTS(Com1, true);
    WaitForRigRx(true);
    EXPECT_EQ(reports, (std::vector<bool> {true, true}));

    // Dropping again 300 ms after the first end: the release delay counts
    // afresh from the second end.
    loop.AdvanceByMs(50);
    serial.SetCTS(Com1, false);
    WaitForRigRx(false);
    loop.AdvanceByMs(499);
    EXPECT_EQ(reports, (std::vector<bool> {true, true}));
    loop.AdvanceByMs(1);
    EXPECT_EQ(reports, (std::vector<bool> {true, true, false}));
}

TEST_F(Interface, InputActiveWithinTheSettleTimeIsReportedWhenItEnds)
{
    settings->SetRigComKeying(true);
    settings->SetVoIPComKeying(true);
    settings->SetSquelchSetlingTime(300);
    Make();
    rig->SetTransmitRequest(true, true);
    loop.AdvanceByMs(500);
    rig->SetTransmitRequest(false, true);
    loop.AdvanceByMs(100);
    serial.SetCTS(Com1, true);
    WaitForRigRx(true);
    EXPECT_EQ(reports, (std::vector<bool> {}));
    loop.AdvanceByMs(199);
    EXPECT_EQ(reports, (std::vector<bool> {}));
    loop.AdvanceByMs(1);
    EXPECT_EQ(reports, (std::vector<bool> {true}));
}

TEST_F(Interface, InputThatEndsWithinTheSettleTimeIsNeverReportedActive)
{
    settings->SetRigComKeying(true);
    settings->SetVoIPComKeying(true);
    settings->SetCourtesySoundEnable(false);
    Make();
    rig->SetTransmitRequest(true, true);
    rig->SetTransmitRequest(false, true);
    serial.SetCTS(Com1, true);
    WaitForRigRx(true);
    serial.SetCTS(Com1, false);
    WaitForRigRx(false);
    loop.AdvanceByMs(5000);
    EXPECT_EQ(reports, (std::vector<bool> {false}));
}

TEST_F(Interface, ActiveLowInputCountsAsActiveOneSecondAfterThePortOpened)
{
    settings->SetVoIPComKeying(true);
    settings->SetVoIPComActiveHigh(false);
    MakeAndExpectReceivingOneSecondLater();

    // Reopening the port restarts the one-second wait; with the input
    // active already, its tick changes nothing.
    settings->SetVoIPComDsr(true);
    loop.AdvanceByMs(2000);
    EXPECT_EQ(reports, (std::vector<bool> {true}));
}

TEST_F(Interface, OneSecondAfterOpeningTheInputIsTakenFromTheLineItself)
{
    // Active high, line raised within the first second: still active after
    // the one-second tick, and never reported idle.
    settings->SetVoIPComKeying(true);
    Make();
    loop.AdvanceByMs(300);
    serial.SetCTS(Com1, true);
    WaitForRigRx(true);
    loop.AdvanceByMs(5000);
    EXPECT_TRUE(rig->RigRx());
    EXPECT_EQ(reports, (std::vector<bool> {true}));

    // A line already active when the port opens is reported one second
    // later, though it never changed.
    rig.reset();
    reports.clear();
    serial.SetDSR(Com1, true);
    settings->SetVoIPComDsr(true);
    MakeAndExpectReceivingOneSecondLater();

    // Reopening the port while receiving: closing it reports no line low
    // here, and the reopened port still finds the radio receiving.
    settings->SetRigComUnusedHight(true);
    loop.AdvanceByMs(5000);
    EXPECT_TRUE(rig->RigRx());
    EXPECT_EQ(reports, (std::vector<bool> {true}));
}

TEST_F(Interface, AFailingPortAtStartIsReportedNotThrownAndTheNextChangeTriesAgain)
{
    settings->SetRigComKeying(true);
    serial.FailCall(Com1, TSerialCall::SetDTR, EIO);
    ASSERT_NO_THROW(Make());
    EXPECT_TRUE(rig->ComPortFailed());
    EXPECT_FALSE(serial.IsOpen(Com1)) << "a port whose line failed holds it up";
    EXPECT_EQ(rig->ComPortProblem(),
        "Unable to set a control line of the com port: ioctl TIOCMBIC COM1: "
        "Input/output error");
    EXPECT_NO_THROW(rig->SetTransmitRequest(true, true)); // nothing to key
    rig->SetTransmitRequest(false, true);

    serial.FailCall(Com1, TSerialCall::SetDTR, 0);
    settings->SetCourtesyDelay(300); // not the port's: a failed port is still tried again
    EXPECT_TRUE(serial.IsOpen(Com1));
    EXPECT_FALSE(rig->ComPortFailed());
    EXPECT_EQ(rig->ComPortProblem(), "");

    // A port missing or held elsewhere: the reason, not an exception.
    rig.reset();
    serial.SetBusy(Com1, true);
    ASSERT_NO_THROW(Make());
    EXPECT_EQ(rig->ComPortProblem(), "COM1 is in use by another program: close it there, or choose another port.");
    events.clear();
    serial.SetBusy(Com1, false);
    serial.SetAbsent(Com1, true);
    ASSERT_NO_THROW(rig->ApplyInterfaceSettings());
    EXPECT_EQ(events, (std::vector<std::string> {"comm error", "interface change"}));
    EXPECT_EQ(rig->ComPortProblem(), "COM1 is missing: plug the device in, or choose another port.");
}

// Only the output whose settings changed is reconfigured: the serial port
// stays open through a change of any other setting.
TEST_F(Interface, ASettingThatDoesNotConcernThePortLeavesItOpenOneThatDoesReopensIt)
{
    settings->SetRigComKeying(true);
    settings->SetVoIPComKeying(true);
    Make();
    ASSERT_EQ(serial.OpenCount(Com1), 1);
    const std::vector<std::pair<const char*, std::function<void()>>> others {
        {"GpioPin", [&] { settings->SetGpioPin(5); }},
        {"CourtesyDelay", [&] { settings->SetCourtesyDelay(900); }},
        {"VoxDelayTime", [&] { settings->SetVoxDelayTime(700); }},
        {"SquelchSetlingTime", [&] { settings->SetSquelchSetlingTime(400); }},
        // The transceiver applies the settings when the sound card changes.
        {"OutputDevice",
            [&] {
                settings->SetOutputDevice("Another card");
                rig->ApplyInterfaceSettings();
            }},
    };
    for (const auto& [key, change] : others) {
        SCOPED_TRACE(key);
        events.clear();
        change();
        EXPECT_EQ(events, (std::vector<std::string> {"interface change"}));
        EXPECT_EQ(serial.OpenCount(Com1), 1);
        EXPECT_TRUE(serial.IsOpen(Com1));
    }
    EXPECT_EQ(rig->RxReleaseTimer().Interval(), 700);

    const std::vector<std::pair<const char*, std::function<void()>>> own {
        {"RigComDtr", [&] { settings->SetRigComDtr(false); }},
        {"RigComActiveHigh", [&] { settings->SetRigComActiveHigh(false); }},
        {"RigComUnusedHight", [&] { settings->SetRigComUnusedHight(true); }},
        {"VoIPComDsr", [&] { settings->SetVoIPComDsr(true); }},
        {"VoIPComActiveHigh", [&] { settings->SetVoIPComActiveHigh(false); }},
        {"RigComm", [&] { settings->SetRigComKeying(false); }},
    };
    int opens = 1;
    for (const auto& [key, change] : own) {
        SCOPED_TRACE(key);
        change();
        EXPECT_EQ(serial.OpenCount(Com1), ++opens);
    }
    settings->SetCommIndex(1);
    EXPECT_FALSE(serial.IsOpen(Com1));
    EXPECT_TRUE(serial.IsOpen("COM2"));
}

TEST_F(Interface, ReceiveEndWhileKeyedIsReportedAfterTheKeying)
{
    settings->SetRigComKeying(true);
    settings->SetVoIPComKeying(true);
    settings->SetCourtesySoundEnable(true);
    Make();
    serial.SetCTS(Com1, true);
    WaitForRigRx(true);
    rig->SetTransmitRequest(true, true);
    serial.SetCTS(Com1, false);
    WaitForRigRx(false);
    loop.AdvanceByMs(settings->VoxDelayTime() + 10000);
    EXPECT_EQ(reports, (std::vector<bool> {true, false}));
    EXPECT_EQ(pttChanges, (std::vector<bool> {true}));
    EXPECT_TRUE(rig->Ptt());
}

TEST_F(Interface, DestructionWritesTheUsbPttOffClosesThePortAndRaisesNothing)
{
    settings->SetRigComKeying(true);
    settings->SetVoIPComKeying(true);
    Make();
    const std::string usb = PlugUsbInterface();
    rig->SetTransmitRequest(true, true);
    events.clear();
    reports.clear();
    rig.reset();
    loop.AdvanceByMs(5000);
    EXPECT_EQ(hid.Written(usb).back(), PttOffReport);
    EXPECT_EQ(hid.OpenWriters(usb), 0);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(reports.empty());
    // The settings no longer reach the freed interface.
    settings->SetRigComDtr(false);
    EXPECT_FALSE(serial.IsOpen(Com1));

    // Without the USB interface, freeing closes the port open for the
    // receive input, and its closing reports nothing.
    hid.Unplug(usb);
    loop.RunPending();
    Make();
    serial.SetCTS(Com1, true);
    WaitForRigRx(true);
    reports.clear();
    rig.reset();
    loop.AdvanceByMs(5000);
    EXPECT_FALSE(serial.IsOpen(Com1));
    EXPECT_TRUE(reports.empty());
}
