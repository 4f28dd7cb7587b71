#include "GpioChips.h"

#include <array>

namespace {

constexpr std::uint16_t CMedia = 0x0D8C;
constexpr std::uint16_t SolidStateSystem = 0x0C76;
constexpr std::uint16_t OpenHardware = 0x1209;

constexpr std::uint8_t AllEight = 0xFF;
constexpr std::uint8_t OneThreeFour = 0x0D;
constexpr std::uint8_t FirstTwo = 0x03;
constexpr std::uint8_t FirstFour = 0x0F;

// Products 0x0008 to 0x000F are CM108, CM109 and CM119 with four or eight
// pins, not told apart by their ids: all eight are allowed there, so no pin
// a board really has is refused.
constexpr std::array<TGpioChip, 17> Chips = {{
    {CMedia, 0x0008, AllEight, "CM108/CM109/CM119"},
    {CMedia, 0x0009, AllEight, "CM108/CM109/CM119"},
    {CMedia, 0x000A, AllEight, "CM108/CM109/CM119"},
    {CMedia, 0x000B, AllEight, "CM108/CM109/CM119"},
    {CMedia, 0x000C, AllEight, "CM108/CM109/CM119"},
    {CMedia, 0x000D, AllEight, "CM108/CM109/CM119"},
    {CMedia, 0x000E, AllEight, "CM108/CM109/CM119"},
    {CMedia, 0x000F, AllEight, "CM108/CM109/CM119"},
    {CMedia, 0x0012, OneThreeFour, "CM108B"},
    {CMedia, 0x0013, AllEight, "CM119B"},
    {CMedia, 0x0139, OneThreeFour, "CM108AH"},
    {CMedia, 0x013A, AllEight, "CM119A"},
    {CMedia, 0x013C, OneThreeFour, "CM108AH"},
    {SolidStateSystem, 0x1605, FirstTwo, "SSS1621/1623"},
    {SolidStateSystem, 0x1607, FirstTwo, "SSS1621/1623"},
    {SolidStateSystem, 0x160B, FirstTwo, "SSS1621/1623"},
    {OpenHardware, 0x7388, FirstFour, "all-in-one cable"},
}};

std::uint8_t PinBit(int pin)
{
    return static_cast<std::uint8_t>(1u << (pin - 1));
}

} // namespace

const TGpioChip* FindGpioChip(std::uint16_t vendorId, std::uint16_t productId)
{
    for (const TGpioChip& chip : Chips)
        if (chip.VendorID == vendorId && chip.ProductID == productId) return &chip;
    return nullptr;
}

bool HasPin(const TGpioChip& chip, int pin)
{
    return pin >= FirstGpioPin && pin <= LastGpioPin && (chip.Pins & PinBit(pin)) != 0;
}

std::string PinList(const TGpioChip& chip)
{
    std::vector<int> pins;
    for (int pin = FirstGpioPin; pin <= LastGpioPin; ++pin)
        if (HasPin(chip, pin)) pins.push_back(pin);
    std::string text = "GPIO ";
    for (std::size_t i = 0; i < pins.size(); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(pins[i]);
    }
    return text;
}

std::vector<std::uint8_t> GpioReport(int pin, bool keyed)
{
    const std::uint8_t direction = pin >= FirstGpioPin && pin <= LastGpioPin ? PinBit(pin) : 0;
    const std::uint8_t levels = keyed ? direction : 0;
    return {0x00, 0x00, levels, direction, 0x00};
}
