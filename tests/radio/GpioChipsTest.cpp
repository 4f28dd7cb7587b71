#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "radio/GpioChips.h"
#include "radio/SoundCardName.h"

using TBytes = std::vector<std::uint8_t>;

TEST(GpioChips, ReportSetsOnlyTheChosenPinAsAnOutputHighWhenKeyed)
{
    for (int pin = 1; pin <= 8; ++pin) {
        const std::uint8_t bit = std::uint8_t(1u << (pin - 1));
        EXPECT_EQ(GpioReport(pin, false), (TBytes {0, 0, 0, bit, 0})) << "GPIO " << pin << " released";
        EXPECT_EQ(GpioReport(pin, true), (TBytes {0, 0, bit, bit, 0})) << "GPIO " << pin << " keyed";
    }
    // A pin outside 1..8 drives nothing rather than a shifted-out bit.
    EXPECT_EQ(GpioReport(0, true), (TBytes {0, 0, 0, 0, 0}));
    EXPECT_EQ(GpioReport(9, true), (TBytes {0, 0, 0, 0, 0}));
}

TEST(GpioChips, KnownChipsTheirPinsAndTheNeighboursOfTheTable)
{
    for (const std::uint16_t product : {0x0008, 0x000F})
        EXPECT_EQ(PinList(*FindGpioChip(0x0D8C, product)), "GPIO 1, 2, 3, 4, 5, 6, 7, 8") << product;
    EXPECT_EQ(PinList(*FindGpioChip(0x0D8C, 0x013C)), "GPIO 1, 3, 4");
    EXPECT_EQ(PinList(*FindGpioChip(0x0C76, 0x160B)), "GPIO 1, 2");
    ASSERT_NE(FindGpioChip(0x1209, 0x7388), nullptr);
    // Neighbours of the table and the USB radio interface are no GPIO chips.
    EXPECT_EQ(FindGpioChip(0x0D8C, 0x0010), nullptr);
    EXPECT_EQ(FindGpioChip(0x0D8C, 0x0007), nullptr);
    EXPECT_EQ(FindGpioChip(0x07A0, 0x1001), nullptr);
    EXPECT_EQ(FindGpioChip(0x1209, 0x7389), nullptr);
    // Pins outside the chip or the range are not its own.
    for (const int pin : {2, 8, 0}) EXPECT_FALSE(HasPin(*FindGpioChip(0x0D8C, 0x013C), pin)) << pin;
    for (const int pin : {9, -1}) EXPECT_FALSE(HasPin(*FindGpioChip(0x0D8C, 0x0013), pin)) << pin;
}

TEST(SoundCardName, AlsaNamesMatchByCardNumberOrId)
{
    TSoundCardNames card;
    card.Number = 1;
    card.Id = "Device";
    card.ServerIds = {"usb-C-Media_Electronics_Inc._USB_Audio_Device-00"};

    for (const char* name : {"hw:1", "plughw:1,0", "1", "Device", "hw:Device", "plughw:CARD=Device,DEV=0",
             "sysdefault:CARD=Device", "CARD=Device"})
        EXPECT_TRUE(NamesSoundCard(name, card)) << name;
    for (const char* name : {"", "hw:0", "plughw:10,0", "Device2", "CARD=Dev", "hw:", "default"})
        EXPECT_FALSE(NamesSoundCard(name, card)) << name;
}

TEST(SoundCardName, SinkNamesMatchByTheServersIdOfTheCard)
{
    TSoundCardNames card;
    card.Number = 2;
    card.Id = "Device";
    card.ServerIds = {ServerNamePart("usb-C-Media Electronics Inc._USB Audio Device-00")};
    EXPECT_EQ(card.ServerIds[0], "usb-C-Media_Electronics_Inc._USB_Audio_Device-00");

    const std::string sink = "alsa_output.usb-C-Media_Electronics_Inc._USB_Audio_Device-00";
    EXPECT_TRUE(NamesSoundCard(sink + ".analog-stereo", card));
    EXPECT_TRUE(NamesSoundCard(sink, card));
    // Another card whose id begins the same, another kind of sink, and a
    // sink name that must never be read as an ALSA card name.
    for (const char* name : {"alsa_output.usb-C-Media_Electronics_Inc._USB_Audio_Device-001.analog-stereo",
             "alsa_output.pci-0000_00_1f.3.analog-stereo", "bluez_output.00_11_22.a2dp", "alsa_output.2"})
        EXPECT_FALSE(NamesSoundCard(name, card)) << name;
}
