// The name, callsign and country rules on arbitrary bytes. Besides not
// crashing, each rule keeps its promises: at most 20 characters, no blank at
// the front, no run of blanks, bytes outside A-Z and a-z passed through
// unchanged, and the country list answering without regard to case.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "settings/CountryList.h"
#include "settings/SettingsTextRules.h"

namespace {

constexpr std::size_t MaxLength = 20;

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string UpperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

void CheckShape(const std::string& out, const char* rule)
{
    const std::string name(rule);
    FuzzCheck(out.size() <= MaxLength, name + ": longer than 20 characters");
    FuzzCheck(out.empty() || out.front() != ' ', name + ": starts with a blank");
    FuzzCheck(out.find("  ") == std::string::npos, name + ": holds a run of blanks");
}

// Every byte of out, letters aside, appears in the input in the same order:
// the rule only drops, shrinks and changes the case of letters.
bool IsCaseFoldedSubsequence(const std::string& out, const std::string& in)
{
    std::size_t j = 0;
    for (char c : out) {
        while (j < in.size() && !(in[j] == c || (IsAsciiLetter(c) && IsAsciiLetter(in[j]) && (in[j] | 32) == (c | 32))))
            ++j;
        if (j == in.size()) return false;
        ++j;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TCountryList countries;
    TFuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::string text = in.Rest();

    const std::string name = NormalizeName(text, flags & 1);
    CheckShape(name, "name");
    FuzzCheck(name.empty() || name.back() != ' ', "name: ends with a blank");
    FuzzCheck(IsCaseFoldedSubsequence(name, text), "name: holds bytes that were not given");

    const std::string callsign = NormalizeCallsign(text);
    CheckShape(callsign, "callsign");
    FuzzCheck(IsCaseFoldedSubsequence(callsign, text), "callsign: holds bytes that were not given");
    // A callsign has its letters as typed.
    FuzzCheck(NormalizeCallsign(UpperAscii(text)) == UpperAscii(callsign), "callsign: depends on letter case");

    const std::string lower = LowerCaseAscii(text);
    FuzzCheck(lower.size() == text.size(), "lower case: length changed");
    for (std::size_t i = 0; i < text.size(); ++i)
        FuzzCheck(IsAsciiLetter(text[i]) ? lower[i] == (text[i] | 32) : lower[i] == text[i],
            "lower case: a byte other than A-Z changed");

    const bool listed = countries.Contains(text);
    FuzzCheck(countries.Contains(UpperAscii(text)) == listed && countries.Contains(lower) == listed,
        "country: the answer depends on letter case");
    if (listed) {
        bool found = false;
        for (int i = 0; i < countries.Count() && !found; ++i)
            found = UpperAscii(countries.Names(i)) == UpperAscii(text);
        FuzzCheck(found, "country: a name that is not on the list was accepted");
    }
    return 0;
}
