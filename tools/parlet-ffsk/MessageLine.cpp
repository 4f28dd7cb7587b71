#include "MessageLine.h"

std::string MessageLine(bool MessIsSMS, const std::string& RxString)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string line = MessIsSMS ? "SMS\t" : "LOC\t";
    for (const char c : RxString) {
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
