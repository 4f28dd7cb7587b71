#include "settings/SettingsTextRules.h"

#include <string_view>

namespace {

constexpr std::size_t MaxNameLength = 20;

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

void RemoveFirst(std::string& text, std::string_view word)
{
    const auto at = text.find(word);
    if (at != std::string::npos) text.erase(at, word.size());
}

void RemoveLeadingSpaces(std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    text.erase(0, first == std::string::npos ? text.size() : first);
}

void RemoveTrailingSpaces(std::string& text)
{
    while (!text.empty() && text.back() == ' ') text.pop_back();
}

void CollapseSpaces(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out.push_back(c);
    text = std::move(out);
}

void CutTo(std::string& text, std::size_t length)
{
    if (text.size() > length) text.resize(length);
}

std::string ZeroPadded(int value, std::size_t digits)
{
    std::string text = std::to_string(value);
    // A negative number keeps its sign in front of the padding.
    const std::size_t sign = value < 0 ? 1 : 0;
    if (text.size() - sign < digits) text.insert(sign, digits - (text.size() - sign), '0');
    return text;
}

} // namespace

std::string NormalizeName(const std::string& input, bool capitals)
{
    std::string text = input;
    if (text.empty()) return text;
    if (capitals) text = LowerCaseAscii(std::move(text));
    RemoveFirst(text, "server");
    RemoveFirst(text, "gateway");
    RemoveFirst(text, "link");
    RemoveLeadingSpaces(text);
    CutTo(text, MaxNameLength);
    if (capitals && !text.empty()) text[0] = UpperAscii(text[0]);
    CollapseSpaces(text);
    if (capitals) {
        constexpr std::string_view wordStarts = " .(<[/\\-";
        for (std::size_t i = 1; i < text.size(); ++i)
            if (wordStarts.find(text[i - 1]) != std::string_view::npos) text[i] = UpperAscii(text[i]);
    }
    RemoveTrailingSpaces(text);
    return text;
}

std::string NormalizeCallsign(const std::string& input)
{
    std::string text = input;
    RemoveLeadingSpaces(text);
    CollapseSpaces(text);
    if (!text.empty()) {
        if (text.back() == ' ') text.pop_back();
        CutTo(text, MaxNameLength);
    }
    return text;
}

std::string LowerCaseAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string FormatBandAndChannel(int band, int channel, TMode mode, TSquelchType squelchType, int code)
{
    if (band == 0) return "PC Only";
    if (band == 1) return "Crosslink";
    std::string text = ZeroPadded(band, 3) + " Ch" + ZeroPadded(channel, 2);
    text += mode == mdFM ? " FM " : mode == mdAM ? " AM " : " DIG ";
    if (mode == mdDIG)
        text += "CID";
    else if (squelchType == sqCTCSS)
        text += "CTC";
    else if (squelchType == sqDCS)
        text += "DCS";
    if (squelchType != sqNone || mode == mdDIG) text += ZeroPadded(code, squelchType == sqDCS || mode == mdDIG ? 3 : 2);
    return text;
}

std::string FormatCallsignAndUser(const std::string& callsign, const std::string& operaterName)
{
    return callsign.empty() ? operaterName : callsign + ", " + operaterName;
}

std::string FormatCityCityPart(const std::string& city, const std::string& cityPart)
{
    return city + " - " + cityPart;
}
