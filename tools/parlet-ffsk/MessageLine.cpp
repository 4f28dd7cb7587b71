#include "MessageLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/CodePage.h"
#include "modem/FrameFormat.h"
#include "modem/MessageText.h"

namespace {

constexpr char Hex[] = "0123456789abcdef";

const char* TypeName(const TDecodedMessage& message)
{
    return message.Type == TMessageType::Sms ? "SMS" : "LOC";
}

void AppendJsonChar(std::string& json, char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
        json.push_back('\\');
        json.push_back(c);
    } else if (b < 0x20 || b == 0x7F) {
        json += "\\u00";
        json.push_back(Hex[b >> 4]);
        json.push_back(Hex[b & 0x0F]);
    } else {
        json += Cp1252ToUtf8(std::string(1, c));
    }
}

std::string Number(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string MessageLine(const TDecodedMessage& message)
{
    std::string line = std::string(TypeName(message)) + "\t";
    for (const char c : message.Body) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b <= 0x7E && b != '\\') {
            line.push_back(c);
        } else {
            line += "\\x";
            line.push_back(Hex[b >> 4]);
            line.push_back(Hex[b & 0x0F]);
        }
    }
    return line;
}

std::string MessageJson(const TDecodedMessage& message)
{
    const TMessageText text = ReadWholeBody(message);
    std::string json = std::string("{\"type\":\"") + TypeName(message) + "\",\"text\":\"";
    for (std::size_t i = 0; i < text.Text.size(); ++i) {
        if (std::binary_search(text.NotHeard.begin(), text.NotHeard.end(), i))
            json += "\xEF\xBF\xBD";
        else
            AppendJsonChar(json, text.Text[i]);
    }
    json += "\",\"doubt\":[";
    for (std::size_t i = 0; i < text.Doubt.size(); ++i) json += (i ? "," : "") + std::to_string(text.Doubt[i]);
    json += "],\"start\":" + Number("%.4f", static_cast<double>(message.StartSample) / FFSKFrame::SampleRate);
    json += ",\"snr_db\":" + (std::isfinite(message.SnrDb) ? Number("%.1f", message.SnrDb) : std::string("null"));
    return json + "}";
}
