#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The over-the-air frame and the message text it carries, for both ends.
//
// Air: 1200 bit/s FFSK at 48000 samples/s, most significant bit first. A
// transmission starts with a preamble of 0xAA 0xAA; every block of up to 8
// characters follows a header 0xAA 0xAA 0x3B 0x28 (0x3B 0x28 is the sync
// word), the last block is filled up with 0x00, and a 0 tail bit ends the
// frame. An empty text is eight 0x00 without a header.
//
// Text: "SMS>" + name + ">>" + text for a text message, "LOC>" + data for
// the other type; every text starts at a block boundary.
namespace FFSKFrame {

inline constexpr std::uint32_t SampleRate = 48000;
inline constexpr std::uint32_t SamplesPerBit = 40;
inline constexpr std::uint8_t PreambleByte = 0xAA;
inline constexpr std::size_t PreambleBytes = 2;
inline constexpr std::uint16_t SyncWord = 0x3B28;
inline constexpr std::size_t BlockChars = 8;
// Header and characters of one block, in bits.
inline constexpr std::size_t BlockBits = (PreambleBytes + 2 + BlockChars) * 8;
inline constexpr bool TailBit = false;
inline constexpr std::size_t PrefixLength = 4;
inline constexpr std::string_view SmsPrefix = "SMS>";
inline constexpr std::string_view LocPrefix = "LOC>";
inline constexpr std::string_view NameSeparator = ">>";

// The bytes of one frame carrying Text (its bytes unchanged), without the
// tail bit; the preamble only when the transmission starts with it.
std::vector<std::uint8_t> FrameBytes(const std::string& text, bool preamble);

// Bits and airtime of a frame for a text of that length, tail bit included.
std::size_t FrameBitCount(std::size_t textLength, bool preamble = true);
std::int64_t FrameAirtimeUs(std::size_t textLength, bool preamble = true);

// What a text message carries after its prefix: name + ">>" + text.
std::string MessageBody(const std::string& name, const std::string& text);
// The whole text on the air: "SMS>" + name + ">>" + text.
std::string SmsText(const std::string& name, const std::string& text);

} // namespace FFSKFrame
