#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/VirtualLoop.h"
#include "radio/SimulatedHidBus.h"
#include "radio/untGpioInterface.h"

namespace {

using TBytes = std::vector<std::uint8_t>;
using TWrites = std::vector<TBytes>;
const TBytes Released3 = {0, 0, 0x00, 0x04, 0};
const TBytes Keyed3 = {0, 0, 0x04, 0x04, 0};
constexpr std::uint16_t CMedia = 0x0D8C;
constexpr std::uint16_t CM108AH = 0x013C;
constexpr std::uint16_t CM119A = 0x013A;

class GpioInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        loop.SetErrorReport([this](const std::string& m) { errors.push_back(m); });
    }

    std::unique_ptr<TGpioInterface> Make()
    {
        auto gpio = std::make_unique<TGpioInterface>(bus, bus);
        connected = gpio->OnConnected.Connect([this](TObject*) { events.push_back("connected"); });
        disconnected = gpio->OnDisconnected.Connect([this](TObject*) { events.push_back("disconnected"); });
        return gpio;
    }

    TVirtualLoop loop;
    TSimulatedHidBus bus;
    std::vector<std::string> events;
    std::vector<std::string> errors;
    TConnection connected;
    TConnection disconnected;
};

} // namespace

TEST_F(GpioInterfaceTest, TheOnlyInterfaceIsOpenedReleasedAndKeyedOnItsPin)
{
    const std::string other = bus.Plug(0x046D, 0xC52B); // a keyboard receiver
    const std::string card = bus.Plug(CMedia, CM108AH);
    auto gpio = Make();
    ASSERT_TRUE(gpio->Connected());
    EXPECT_EQ(gpio->DevicePath(), card);
    EXPECT_STREQ(gpio->Chip()->Name, "CM108AH");
    EXPECT_EQ(bus.Written(card), (TWrites {Released3}));

    gpio->SetPttOutput(true);
    gpio->SetPttOutput(true); // already written
    gpio->SetPttOutput(false);
    EXPECT_EQ(bus.Written(card), (TWrites {Released3, Keyed3, Released3}));
    EXPECT_TRUE(bus.Written(other).empty());

    EXPECT_TRUE(errors.empty());
}

TEST_F(GpioInterfaceTest, TheInterfaceOfTheChosenCardIsKeyedWhenTwoArePresent)
{
    const std::string first = bus.PlugSoundCard(CMedia, CM108AH, "hw:1");
    const std::string second = bus.PlugSoundCard(CMedia, CM119A, "plughw:CARD=Radio,DEV=0");
    auto gpio = Make();
    // Two and no choice: none, and it says why.
    EXPECT_FALSE(gpio->Connected());
    EXPECT_TRUE(gpio->Ambiguous());
    EXPECT_TRUE(bus.Written(first).empty() && bus.Written(second).empty());

    gpio->Configure("plughw:CARD=Radio,DEV=0", 3);
    ASSERT_TRUE(gpio->Connected());
    EXPECT_FALSE(gpio->Ambiguous());
    EXPECT_EQ(gpio->DevicePath(), second);
    gpio->SetPttOutput(true);
    EXPECT_EQ(bus.Written(second), (TWrites {Released3, Keyed3}));
    EXPECT_TRUE(bus.Written(first).empty());

    // The other card chosen: the keyed one is let go, the other opened.
    gpio->Configure("hw:1", 3);
    EXPECT_EQ(gpio->DevicePath(), first);
    EXPECT_EQ(bus.Written(first), (TWrites {Released3}));
    EXPECT_EQ(events, (std::vector<std::string> {"connected", "disconnected", "connected"}));

    // A chosen card without GPIO among several: none again.
    gpio->Configure("hw:0", 3);
    EXPECT_FALSE(gpio->Connected());
    EXPECT_TRUE(gpio->Ambiguous());
}

TEST_F(GpioInterfaceTest, AnotherDeviceStaysClearOfAKeyedInterfaceAndUnpluggingItReportsOnce)
{
    const std::string card = bus.Plug(CMedia, CM108AH);
    auto gpio = Make();
    gpio->SetPttOutput(true);
    bus.Plug(0x046D, 0xC52B);
    loop.RunPending();
    EXPECT_TRUE(gpio->TxState());
    EXPECT_EQ(events, (std::vector<std::string> {}));

    // Unplugged while keyed: nothing further is written.
    bus.Unplug(card);
    loop.RunPending();
    EXPECT_FALSE(gpio->Connected());
    EXPECT_FALSE(gpio->TxState());
    gpio->SetPttOutput(false);
    gpio->Release();
    loop.RunPending();
    EXPECT_EQ(bus.Written(card), (TWrites {Released3, Keyed3}));
    EXPECT_EQ(events, (std::vector<std::string> {"disconnected"}));
}

TEST_F(GpioInterfaceTest, AnInterfaceThatTakesNoReportIsReportedOnceAndTriedAgain)
{
    const std::string card = bus.Plug(CMedia, CM108AH);
    bus.FailWrites(card, EIO);
    auto gpio = Make();
    EXPECT_FALSE(gpio->Connected());
    bus.Plug(0x046D, 0xC52B);
    loop.RunPending();
    EXPECT_FALSE(gpio->Connected());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Unable to write to the USB device.", 0), 0u) << errors[0];
    EXPECT_EQ(bus.OpenWriters(card), 0);

    bus.FailWrites(card, 0);
    bus.Plug(0x046D, 0xC52C);
    loop.RunPending();
    EXPECT_TRUE(gpio->Connected());
    EXPECT_EQ(events, (std::vector<std::string> {"connected"}));

    // A failed keying write reaches the caller and keeps the state.
    bus.FailWrites(card, EIO);
    EXPECT_THROW(gpio->SetPttOutput(true), EUSBException);
    EXPECT_FALSE(gpio->TxState());
}
