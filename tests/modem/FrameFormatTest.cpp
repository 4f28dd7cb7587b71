#include <gtest/gtest.h>

#include "ModemTestKit.h"
#include "modem/FrameFormat.h"
#include "modem/FrameRenderer.h"
#include "modem/MessageText.h"

using namespace modemtest;

TEST(FrameFormat, BlocksHeadersFillAndPreamble)
{
    using B = std::vector<std::uint8_t>;
    // Preamble AA AA, then header AA AA 3B 28 before each block of eight.
    EXPECT_EQ(FFSKFrame::FrameBytes("ABCDEFGH", true),
        (B {0xAA, 0xAA, 0xAA, 0xAA, 0x3B, 0x28, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
    EXPECT_EQ(FFSKFrame::FrameBytes("123456789", false),
        (B {0xAA, 0xAA, 0x3B, 0x28, '1', '2', '3', '4', '5', '6', '7', '8', //
            0xAA, 0xAA, 0x3B, 0x28, '9', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(FFSKFrame::FrameBytes("", false), B(8, 0)) << "no header for an empty text";
}

TEST(FrameFormat, BitCountAndAirtimeMatchWhatTheRendererPlays)
{
    for (const std::string text : {"", "x", "ABCDEFGH", "123456789", "SMS>Anna>>twenty-one chars"}) {
        const auto samples = TFrameRenderer::Render({text});
        EXPECT_EQ(samples.size(), FFSKFrame::FrameBitCount(text.size()) * FFSKFrame::SamplesPerBit) << text;
        EXPECT_EQ(samples, RenderFrame(text)) << "the modulator plays the same frame";
        EXPECT_EQ(FFSKFrame::FrameAirtimeUs(text.size()), static_cast<std::int64_t>(samples.size()) * 1000 / 48);
    }
    EXPECT_EQ(FFSKFrame::FrameBitCount(8), 113u);
}

TEST(FrameFormat, MessageTextIsComposedAndSplitAtTheFirstSeparator)
{
    EXPECT_EQ(FFSKFrame::SmsText("Anna", "hi>>there"), "SMS>Anna>>hi>>there");
    EXPECT_EQ(FFSKFrame::MessageBody("Anna", "x"), "Anna>>x");

    const auto parts = ReadMessageText(TMessageType::Sms, std::string("Anna>>hi>>there\0\0", 17));
    EXPECT_TRUE(parts.HasSender);
    EXPECT_EQ(parts.Sender, "Anna");
    EXPECT_EQ(parts.Text, "hi>>there");

    const auto cut = ReadMessageText(TMessageType::Sms, std::string("Bob>>one\0two", 12));
    EXPECT_EQ(cut.Text, "one") << "cut at the first 0x00";

    const auto plain = ReadMessageText(TMessageType::Sms, std::string("no name\0\0", 9));
    EXPECT_FALSE(plain.HasSender);
    EXPECT_EQ(plain.Text, "no name");
}
