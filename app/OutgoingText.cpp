#include "OutgoingText.h"

#include <QList>
#include <QString>

#include "base/CodePage.h"

namespace {

TOutgoingText Refused(const char* code, std::string message)
{
    TOutgoingText result;
    result.Code = code;
    result.Message = std::move(message);
    return result;
}

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

TOutgoingText CheckOutgoingText(const std::string& utf8)
{
    if (utf8.empty()) return Refused("empty", "the text is empty");
    // Counted before anything costly: a caller may hand over megabytes.
    if (utf8.size() > MaxOutgoingTextLength * 4)
        return Refused("too-long", "the text is longer than " + std::to_string(MaxOutgoingTextLength) + " characters");
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (text.toUtf8().toStdString() != utf8) return Refused("invalid-utf8", "the text is not valid UTF-8");
    const QList<uint> codes = text.toUcs4();
    if (codes.size() > static_cast<qsizetype>(MaxOutgoingTextLength))
        return Refused("too-long", "the text is longer than " + std::to_string(MaxOutgoingTextLength) + " characters");
    for (qsizetype i = 0; i < codes.size(); ++i)
        if (IsControl(codes[i]))
            return Refused("control-character",
                "the text holds a control character at position " + std::to_string(i + 1)
                    + " (line breaks and tabs cannot be sent)");
    // Each character becomes one byte, a character Windows-1252 cannot hold
    // a '?'.
    const std::string bytes = Utf8ToCp1252(utf8);
    if (bytes.size() != static_cast<std::size_t>(codes.size()))
        return Refused("not-windows-1252", "the text holds characters that cannot be sent");
    for (qsizetype i = 0; i < codes.size(); ++i)
        if (bytes[static_cast<std::size_t>(i)] == '?' && codes[i] != '?')
            return Refused("not-windows-1252",
                "the character at position " + std::to_string(i + 1) + " (U+"
                    + QString::number(codes[i], 16).toUpper().rightJustified(4, QLatin1Char('0')).toStdString()
                    + ") cannot be sent: the radio network's texts are Windows-1252");
    TOutgoingText result;
    result.Ok = true;
    result.Bytes = bytes;
    return result;
}
