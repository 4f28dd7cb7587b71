#pragma once

#include <string>
#include <string_view>
#include <vector>

// The fixed list of country names a station may give as its country.
class TCountryList {
public:
    TCountryList();

    int Count() const { return static_cast<int>(FNames.size()); }
    const std::string& Names(int index) const;
    // Compared without regard to case (ASCII).
    bool Contains(std::string_view name) const;

private:
    std::vector<std::string> FNames;
};
