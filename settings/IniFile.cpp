#include "settings/IniFile.h"

#include <optional>
#include <system_error>

#include "base/Translation.h"
#include "settings/AtomicFile.h"
#include "settings/IniText.h"

TIniSnapshot::TIniSnapshot(const std::string& fileName)
{
    try {
        FText = ReadWholeFile(fileName).value_or(std::string());
    } catch (const std::system_error&) {
        // Unreadable: the reader falls back to its defaults.
    }
}

TIniSnapshot TIniSnapshot::OfText(std::string text)
{
    TIniSnapshot snapshot;
    snapshot.FText = std::move(text);
    return snapshot;
}

std::string TIniSnapshot::ReadString(
    const std::string& Section, const std::string& Key, const std::string& Default) const
{
    std::optional<std::string> value = FindIniValue(FText, Section, Key);
    if (!value) return Default;
    if (value->size() > TIniFile::MaxStringLength) value->resize(TIniFile::MaxStringLength);
    return *value;
}

int TIniSnapshot::ReadInteger(const std::string& Section, const std::string& Key, int Default) const
{
    return ParseIniInteger(ReadString(Section, Key, ""), Default);
}

bool TIniSnapshot::ReadBool(const std::string& Section, const std::string& Key, bool Default) const
{
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

TIniFile::TIniFile(std::string fileName)
    : FFileName(std::move(fileName))
{
}

namespace {

// The file's text; the step and the system's own words when it cannot be read,
// so the operator can act on it.
std::string ReadText(const std::string& fileName)
{
    try {
        return ReadWholeFile(fileName).value_or(std::string());
    } catch (const std::system_error& e) {
        throw EIniFileException(Translated("Unable to read %1 (%2)", {fileName, e.what()}));
    }
}

} // namespace

TIniSnapshot TIniFile::Load() const
{
    return TIniSnapshot::OfText(ReadText(FFileName));
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Key, const std::string& Default) const
{
    return Snapshot().ReadString(Section, Key, Default);
}

int TIniFile::ReadInteger(const std::string& Section, const std::string& Key, int Default) const
{
    return Snapshot().ReadInteger(Section, Key, Default);
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Key, bool Default) const
{
    return Snapshot().ReadBool(Section, Key, Default);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Key, const std::string& Value)
{
    // A NUL ends the value as it ends a C string in the suite's reader.
    const std::string_view value = std::string_view(Value).substr(0, Value.find_first_of(std::string("\r\n\0", 3)));
    const std::string text = ReadText(FFileName);
    try {
        ReplaceWholeFile(FFileName, WithIniValue(text, Section, Key, value));
    } catch (const std::system_error& e) {
        throw EIniFileException(Translated("Unable to write to %1 (%2)", {FFileName, e.what()}));
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
