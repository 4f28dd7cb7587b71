#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "radio/HidReportDescriptor.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

// A sound card's HID part as such chips describe it: consumer controls in,
// a vendor-defined output report out, no report ids.
const TBytes Unnumbered = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x25, 0x01, 0x09, 0xE9, 0x09, 0xEA, 0x75,
    0x01, 0x95, 0x02, 0x81, 0x02, 0x06, 0x00, 0xFF, 0x09, 0x01, 0x75, 0x08, 0x95, 0x04, 0x91, 0x02, 0xC0};

bool Uses(const TBytes& descriptor)
{
    return UsesReportIds(descriptor);
}

} // namespace

TEST(HidReportDescriptor, ReportIdItemMarksNumberedReportsWhereverItStands)
{
    EXPECT_FALSE(Uses(Unnumbered));
    EXPECT_FALSE(Uses({}));

    TBytes numbered = Unnumbered;
    numbered.insert(numbered.begin() + 6, {0x85, 0x01});
    EXPECT_TRUE(Uses(numbered));
    // The same item with a two- or four-byte value.
    EXPECT_TRUE(Uses({0x05, 0x01, 0x86, 0x02, 0x00, 0xC0}));
    EXPECT_TRUE(Uses({0x87, 0x03, 0x00, 0x00, 0x00}));
}

TEST(HidReportDescriptor, ReportIdBytesInsideOtherItemsDoNotCount)
{
    // 0x85 as the value of a Usage Page, inside a four-byte Logical Maximum,
    // and inside the data of a long item.
    EXPECT_FALSE(Uses({0x05, 0x85, 0xC0}));
    EXPECT_FALSE(Uses({0x27, 0x85, 0x85, 0x85, 0x85, 0xC0}));
    EXPECT_FALSE(Uses({0xFE, 0x03, 0x10, 0x85, 0x01, 0x85, 0xC0}));
    // After a long item the walk goes on with the next short item.
    EXPECT_TRUE(Uses({0xFE, 0x02, 0x10, 0x85, 0x85, 0x85, 0x07}));
}

TEST(HidReportDescriptor, TruncatedOrMalformedDescriptorsEndTheWalkWithoutReadingPastThem)
{
    // A Report ID whose value was cut off, a long item cut after its prefix
    // or inside its data, and a four-byte item cut short.
    EXPECT_FALSE(Uses({0x05, 0x0C, 0x85}));
    EXPECT_FALSE(Uses({0x05, 0x0C, 0xFE}));
    EXPECT_FALSE(Uses({0xFE, 0x40, 0x10, 0x85, 0x01}));
    EXPECT_FALSE(Uses({0x27, 0x00, 0x85, 0x01}));
    // Every byte value as a lone prefix: nothing is read past the end, and
    // a Report ID item without a value (id 0) numbers nothing.
    for (int prefix = 0; prefix < 256; ++prefix) {
        const TBytes lone = {static_cast<std::uint8_t>(prefix)};
        EXPECT_FALSE(Uses(lone)) << prefix;
    }
}
