#include "SoundCardName.h"

#include <cctype>

namespace {

const std::string SinkPrefix = "alsa_output.";

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool AllDigits(const std::string& text)
{
    if (text.empty() || text.size() > 4) return false;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// The card part of an ALSA name: the value of CARD=, else what follows the
// colon up to a comma ("hw:1,0" gives "1"), else the whole name.
std::string AlsaCardPart(const std::string& name)
{
    const auto card = name.find("CARD=");
    std::string part;
    if (card != std::string::npos)
        part = name.substr(card + 5);
    else if (const auto colon = name.find(':'); colon != std::string::npos)
        part = name.substr(colon + 1);
    else
        part = name;
    return part.substr(0, part.find(','));
}

bool NamesSink(const std::string& sink, const TSoundCardNames& card)
{
    for (const std::string& id : card.ServerIds) {
        if (id.empty()) continue;
        const std::string base = SinkPrefix + id;
        if (sink == base || StartsWith(sink, base + ".")) return true;
    }
    return false;
}

} // namespace

bool NamesSoundCard(const std::string& outputDevice, const TSoundCardNames& card)
{
    if (outputDevice.empty()) return false;
    if (StartsWith(outputDevice, SinkPrefix)) return NamesSink(outputDevice, card);
    const std::string part = AlsaCardPart(outputDevice);
    if (part.empty()) return false;
    if (AllDigits(part)) return std::stoi(part) == card.Number;
    return part == card.Id;
}

std::string ServerNamePart(const std::string& value)
{
    std::string name = value;
    for (char& c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '_' && c != '-' && c != '.') c = '_';
    }
    return name;
}
