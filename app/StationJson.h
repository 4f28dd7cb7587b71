#pragma once

#include <cstddef>
#include <string>

struct TMessageRecord;
struct TStationStatus;

// The station's messages and status as JSON objects, one a line, in UTF-8:
// the headless program's standard output and the payload of the D-Bus
// signals. The fields are documented in docs/integration.md and parlet(1).
std::string RecordJson(const TMessageRecord& record);
std::string StatusJson(const TStationStatus& status);
// An error: code is a short stable word, message a sentence.
std::string ErrorJson(const std::string& code, const std::string& message);
// The first line: the settings file in use and the D-Bus name ("" when the
// session bus could not be reached).
std::string ReadyJson(const std::string& settingsFile, const std::string& busName);

// A line read from standard input, without its line end: either a text
// (UTF-8) or, when it starts with '{', a JSON object whose "text" field is
// the text. Empty lines are skipped.
struct TInputLine {
    enum class TKind { Skip, Text, Error } Kind = TKind::Skip;
    std::string Text;
    std::string Code;
    std::string Message;
};
TInputLine ReadInputLine(const std::string& line);

// The longest line read from standard input; longer ones are refused whole.
inline constexpr std::size_t MaxInputLineLength = 4096;
