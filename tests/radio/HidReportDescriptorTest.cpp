#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "radio/HidReportDescriptor.h"

using TBytes = std::vector<std::uint8_t>;

TEST(HidReportDescriptor, ReportIdItemMarksNumberedReportsWhereverItStands)
{
    // A sound card's HID part as such chips describe it: consumer controls
    // in, a vendor-defined output report out, no report ids.
    const TBytes unnumbered = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x25, 0x01, 0x09, 0xE9, 0x09, 0xEA, 0x75,
        0x01, 0x95, 0x02, 0x81, 0x02, 0x06, 0x00, 0xFF, 0x09, 0x01, 0x75, 0x08, 0x95, 0x04, 0x91, 0x02, 0xC0};
    EXPECT_FALSE(UsesReportIds(unnumbered));
    EXPECT_FALSE(UsesReportIds({}));

    TBytes numbered = unnumbered;
    numbered.insert(numbered.begin() + 6, {0x85, 0x01});
    EXPECT_TRUE(UsesReportIds(numbered));
    // The same item with a two- or four-byte value, and after a long item.
    for (const TBytes& descriptor : std::vector<TBytes> {{0x05, 0x01, 0x86, 0x02, 0x00, 0xC0},
             {0x87, 0x03, 0x00, 0x00, 0x00}, {0xFE, 0x02, 0x10, 0x85, 0x85, 0x85, 0x07}})
        EXPECT_TRUE(UsesReportIds(descriptor)) << testing::PrintToString(descriptor);
}

TEST(HidReportDescriptor, ReportIdBytesInsideOtherItemsOrPastTheEndDoNotCount)
{
    const std::vector<TBytes> cases = {
        {0x05, 0x85, 0xC0}, // the value of a Usage Page
        {0x27, 0x85, 0x85, 0x85, 0x85, 0xC0}, // inside a four-byte Logical Maximum
        {0xFE, 0x03, 0x10, 0x85, 0x01, 0x85, 0xC0}, // inside the data of a long item
        {0x05, 0x0C, 0x85}, // a Report ID whose value was cut off
        {0x05, 0x0C, 0xFE}, // a long item cut after its prefix
        {0xFE, 0x40, 0x10, 0x85, 0x01}, // ... or inside its data
        {0x27, 0x00, 0x85, 0x01}, // a four-byte item cut short
    };
    for (const TBytes& descriptor : cases)
        EXPECT_FALSE(UsesReportIds(descriptor)) << testing::PrintToString(descriptor);
    // Every byte value as a lone prefix: nothing is read past the end, and
    // a Report ID item without a value (id 0) numbers nothing.
    for (int prefix = 0; prefix < 256; ++prefix)
        EXPECT_FALSE(UsesReportIds(TBytes {static_cast<std::uint8_t>(prefix)})) << prefix;
}
