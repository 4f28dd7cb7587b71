#pragma once

#include <QString>
#include <vector>

struct TMessageRecord;

// One line of the main window's log: its text and the characters in it that
// are shown as not known to be right (another background, underlined, with
// a tooltip).
struct TLogLine {
    QString Text;
    std::vector<int> Marked;
};

// The lines the log shows for a message record, in the user's language:
// a text message as its sender (with the quality of a heard one beside it)
// and then ">" and its text; a text that was not sent as one line with the
// reason. Records the log does not show (a position report, a text on the
// air) give no lines.
std::vector<TLogLine> LogLinesOf(const TMessageRecord& record);

// The tooltip of a marked character.
QString DoubtTip();
