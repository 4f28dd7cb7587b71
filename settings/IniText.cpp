#include "settings/IniText.h"

#include <cstdint>
#include <vector>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

enum class LineKind { Other, Section, Key };

// One line of the file: [begin, end) is its content, [end, next) its line
// ending (empty for a last line without one).
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    LineKind kind = LineKind::Other;
    std::string_view name; // section or key name, trimmed
    std::size_t valueBegin = 0; // for a key: first byte after '=' and its blanks
};

Line ClassifyLine(std::string_view text, std::size_t begin, std::size_t end, std::size_t next)
{
    Line line {begin, end, next, LineKind::Other, {}, 0};
    std::string_view content = text.substr(begin, end - begin);
    // A UTF-8 byte order mark written by some editors is not part of the
    // first line's content.
    if (begin == 0 && content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    const std::string_view trimmed = TrimBlanks(content);
    if (trimmed.empty() || trimmed.front() == ';') return line;
    if (trimmed.front() == '[') {
        std::string_view inside = trimmed.substr(1);
        const auto close = inside.rfind(']');
        if (close != std::string_view::npos) inside = inside.substr(0, close);
        line.kind = LineKind::Section;
        line.name = TrimBlanks(inside);
        return line;
    }
    const auto eq = content.find('=');
    if (eq == std::string_view::npos) return line;
    line.kind = LineKind::Key;
    line.name = TrimBlanks(content.substr(0, eq));
    std::size_t value = eq + 1;
    while (value < content.size() && IsBlank(content[value])) ++value;
    line.valueBegin = end - (content.size() - value);
    return line;
}

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const auto lf = text.find('\n', begin);
        std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        const std::size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
        if (end > begin && text[end - 1] == '\r') --end;
        lines.push_back(ClassifyLine(text, begin, end, next));
        begin = next;
    }
    return lines;
}

// Where a key lives, or where the section to put it in lies.
struct Location {
    std::optional<std::size_t> section; // index of the first matching header
    std::optional<std::size_t> key; // index of the first matching key in it
    std::size_t lastKeyOrHeader = 0; // last key line of that section, else its header
};

Location Locate(const std::vector<Line>& lines, std::string_view section, std::string_view key)
{
    Location where;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (!where.section) {
            if (line.kind == LineKind::Section && SameTextAscii(line.name, section)) {
                where.section = i;
                where.lastKeyOrHeader = i;
            }
            continue;
        }
        if (line.kind == LineKind::Section) break;
        if (line.kind != LineKind::Key) continue;
        where.lastKeyOrHeader = i;
        if (SameTextAscii(line.name, key)) {
            where.key = i;
            break;
        }
    }
    return where;
}

std::string_view LineEndingOf(std::string_view text, const std::vector<Line>& lines)
{
    // A lone CR at the end of the file ends no line: taken as the ending,
    // the new lines would run into one line that no reader splits.
    for (const Line& line : lines)
        if (line.next > line.end && text[line.next - 1] == '\n') return text.substr(line.end, line.next - line.end);
    return "\r\n";
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<std::uint32_t> ParseHex(std::string_view digits)
{
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<int> ParseDecimal(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::int64_t {1} << 31) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section, std::string_view key)
{
    const std::vector<Line> lines = SplitLines(text);
    const Location where = Locate(lines, section, key);
    if (!where.key) return std::nullopt;
    const Line& line = lines[*where.key];
    const std::string_view raw = TrimBlanks(text.substr(line.valueBegin, line.end - line.valueBegin));
    return std::string(Unquote(raw));
}

std::string WithIniValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value)
{
    const std::vector<Line> lines = SplitLines(text);
    const Location where = Locate(lines, section, key);
    std::string result;
    result.reserve(text.size() + section.size() + key.size() + value.size() + 8);

    if (where.key) {
        const Line& line = lines[*where.key];
        result.append(text.substr(0, line.valueBegin));
        result.append(value);
        result.append(text.substr(line.end));
        return result;
    }

    const std::string_view eol = LineEndingOf(text, lines);
    std::string added;
    if (!where.section) {
        added.append("[").append(section).append("]").append(eol);
    }
    added.append(key).append("=").append(value).append(eol);

    // A new section goes at the end of the file; a new key after the last
    // key of its section, so that blank lines and comments ahead of the next
    // section stay where they are.
    const std::size_t insertAt = where.section ? lines[where.lastKeyOrHeader].next : text.size();
    const bool needsBreak = insertAt > 0 && text[insertAt - 1] != '\n';
    result.append(text.substr(0, insertAt));
    if (needsBreak) result.append(eol);
    result.append(added);
    result.append(text.substr(insertAt));
    return result;
}

int ParseIniInteger(std::string_view text, int defaultValue)
{
    std::optional<std::uint32_t> hex;
    if (!text.empty() && text.front() == '$') {
        hex = ParseHex(text.substr(1));
        if (!hex) return defaultValue;
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = ParseHex(text.substr(2));
        if (!hex) return defaultValue;
    }
    if (hex) return static_cast<int>(*hex);
    return ParseDecimal(text).value_or(defaultValue);
}
