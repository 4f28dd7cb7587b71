#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "base/VirtualLoop.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "radio/untGpioInterface.h"
#include "radio/untUsbInterface.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/RigParts.h"
#include "tests/support/TempFolder.h"

namespace {

using TBytes = std::vector<std::uint8_t>;
using TWrites = std::vector<TBytes>;
const TBytes Released3 = {0, 0, 0x00, 0x04, 0};
const TBytes Keyed3 = {0, 0, 0x04, 0x04, 0};
const std::string Com1 = "COM1";

// The rig interface of a station with a CM108AH sound card plugged in,
// keying on (RTS, active high, on COM1) and a radio attached.
class GpioKeying : public ::testing::Test, protected TRigParts {
protected:
    GpioKeying()
    {
        settings = std::make_unique<TZYNClientSettings>(FFolder.File("ZYNClient.ini"));
        settings->SetBand(1);
        settings->SetRigComKeying(true);
        settings->SetRigComDtr(false);
        settings->SetRigComActiveHigh(true);
        card = hid.Plug(0x0D8C, 0x013C);
    }

    void Make()
    {
        rig = std::make_unique<TInterface>(*settings, serial, hid, hid);
        gpioConnection = rig->OnGpioConnection.Connect([this](TObject* sender, bool connected) {
            EXPECT_EQ(sender, rig.get());
            events.push_back(connected ? "gpio connected" : "gpio disconnected");
        });
    }

    std::string card;
    std::vector<std::string> events;
    TConnection gpioConnection;
};

} // namespace

TEST_F(GpioKeying, SoundCardGpioTakesTheKeyingTheComPortStaysClosedAndShutdownReleases)
{
    Make();
    EXPECT_TRUE(rig->GpioConnected());
    EXPECT_EQ(serial.OpenCount(Com1), 0);
    rig->SetTransmitRequest(true, true);
    rig->SetTransmitRequest(true, true);
    EXPECT_EQ(hid.Written(card), (TWrites {Released3, Keyed3}));
    rig->SetTransmitRequest(false, true);
    EXPECT_EQ(hid.Written(card), (TWrites {Released3, Keyed3, Released3}));
    EXPECT_EQ(serial.OpenCount(Com1), 0);

    // The pin from the settings: released there at once, keyed there next.
    hid.ClearWritten(card);
    settings->SetGpioPin(4);
    rig->SetTransmitRequest(true, true);
    EXPECT_EQ(hid.Written(card), (TWrites {{0, 0, 0, 0x08, 0}, {0, 0, 0x08, 0x08, 0}}));

    // Shutdown writes the release.
    rig.reset();
    EXPECT_EQ(hid.Written(card), (TWrites {{0, 0, 0, 0x08, 0}, {0, 0, 0x08, 0x08, 0}, {0, 0, 0, 0x08, 0}}));
    EXPECT_EQ(hid.OpenWriters(card), 0);
}

TEST_F(GpioKeying, ByVoxOrWithoutARadioTheGpioIsNeverKeyed)
{
    settings->SetRigComKeying(false);
    Make();
    rig->SetTransmitRequest(true, true);
    rig->SetTransmitRequest(false, true);
    settings->SetRigComKeying(true);
    settings->SetBand(0);
    rig->SetTransmitRequest(true, true);
    EXPECT_EQ(hid.Written(card), (TWrites {Released3}));
}

TEST_F(GpioKeying, WithTheReceiveInputThePortOpensForItAloneWithBothLinesAtRest)
{
    // Active low: a port that keyed would hold RTS high at rest.
    settings->SetVoIPComKeying(true);
    settings->SetRigComActiveHigh(false);
    settings->SetRigComUnusedHight(false);
    Make();
    ASSERT_TRUE(serial.IsOpen(Com1));
    EXPECT_FALSE(serial.RTS(Com1));
    EXPECT_FALSE(serial.DTR(Com1));
    // Active high: a port that keyed would raise RTS now.
    settings->SetRigComActiveHigh(true);
    rig->SetTransmitRequest(true, true);
    EXPECT_FALSE(serial.RTS(Com1));
    EXPECT_FALSE(serial.DTR(Com1));
    EXPECT_EQ(hid.Written(card).back(), Keyed3);
}

