#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "radio/GpioChips.h"
#include "radio/SoundCardName.h"

using TBytes = std::vector<std::uint8_t>;

TEST(GpioChips, ReportSetsOnlyTheChosenPinAsAnOutputHighWhenKeyed)
{
    const TBytes expected[8][2] = {
        {{0, 0, 0x00, 0x01, 0}, {0, 0, 0x01, 0x01, 0}},
        {{0, 0, 0x00, 0x02, 0}, {0, 0, 0x02, 0x02, 0}},
        {{0, 0, 0x00, 0x04, 0}, {0, 0, 0x04, 0x04, 0}},
        {{0, 0, 0x00, 0x08, 0}, {0, 0, 0x08, 0x08, 0}},
        {{0, 0, 0x00, 0x10, 0}, {0, 0, 0x10, 0x10, 0}},
        {{0, 0, 0x00, 0x20, 0}, {0, 0, 0x20, 0x20, 0}},
        {{0, 0, 0x00, 0x40, 0}, {0, 0, 0x40, 0x40, 0}},
        {{0, 0, 0x00, 0x80, 0}, {0, 0, 0x80, 0x80, 0}},
    };
    for (int pin = 1; pin <= 8; ++pin) {
        EXPECT_EQ(GpioReport(pin, false), expected[pin - 1][0]) << "GPIO " << pin << " released";
        EXPECT_EQ(GpioReport(pin, true), expected[pin - 1][1]) << "GPIO " << pin << " keyed";
    }
    // A pin outside 1..8 drives nothing rather than a shifted-out bit.
    EXPECT_EQ(GpioReport(0, true), (TBytes {0, 0, 0, 0, 0}));
    EXPECT_EQ(GpioReport(9, true), (TBytes {0, 0, 0, 0, 0}));
}

TEST(GpioChips, KnownChipsAndTheirPins)
{
    for (std::uint16_t product = 0x0008; product <= 0x000F; ++product) {
        const TGpioChip* chip = FindGpioChip(0x0D8C, product);
        ASSERT_NE(chip, nullptr) << product;
        EXPECT_TRUE(HasPin(*chip, 1) && HasPin(*chip, 8));
    }
    for (const std::uint16_t product : {0x0012, 0x0139, 0x013C}) {
        const TGpioChip* chip = FindGpioChip(0x0D8C, product);
        ASSERT_NE(chip, nullptr) << product;
        EXPECT_EQ(PinList(*chip), "GPIO 1, 3, 4");
    }
    EXPECT_EQ(PinList(*FindGpioChip(0x0D8C, 0x0013)), "GPIO 1, 2, 3, 4, 5, 6, 7, 8");
    EXPECT_EQ(PinList(*FindGpioChip(0x0D8C, 0x013A)), "GPIO 1, 2, 3, 4, 5, 6, 7, 8");
    for (const std::uint16_t product : {0x1605, 0x1607, 0x160B})
        EXPECT_EQ(PinList(*FindGpioChip(0x0C76, product)), "GPIO 1, 2");
    ASSERT_NE(FindGpioChip(0x1209, 0x7388), nullptr);
    EXPECT_TRUE(HasPin(*FindGpioChip(0x1209, 0x7388), 3));

    // Neighbours of the table and the USB radio interface are no GPIO chips.
    EXPECT_EQ(FindGpioChip(0x0D8C, 0x0010), nullptr);
    EXPECT_EQ(FindGpioChip(0x0D8C, 0x0007), nullptr);
    EXPECT_EQ(FindGpioChip(0x07A0, 0x1001), nullptr);
    EXPECT_EQ(FindGpioChip(0x1209, 0x7389), nullptr);
}

TEST(GpioChips, PinsOutsideTheChipOrTheRangeAreNotItsOwn)
{
    const TGpioChip& cm108ah = *FindGpioChip(0x0D8C, 0x013C);
    EXPECT_TRUE(HasPin(cm108ah, 3));
    EXPECT_FALSE(HasPin(cm108ah, 2));
    EXPECT_FALSE(HasPin(cm108ah, 8));
    EXPECT_FALSE(HasPin(cm108ah, 0));
    EXPECT_FALSE(HasPin(*FindGpioChip(0x0D8C, 0x0013), 9));
    EXPECT_FALSE(HasPin(*FindGpioChip(0x0D8C, 0x0013), -1));
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

    EXPECT_TRUE(NamesSoundCard("alsa_output.usb-C-Media_Electronics_Inc._USB_Audio_Device-00.analog-stereo", card));
    EXPECT_TRUE(NamesSoundCard("alsa_output.usb-C-Media_Electronics_Inc._USB_Audio_Device-00", card));
    // Another card whose id begins the same, and another kind of sink.
    EXPECT_FALSE(NamesSoundCard("alsa_output.usb-C-Media_Electronics_Inc._USB_Audio_Device-001.analog-stereo", card));
    EXPECT_FALSE(NamesSoundCard("alsa_output.pci-0000_00_1f.3.analog-stereo", card));
    EXPECT_FALSE(NamesSoundCard("bluez_output.00_11_22.a2dp", card));
    // A sink name is never read as an ALSA card name.
    EXPECT_FALSE(NamesSoundCard("alsa_output.2", card));
}
