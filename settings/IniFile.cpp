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
    const std::string& section, const std::string& key, const std::string& Default) const
{
    std::optional<std::string> value = FindIniValue(FText, section, key);
    if (!value) return Default;
    if (value->size() > TIniFile::MaxStringLength) value->resize(TIniFile::MaxStringLength);
    return *value;
}

int TIniSnapshot::ReadInteger(const std::string& section, const std::string& key, int Default) const
{
    return ParseIniInteger(ReadString(section, key, ""), Default);
}

bool TIniSnapshot::ReadBool(const std::string& section, const std::string& key, bool Default) const
{
    return ReadInteger(section, key, Default ? 1 : 0) != 0;
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

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& Default) const
{
    return Snapshot().ReadString(section, key, Default);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int Default) const
{
    return Snapshot().ReadInteger(section, key, Default);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool Default) const
{
    return Snapshot().ReadBool(section, key, Default);
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    // A NUL ends the value as it ends a C string in the suite's reader.
    const std::string_view cut = std::string_view(value).substr(0, value.find_first_of(std::string("\r\n\0", 3)));
    const std::string text = ReadText(FFileName);
    try {
        ReplaceWholeFile(FFileName, WithIniValue(text, section, key, cut));
    } catch (const std::system_error& e) {
        throw EIniFileException(Translated("Unable to write to %1 (%2)", {FFileName, e.what()}));
    }
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}
