#include "MessageText.h"

#include "modem/FrameFormat.h"

namespace {

TCharCertainty CertaintyAt(const TDecodedMessage& message, std::size_t index)
{
    return index < message.Certainty.size() ? message.Certainty[index] : TCharCertainty::Sure;
}

// A 0x00 that was heard ends the text; a placeholder for a lost byte does not.
std::size_t TextEnd(const TDecodedMessage& message, std::size_t from)
{
    for (std::size_t i = from; i < message.Body.size(); ++i)
        if (message.Body[i] == '\0' && CertaintyAt(message, i) != TCharCertainty::NotHeard) return i;
    return message.Body.size();
}

void ReadTextFrom(const TDecodedMessage& message, std::size_t textStart, TMessageText& result)
{
    const std::size_t end = TextEnd(message, textStart);
    result.Text = message.Body.substr(textStart, end - textStart);
    for (std::size_t i = textStart; i < end; ++i) {
        const TCharCertainty certainty = CertaintyAt(message, i);
        if (certainty == TCharCertainty::Sure) continue;
        result.Doubt.push_back(i - textStart);
        if (certainty == TCharCertainty::NotHeard) result.NotHeard.push_back(i - textStart);
    }
}

} // namespace

TMessageText ReadMessageText(const TDecodedMessage& message)
{
    TMessageText result;
    std::size_t textStart = 0;
    if (message.Type == TMessageType::Sms) {
        const auto split = message.Body.find(FFSKFrame::NameSeparator);
        if (split != std::string::npos) {
            result.HasSender = true;
            result.Sender = message.Body.substr(0, split);
            result.Sender = result.Sender.substr(0, result.Sender.find('\0'));
            for (std::size_t i = 0; i < split; ++i)
                if (CertaintyAt(message, i) != TCharCertainty::Sure) result.SenderDoubtful = true;
            textStart = split + FFSKFrame::NameSeparator.size();
        }
    }
    ReadTextFrom(message, textStart, result);
    return result;
}

TMessageText ReadWholeBody(const TDecodedMessage& message)
{
    TMessageText result;
    ReadTextFrom(message, 0, result);
    return result;
}

TMessageText ReadMessageText(TMessageType type, const std::string& body)
{
    TDecodedMessage message;
    message.Type = type;
    message.Body = body;
    return ReadMessageText(message);
}
