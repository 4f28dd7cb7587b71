#include "FrameFormat.h"

namespace FFSKFrame {

namespace {
std::string CutAtFill(std::string text)
{
    const auto fill = text.find('\0');
    if (fill != std::string::npos) text.erase(fill);
    return text;
}
} // namespace

std::vector<std::uint8_t> FrameBytes(const std::string& Text, bool Preamble)
{
    std::vector<std::uint8_t> bytes;
    if (Preamble) bytes.assign(PreambleBytes, PreambleByte);
    std::size_t i = 0;
    for (; i < Text.size(); ++i) {
        if (i % BlockChars == 0) {
            bytes.insert(bytes.end(), PreambleBytes, PreambleByte);
            bytes.push_back(static_cast<std::uint8_t>(SyncWord >> 8));
            bytes.push_back(static_cast<std::uint8_t>(SyncWord & 0xFF));
        }
        bytes.push_back(static_cast<std::uint8_t>(Text[i]));
    }
    // The last block is filled up to 8 bytes; an empty text gets eight fill
    // bytes with no header before them.
    for (; i % BlockChars != 0 || i == 0; ++i) bytes.push_back(0);
    return bytes;
}

std::size_t FrameBitCount(std::size_t TextLength, bool Preamble)
{
    const std::size_t blocks = (TextLength + BlockChars - 1) / BlockChars;
    const std::size_t body = TextLength == 0 ? BlockChars * 8 : BlockBits * blocks;
    return (Preamble ? PreambleBytes * 8 : 0) + body + 1;
}

std::int64_t FrameAirtimeUs(std::size_t TextLength, bool Preamble)
{
    return static_cast<std::int64_t>(FrameBitCount(TextLength, Preamble)) * SamplesPerBit * 1000000 / SampleRate;
}

std::string MessageBody(const std::string& Name, const std::string& Text)
{
    return Name + std::string(NameSeparator) + Text;
}

std::string SmsText(const std::string& Name, const std::string& Text)
{
    return std::string(SmsPrefix) + MessageBody(Name, Text);
}

TMessageParts SplitMessageBody(const std::string& RxString)
{
    const auto split = RxString.find(NameSeparator);
    if (split == std::string::npos) return {{}, CutAtFill(RxString), false};
    return {CutAtFill(RxString.substr(0, split)), CutAtFill(RxString.substr(split + NameSeparator.size())), true};
}

} // namespace FFSKFrame