TEST_F(GpioKeying, TheUsbRadioInterfaceGoesFirst)
{
    const std::string usb = hid.Plug(TUsbInterface::VendorID, TUsbInterface::ProductID);
    Make();
    EXPECT_TRUE(rig->UsbConnected());
    rig->SetTransmitRequest(true, true);
    EXPECT_EQ(hid.Written(card), (TWrites {Released3}));
    EXPECT_EQ(hid.Written(usb).size(), 2u); // its initial report and the PTT on
}

TEST_F(GpioKeying, UnpluggingWhileKeyedReportsOnceAndTheComPortTakesOver)
{
    Make();
    rig->SetTransmitRequest(true, true);
    hid.Unplug(card);
    loop.RunPending();
    EXPECT_EQ(events, (std::vector<std::string> {"gpio disconnected"}));
    EXPECT_FALSE(rig->GpioConnected());
    EXPECT_EQ(hid.Written(card), (TWrites {Released3, Keyed3}));
    // Back to the serial port, its PTT line at rest while the request stands.
    ASSERT_TRUE(serial.IsOpen(Com1));
    EXPECT_FALSE(serial.RTS(Com1));
    rig->SetTransmitRequest(false, true);
    EXPECT_EQ(hid.Written(card).size(), 2u);

    const std::string again = hid.Plug(0x0D8C, 0x013C);
    loop.RunPending();
    EXPECT_EQ(events, (std::vector<std::string> {"gpio disconnected", "gpio connected"}));
    EXPECT_FALSE(serial.IsOpen(Com1));
    EXPECT_EQ(hid.Written(again), (TWrites {Released3}));
}

TEST_F(GpioKeying, AReleaseThatFailsReopensTheInterfaceOrLetsItGo)
{
    loop.SetErrorReport([](const std::string&) {});
    Make();
    rig->SetTransmitRequest(true, true);
    hid.FailWrites(card, EIO);
    EXPECT_THROW(rig->SetTransmitRequest(false, true), EUSBException);
    // Opened afresh, its first report failed too: it is let go, and the
    // serial port takes the keying with its PTT line idle.
    EXPECT_FALSE(rig->GpioConnected());
    EXPECT_EQ(events, (std::vector<std::string> {"gpio disconnected"}));
    EXPECT_EQ(hid.OpenWriters(card), 0);
    EXPECT_TRUE(serial.IsOpen(Com1));
    EXPECT_FALSE(serial.RTS(Com1));
    EXPECT_FALSE(rig->Ptt());

    // Taking reports again, it is found at the next device change.
    hid.FailWrites(card, 0);
    hid.Plug(0x046D, 0xC52B);
    loop.RunPending();
    EXPECT_TRUE(rig->GpioConnected());
    EXPECT_EQ(hid.Written(card).back(), Released3);
}

TEST_F(GpioKeying, ACardThatTakesNoReportIsReportedNotThrownAtStartOrOnAChange)
{
    std::vector<std::string> errors;
    loop.SetErrorReport([&](const std::string& message) { errors.push_back(message); });
    hid.FailWrites(card, EIO);
    ASSERT_NO_THROW(Make());
    EXPECT_FALSE(rig->GpioConnected());
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(serial.IsOpen(Com1)) << "the serial port takes the keying";

    hid.FailWrites(card, 0);
    hid.Plug(0x046D, 0xC52B);
    loop.RunPending();
    ASSERT_TRUE(rig->GpioConnected());
    // The new pin cannot be written released: the card is let go.
    hid.FailWrites(card, EIO);
    EXPECT_NO_THROW(settings->SetGpioPin(4));
    EXPECT_FALSE(rig->GpioConnected());
    EXPECT_EQ(events, (std::vector<std::string> {"gpio connected", "gpio disconnected"}));
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_TRUE(serial.IsOpen(Com1));
}
