#pragma once

#include <cstdint>
#include <string>
#include <vector>

// USB sound card chips whose HID part drives general-purpose pins (the
// C-Media CM108 family, compatible chips, and the open-hardware cable that
// presents itself the same way). One of the pins keys the radio's PTT.
struct TGpioChip {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint8_t Pins = 0; // bit n-1 set: the chip has GPIO n
    const char* Name = "";
};

constexpr int FirstGpioPin = 1;
constexpr int LastGpioPin = 8;
// The pin nearly every board wires to the PTT.
constexpr int DefaultGpioPin = 3;

// The chip with these ids, or null when it drives no pins we know of.
const TGpioChip* FindGpioChip(std::uint16_t vendorId, std::uint16_t productId);
bool HasPin(const TGpioChip& chip, int pin);
// "GPIO 1, 3, 4", for messages.
std::string PinList(const TGpioChip& chip);

// The one write that sets the pins: report number 0, then 0, the level
// mask, the direction mask (the pin as an output) and 0. Keyed drives the
// pin high; released drives it low and keeps it an output.
std::vector<std::uint8_t> GpioReport(int pin, bool keyed);
