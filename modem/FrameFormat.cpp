#include "FrameFormat.h"

namespace FFSKFrame {

std::vector<std::uint8_t> FrameBytes(const std::string& text, bool preamble)
{
    std::vector<std::uint8_t> bytes;
    if (preamble) bytes.assign(PreambleBytes, PreambleByte);
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        if (i % BlockChars == 0) {
            bytes.insert(bytes.end(), PreambleBytes, PreambleByte);
            bytes.push_back(static_cast<std::uint8_t>(SyncWord >> 8));
            bytes.push_back(static_cast<std::uint8_t>(SyncWord & 0xFF));
        }
        bytes.push_back(static_cast<std::uint8_t>(text[i]));
    }
    // The last block is filled up to 8 bytes; an empty text gets eight fill
    // bytes with no header before them.
    for (; i % BlockChars != 0 || i == 0; ++i) bytes.push_back(0);
    return bytes;
}

std::size_t FrameBitCount(std::size_t textLength, bool preamble)
{
    const std::size_t blocks = (textLength + BlockChars - 1) / BlockChars;
    const std::size_t body = textLength == 0 ? BlockChars * 8 : BlockBits * blocks;
    return (preamble ? PreambleBytes * 8 : 0) + body + 1;
}

std::int64_t FrameAirtimeUs(std::size_t textLength, bool preamble)
{
    return static_cast<std::int64_t>(FrameBitCount(textLength, preamble)) * SamplesPerBit * 1000000 / SampleRate;
}

std::string MessageBody(const std::string& name, const std::string& text)
{
    return name + std::string(NameSeparator) + text;
}

std::string SmsText(const std::string& name, const std::string& text)
{
    return std::string(SmsPrefix) + MessageBody(name, text);
}

} // namespace FFSKFrame
