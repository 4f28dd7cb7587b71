#pragma once

#include <string>
#include <vector>

// How one sound card can be named: its ALSA card number and id, and the
// ids a sound server builds its sink names from (the card's udev
// properties, made valid as names).
struct TSoundCardNames {
    int Number = -1;
    std::string Id;
    std::vector<std::string> ServerIds;
};

// Whether an output device name stands for this card: an ALSA name ("hw:1",
// "plughw:CARD=Device,DEV=0", "Device") or a sound-server sink name
// ("alsa_output.<server id>.<profile>").
bool NamesSoundCard(const std::string& outputDevice, const TSoundCardNames& card);

// A udev property value as a sound server turns it into part of a name:
// characters other than letters, digits, '_', '-' and '.' become '_'.
std::string ServerNamePart(const std::string& value);
