#include "MessageHistory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "base/CodePage.h"
#include "base/FileDescriptor.h"
#include "base/Translation.h"
#include "desktop/XdgFolders.h"

namespace {

std::string Utc(TMessageHistory::TClock::time_point when, const char* format)
{
    const std::time_t seconds = TMessageHistory::TClock::to_time_t(when);
    std::tm parts {};
    gmtime_r(&seconds, &parts);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, format, &parts);
    return std::string(text, n);
}

bool Contains(const std::vector<std::size_t>& indices, std::size_t i)
{
    return std::find(indices.begin(), indices.end(), i) != indices.end();
}

// Control bytes, the tab that separates the fields and the backslash that
// starts an escape become \xHH; everything else is read as Windows-1252. A
// byte not known to be right gets \? before it, one not heard at all is \!.
std::string Escaped(const std::string& bytes, const THistoryMarks& marks = {})
{
    static const char* const Hex = "0123456789ABCDEF";
    std::string plain;
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const bool notHeard = Contains(marks.NotHeard, i);
        const bool doubtful = !notHeard && Contains(marks.Doubt, i);
        if (!notHeard && !doubtful && b >= 0x20 && b != 0x7F && b != '\\') {
            plain += bytes[i];
            continue;
        }
        out += Cp1252ToUtf8(plain);
        plain.clear();
        if (notHeard) {
            out += "\\!";
            continue;
        }
        if (doubtful) out += "\\?";
        if (b >= 0x20 && b != 0x7F && b != '\\') {
            out += Cp1252ToUtf8(std::string(1, bytes[i]));
            continue;
        }
        out += "\\x";
        out += Hex[b >> 4];
        out += Hex[b & 0x0F];
    }
    return out + Cp1252ToUtf8(plain);
}

// A note is already UTF-8: only what would break the line layout goes.
std::string EscapedUtf8(std::string note)
{
    for (char& c : note)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return note;
}

const char* Mark(THistoryEntry entry)
{
    // In the order of THistoryEntry.
    static constexpr const char* Marks[] = {" > ", " < ", " ! "};
    return Marks[static_cast<int>(entry)];
}

} // namespace

TMessageHistory::TMessageHistory(std::string folder, TReport report)
    : FFolder(std::move(folder))
    , FReport(std::move(report))
{
}

std::string TMessageHistory::DefaultFolder()
{
    return XdgDataHome() + "/Parlet/history";
}

std::string TMessageHistory::Line(THistoryEntry entry, const std::string& sender, const std::string& text,
    TClock::time_point when, const std::string& note, const THistoryMarks& marks)
{
    std::string line = Utc(when, "%Y-%m-%dT%H:%M:%SZ") + Mark(entry) + (marks.SenderDoubtful ? "\\?" : "")
        + Escaped(sender) + "\t" + Escaped(text, marks);
    if (entry == THistoryEntry::NotSent) line += "\t" + EscapedUtf8(note);
    return line;
}

std::string TMessageHistory::FileFor(TClock::time_point when) const
{
    return FFolder + "/" + Utc(when, "%Y-%m-%d") + ".log";
}

void TMessageHistory::Append(THistoryEntry entry, const std::string& sender, const std::string& text,
    TClock::time_point when, const std::string& note, const THistoryMarks& marks)
{
    Write(FileFor(when), Line(entry, sender, text, when, note, marks) + "\n");
}

void TMessageHistory::Write(const std::string& file, const std::string& line)
{
    std::error_code error;
    std::filesystem::create_directories(FFolder, error);
    std::string failure;
    if (error) {
        failure = Translated("Cannot create the history folder %1: %2", {FFolder, error.message()});
    } else {
        // One write of the whole line to a file opened for appending: lines
        // of two programs never mix, a crash loses at most the line itself.
        TFileDescriptor fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
        const bool written = fd.Valid() && WriteFully(fd.Get(), line);
        const int writeError = errno;
        if (fd.Close() != 0 && written) failure = std::strerror(errno);
        if (!written) failure = std::strerror(writeError);
        if (!failure.empty()) failure = Translated("Cannot write the message history %1: %2", {file, failure});
    }
    if (failure.empty()) {
        FFailing = false;
        return;
    }
    if (FFailing) return;
    FFailing = true;
    if (FReport) FReport(failure);
}
