#include <gtest/gtest.h>

#include <functional>

#include "modem/FrameFormat.h"
#include "modem/MessageAssembler.h"

namespace {

// The decisions of a clean frame, margin 1, each bit 40 samples on; then
// 400 bit periods of silence so that the message is delivered.
struct TFrameBits {
    std::vector<TBitDecision> Bits;
    explicit TFrameBits(const std::string& text)
    {
        for (const std::uint8_t byte : FFSKFrame::FrameBytes(text, true))
            for (int i = 7; i >= 0; --i) Add((byte >> i) & 1);
    }
    void Add(bool one)
    {
        const auto end = static_cast<std::int64_t>(Bits.size() + 1) * 40;
        Bits.push_back({one ? TBitValue::One : TBitValue::Zero, one ? '1' : '0', 1.0f, -1.0f, end});
    }
    // Bit indices, after the 16-bit preamble: a block is a 16-bit header,
    // the sync word and 8 bytes.
    static std::size_t Sync(std::size_t block, std::size_t bit) { return 16 + block * 96 + 16 + bit; }
    static std::size_t At(std::size_t block, std::size_t byte) { return 16 + block * 96 + 32 + byte * 8; }
};

std::vector<TDecodedMessage> Assemble(const std::vector<TBitDecision>& bits)
{
    std::vector<TDecodedMessage> messages;
    TMessageAssembler assembler([&](const TDecodedMessage& m) { messages.push_back(m); });
    const auto feed = [&](const TBitDecision& d, std::size_t i) {
        assembler.BitDecided(d);
        if (i % 240 == 239) assembler.BufferEnded();
    };
    std::size_t i = 0;
    for (const TBitDecision& d : bits) feed(d, i++);
    for (int k = 0; k < 720; ++k) feed({TBitValue::Lost, '-', 0.0f, -1.0f, 0}, i++);
    return messages;
}

std::string Marks(const TDecodedMessage& m)
{
    std::string marks;
    for (std::size_t i = 0; i < m.Body.size(); ++i)
        marks += m.Certainty.empty() || m.Certainty[i] == TCharCertainty::Sure ? '.'
            : m.Certainty[i] == TCharCertainty::Doubtful                       ? 'd'
                                                                               : 'n';
    return marks;
}

} // namespace

TEST(MessageAssembler, WhatWasNotHeardIsMarkedInPlace)
{
    // "SMS>" + 20 characters: three blocks, the last with 4 bytes of fill.
    const std::string text = "SMS>Anna>>at the gate 7";
    const std::string body = text.substr(4) + std::string(1, '\0');
    using TDamage = std::function<void(std::vector<TBitDecision>&)>;
    const struct {
        const char* Name;
        TDamage Damage;
        std::string Body;
        std::string Marks;
    } cases[] = {
        {"clean", [](auto&) {}, body, std::string(20, '.')},
        {"a guessed bit marks its character", [](auto& b) { b[TFrameBits::At(1, 2) + 3].Margin = 0.1f; }, body,
            "......d............."},
        {"a lost sync word keeps the block's place", [](auto& b) { b[TFrameBits::Sync(1, 3)].Value = TBitValue::Lost; },
            "Anna" + std::string(8, '\0') + body.substr(12), "....nnnnnnnndddddddd"},
        {"a sync word with a guessed wrong bit is taken at its place",
            [](auto& b) {
                auto& bit = b[TFrameBits::Sync(1, 5)];
                bit.Value = bit.Value == TBitValue::One ? TBitValue::Zero : TBitValue::One;
                bit.Margin = 0.1f;
            },
            body, "....dddddddd........"},
        {"a sure wrong bit in a sync word is not taken",
            [](auto& b) {
                auto& bit = b[TFrameBits::Sync(1, 5)];
                bit.Value = bit.Value == TBitValue::One ? TBitValue::Zero : TBitValue::One;
            },
            "Anna" + std::string(8, '\0') + body.substr(12), "....nnnnnnnndddddddd"},
        {"a slipped bit marks its block", [](auto& b) { b.erase(b.begin() + static_cast<long>(TFrameBits::At(1, 3))); },
            "", "....dddddddd........"},
        {"a last block lost while the signal went on keeps its place",
            [](auto& b) { b[TFrameBits::Sync(2, 7)].Value = TBitValue::None; },
            body.substr(0, 12) + std::string(8, '\0'), "............nnnnnnnn"},
    };
    for (const auto& c : cases) {
        TFrameBits frame(text);
        c.Damage(frame.Bits);
        const auto messages = Assemble(frame.Bits);
        ASSERT_EQ(messages.size(), 1u) << c.Name;
        EXPECT_EQ(messages[0].Type, TMessageType::Sms) << c.Name;
        if (!c.Body.empty()) {
            EXPECT_EQ(messages[0].Body, c.Body) << c.Name;
        }
        EXPECT_EQ(Marks(messages[0]), c.Marks) << c.Name;
        // The first sync word starts after the preamble and the block's header.
        EXPECT_EQ(messages[0].StartSample, 32 * 40) << c.Name;
    }
}

TEST(MessageAssembler, NoiseAloneNeverOpensAMessage)
{
    // Blocks of random bytes behind exact sync words, with bits lost between
    // them at the block spacing: without a typed first block nothing is
    // delivered.
    std::vector<TBitDecision> bits;
    for (int block = 0; block < 20; ++block) {
        TFrameBits frame(std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
        bits.insert(bits.end(), frame.Bits.begin() + 16, frame.Bits.end());
        for (int k = 0; k < 96; ++k) bits.push_back({TBitValue::Lost, '-', 0.0f, -1.0f, 0});
    }
    EXPECT_TRUE(Assemble(bits).empty());
}
