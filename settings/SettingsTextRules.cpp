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

std::string NormalizeName(const std::string& Text, bool Capitals)
{
    std::string text = Text;
    if (text.empty()) return text;
    if (Capitals) text = LowerCaseAscii(std::move(text));
    RemoveFirst(text, "server");
    RemoveFirst(text, "gateway");
    RemoveFirst(text, "link");
    RemoveLeadingSpaces(text);
    CutTo(text, MaxNameLength);
    if (Capitals && !text.empty()) text[0] = UpperAscii(text[0]);
    CollapseSpaces(text);
    if (Capitals) {
        constexpr std::string_view wordStarts = " .(<[/\\-";
        for (std::size_t i = 1; i < text.size(); ++i)
            if (wordStarts.find(text[i - 1]) != std::string_view::npos) text[i] = UpperAscii(text[i]);
    }
    RemoveTrailingSpaces(text);
    return text;
}

std::string NormalizeCallsign(const std::string& Text)
{
    std::string text = Text;
    RemoveLeadingSpaces(text);
    CollapseSpaces(text);
    if (!text.empty()) {
        if (text.back() == ' ') text.pop_back();
        CutTo(text, MaxNameLength);
    }
    return text;
}

std::string LowerCaseAscii(std::string Text)
{
    for (char& c : Text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return Text;
}

std::string FormatBandAndChannel(int Band, int Channel, TMode Mode, TSquelchType SquelchType, int Code)
{
    if (Band == 0) return "PC Only";
    if (Band == 1) return "Crosslink";
    std::string text = ZeroPadded(Band, 3) + " Ch" + ZeroPadded(Channel, 2);
    text += Mode == mdFM ? " FM " : Mode == mdAM ? " AM " : " DIG ";
    if (Mode == mdDIG)
        text += "CID";
    else if (SquelchType == sqCTCSS)
        text += "CTC";
    else if (SquelchType == sqDCS)
        text += "DCS";
    if (SquelchType != sqNone || Mode == mdDIG) text += ZeroPadded(Code, SquelchType == sqDCS || Mode == mdDIG ? 3 : 2);
    return text;
}

std::string FormatCallsignAndUser(const std::string& Callsign, const std::string& OperaterName)
{
    return Callsign.empty() ? OperaterName : Callsign + ", " + OperaterName;
}

std::string FormatCityCityPart(const std::string& City, const std::string& CityPart)
{
    return City + " - " + CityPart;
}
