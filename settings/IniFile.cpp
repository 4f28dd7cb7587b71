#include "settings/IniFile.h"

#include <optional>
#include <system_error>

#include "settings/AtomicFile.h"
#include "settings/IniText.h"

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Key,
                                 const std::string& Default) const
{
    std::optional<std::string> text;
    try {
        text = ReadWholeFile(FFileName);
    } catch (const std::system_error&) {
        return Default;
    }
    if (!text) return Default;
    std::optional<std::string> value = FindIniValue(*text, Section, Key);
    if (!value) return Default;
    if (value->size() > MaxStringLength) value->resize(MaxStringLength);
    return *value;
}

int TIniFile::ReadInteger(const std::string& Section, const std::string& Key, int Default) const
{
    const std::string text = ReadString(Section, Key, "");
    return ParseIniInteger(text, Default);
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Key, bool Default) const
{
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Key, const std::string& Value)
{
    // A NUL ends the value as it ends a C string in the suite's reader.
    const std::string_view value = std::string_view(Value).substr(0, Value.find_first_of(std::string("\r\n\0", 3)));
    try {
        const std::string text = ReadWholeFile(FFileName).value_or(std::string());
        ReplaceWholeFile(FFileName, WithIniValue(text, Section, Key, value));
    } catch (const std::system_error&) {
        throw EIniFileException("Unable to write to " + FFileName);
    }
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Key, int Value)
{
    WriteString(Section, Key, std::to_string(Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Key, bool Value)
{
    WriteString(Section, Key, Value ? "1" : "0");
}
