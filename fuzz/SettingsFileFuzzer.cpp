// The shared settings file on arbitrary bytes: the whole file is loaded, then
// one setter writes its key. Nothing may crash, and the write may change only
// the written key's line (or add it, with its section header when the
// section is missing); every other line stays byte for byte as it was.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "FuzzInput.h"
#include "base/VirtualLoop.h"
#include "settings/IniFile.h"
#include "settings/untZYNClientSettings.h"

namespace {

// One setter that writes exactly one key, and the text it writes there.
struct TSetter {
    const char* section;
    const char* key;
    std::function<void(TZYNClientSettings&, int, const std::string&)> set;
    std::function<std::string(const TZYNClientSettings&)> written;
};

std::string Bool(bool b)
{
    return b ? "1" : "0";
}

const std::vector<TSetter>& Setters()
{
    using S = TZYNClientSettings;
    static const std::vector<TSetter> setters = {
        {"Identification", "OperaterName", [](S& s, int, const std::string& v) { s.SetOperaterName(v); },
            [](const S& s) { return s.OperaterName(); }},
        {"Identification", "Callsign", [](S& s, int, const std::string& v) { s.SetCallsign(v); },
            [](const S& s) { return s.Callsign(); }},
        {"Identification", "EMailAddress", [](S& s, int, const std::string& v) { s.SetEMailAddress(v); },
            [](const S& s) { return s.EMailAddress(); }},
        {"Identification", "Country", [](S& s, int, const std::string& v) { s.SetCountry(v); },
            [](const S& s) { return s.Country(); }},
        {"Identification", "City", [](S& s, int, const std::string& v) { s.SetCity(v); },
            [](const S& s) { return s.City(); }},
        {"Identification", "CityPart", [](S& s, int, const std::string& v) { s.SetCityPart(v); },
            [](const S& s) { return s.CityPart(); }},
        {"Identification", "PassWord", [](S& s, int, const std::string& v) { s.SetPassWord(v); },
            [](const S& s) { return s.PassWord(); }},
        {"Language", "Name", [](S& s, int, const std::string& v) { s.SetLanguage(v); },
            [](const S& s) { return s.Language(); }},
        {"InBoundServer", "InBoundAddress", [](S& s, int, const std::string& v) { s.SetInBoundServerAddress(v); },
            [](const S& s) { return s.InBoundServerAddress(); }},
        {"Identification", "FBand", [](S& s, int v, const std::string&) { s.SetBand(v); },
            [](const S& s) { return std::to_string(s.Band()); }},
        {"Identification", "Channel", [](S& s, int v, const std::string&) { s.SetChannel(v); },
            [](const S& s) { return std::to_string(s.Channel()); }},
        {"Identification", "Status", [](S& s, int v, const std::string&) { s.SetStatus(v); },
            [](const S& s) { return std::to_string(s.Status()); }},
        {"Interface", "CourtesyDelay", [](S& s, int v, const std::string&) { s.SetCourtesyDelay(v); },
            [](const S& s) { return std::to_string(s.CourtesyDelay()); }},
        {"Interface", "CommPort", [](S& s, int v, const std::string&) { s.SetCommIndex(v); },
            [](const S& s) { return std::to_string(s.CommIndex()); }},
        {"Interface", "RigComm", [](S& s, int v, const std::string&) { s.SetRigComKeying(v & 1); },
            [](const S& s) { return Bool(s.RigComKeying()); }},
        {"Forms", "MainW", [](S& s, int v, const std::string&) { s.SetMainW(v); },
            [](const S& s) { return std::to_string(s.MainW()); }},
        {"Media", "MediaVolume", [](S& s, int v, const std::string&) { s.SetMediaVolume(v); },
            [](const S& s) { return std::to_string(s.MediaVolume()); }},
    };
    return setters;
}

struct TLine {
    std::string_view content;
    std::string_view ending; // "\n", "\r\n" or "" for a last line without one
    bool operator==(const TLine& other) const { return content == other.content && ending == other.ending; }
};

std::vector<TLine> SplitLines(std::string_view text)
{
    std::vector<TLine> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t lf = text.find('\n', begin);
        std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        const std::size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
        if (end > begin && text[end - 1] == '\r') --end;
        lines.push_back({text.substr(begin, end - begin), text.substr(end, next - end)});
        begin = next;
    }
    return lines;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Whether the line holds the key (name before the first '=', blanks trimmed).
bool IsKeyLine(const TLine& line, std::string_view key)
{
    const std::string_view trimmed = Trim(line.content);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return false;
    const std::size_t eq = line.content.find('=');
    return eq != std::string_view::npos && SameNameIgnoringCase(Trim(line.content.substr(0, eq)), key);
}

bool IsHeaderOf(const TLine& line, std::string_view section)
{
    return line.content == "[" + std::string(section) + "]";
}

// The lines added for a missing key: its line, after its section's header
// when that was missing too; all with one ending.
bool AreAddedKeyLines(const std::vector<TLine>& added, const TSetter& setter)
{
    if (added.size() == 1) return IsKeyLine(added[0], setter.key) && !added[0].ending.empty();
    if (added.size() == 2)
        return IsHeaderOf(added[0], setter.section) && IsKeyLine(added[1], setter.key) && !added[0].ending.empty()
            && added[0].ending == added[1].ending;
    return false;
}

void CheckOnlyTheKeyChanged(std::string_view before, std::string_view after, const TSetter& setter)
{
    const std::vector<TLine> b = SplitLines(before);
    const std::vector<TLine> a = SplitLines(after);
    std::size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix + prefix < a.size() && suffix + prefix < b.size()
        && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    const std::vector<TLine> was(b.begin() + prefix, b.end() - suffix);
    const std::vector<TLine> is(a.begin() + prefix, a.end() - suffix);
    const std::string where = std::string(" writing [") + setter.section + "] " + setter.key;

    if (was.empty() && is.empty()) return; // nothing written (the same value, or a value refused)
    if (was.size() == 1 && is.size() == 1) {
        FuzzCheck(IsKeyLine(was[0], setter.key) && IsKeyLine(is[0], setter.key),
            "a line other than the key's changed" + where);
        FuzzCheck(was[0].ending == is[0].ending, "the key's line ending changed" + where);
        return;
    }
    if (was.empty()) {
        FuzzCheck(AreAddedKeyLines(is, setter), "lines other than the key's were added" + where);
        return;
    }
    // A last line without a line break (or ended by a lone CR) gets one, so
    // the key can follow it: every byte of the file stays, then come a line
    // break and the added lines.
    FuzzCheck(was.size() == 1 && suffix == 0 && prefix + 1 == b.size() && was[0].ending != "\n"
            && was[0].ending != "\r\n" && after.substr(0, before.size()) == before,
        "lines other than the key's changed" + where);
    std::string_view rest = after.substr(before.size());
    const std::size_t breakLength = rest.substr(0, 2) == "\r\n" ? 2 : rest.substr(0, 1) == "\n" ? 1 : 0;
    FuzzCheck(breakLength > 0, "the last line was not ended before the key" + where);
    rest.remove_prefix(breakLength);
    FuzzCheck(AreAddedKeyLines(SplitLines(rest), setter), "lines other than the key's were added" + where);
}

// A value the profile reader gives back as written: no blanks at its ends,
// no enclosing quotes, no line break or NUL, not longer than a read returns.
bool ReadsBackAsWritten(const std::string& value)
{
    if (value.size() > TIniFile::MaxStringLength) return false;
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
    if (Trim(value).size() != value.size()) return false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return false;
    return true;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// A private folder for the settings file, removed when the process ends; on
// tmpfs where there is one, as every case writes the file with fsync.
class TScratchFolder {
public:
    TScratchFolder()
    {
        const std::string base =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/parlet-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) FuzzFailure("cannot make a scratch folder");
        FFolder = pattern;
    }
    ~TScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }
    std::string File() const { return FFolder + "/ZYNClient.ini"; }

private:
    std::string FFolder;
};

const std::string& ScratchFile()
{
    static const TScratchFolder folder;
    static const std::string path = folder.File();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TVirtualLoop loop;
    TFuzzInput in(data, size);
    const TSetter& setter = Setters()[in.Byte() % Setters().size()];
    const int number = in.Int();
    const std::string text = in.ShortString();
    const std::string before = in.Rest();

    const std::string& file = ScratchFile();
    std::ofstream(file, std::ios::binary | std::ios::trunc) << before;
    {
        TZYNClientSettings settings(file);
        settings.ShowError = [](const std::string&) {};
        FuzzCheck(ReadFile(file) == before, "loading the settings changed the file");
        setter.set(settings, number, text);

        const std::string after = ReadFile(file);
        CheckOnlyTheKeyChanged(before, after, setter);
        const std::string value = setter.written(settings);
        if (after != before && ReadsBackAsWritten(value))
            FuzzCheck(TIniFile(file).ReadString(setter.section, setter.key, "\x01missing") == value,
                std::string("the written value does not read back for ") + setter.key);
    }
    std::filesystem::remove(file);
    return 0;
}
