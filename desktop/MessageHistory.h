#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// The record of every message sent and received: one plain UTF-8 file a day
// (UTC), <folder>/YYYY-MM-DD.log, a line a message:
//   2026-12-08T06:21:18Z > Anna<TAB>hello
// ">" for sent, "<" for received, "!" for a text that was not put on the
// air (its reason after a second tab); in the sender and the text every
// control byte, the tab and the backslash are written as \xHH. In a heard
// message a character the receiver was not sure of has \? before it, one
// not heard at all is written \!, and a sender's name in doubt starts with
// \?: `grep -F '\?'` and `grep -F '\!'` find every damaged message.
//
// Writing never throws: the radio work goes on whatever the disk does. The
// first failure is reported; the next one only after a write succeeded again.
enum class THistoryEntry { Sent, Heard, NotSent };

// What the receiver was not sure of in a heard message: indices into its
// text, and whether the sender's name is in doubt.
struct THistoryMarks {
    std::vector<std::size_t> Doubt;
    std::vector<std::size_t> NotHeard;
    bool SenderDoubtful = false;
};

class TMessageHistory {
public:
    using TReport = std::function<void(const std::string&)>;
    using TClock = std::chrono::system_clock;

    TMessageHistory(std::string folder, TReport report);

    // <XDG_DATA_HOME>/Parlet/history
    static std::string DefaultFolder();

    // Sender and text are the message's 8-bit bytes (Windows-1252), the fill
    // already removed; a note (UTF-8) follows a text that was not sent.
    void Append(THistoryEntry entry, const std::string& sender, const std::string& text,
        TClock::time_point when = TClock::now(), const std::string& note = {}, const THistoryMarks& marks = {});

    // The line for one message, without its line break.
    static std::string Line(THistoryEntry entry, const std::string& sender, const std::string& text,
        TClock::time_point when, const std::string& note = {}, const THistoryMarks& marks = {});
    // The file that a message at this time goes to.
    std::string FileFor(TClock::time_point when) const;
    const std::string& Folder() const { return FFolder; }

private:
    void Write(const std::string& file, const std::string& line);

    std::string FFolder;
    TReport FReport;
    bool FFailing = false;
};
