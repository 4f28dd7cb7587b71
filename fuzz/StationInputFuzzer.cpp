// What other programs hand to the station: a line of standard input (plain
// or JSON) and a D-Bus Send argument (UTF-16 on the bus), through the one
// text check. Besides not crashing: an accepted text is at most 160
// characters of Windows-1252 without control bytes that reads back as the
// text given, and every JSON line written (errors, records of any body) is
// one valid JSON object on one line.
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "app/OutgoingText.h"
#include "app/StationJson.h"
#include "base/CodePage.h"
#include "modem/MessageText.h"
#include "station/MessageRecord.h"

namespace {

void CheckAccepted(const std::string& utf8)
{
    const TOutgoingText checked = CheckOutgoingText(utf8);
    FuzzCheck(checked.Ok == checked.Message.empty(), "a refusal without a reason, or an acceptance with one");
    if (!checked.Ok) return;
    FuzzCheck(!checked.Bytes.empty() && checked.Bytes.size() <= MaxOutgoingTextLength, "accepted length out of range");
    for (const char c : checked.Bytes) {
        const auto b = static_cast<unsigned char>(c);
        FuzzCheck(b >= 0x20 && b != 0x7F, "a control byte was accepted");
    }
    FuzzCheck(Cp1252ToUtf8(checked.Bytes) == utf8, "the bytes on the air do not read back as the text");
}

void CheckLine(const std::string& line)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    FuzzCheck(document.isObject(), "a written line is not a JSON object");
    FuzzCheck(line.find('\n') == std::string::npos, "a written line holds a line break");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();
    const std::string rest = in.Rest();

    if (mode & 1) {
        // A D-Bus string argument: any UTF-16, as the bus delivers it.
        const QString argument(reinterpret_cast<const QChar*>(rest.data()), static_cast<qsizetype>(rest.size() / 2));
        CheckAccepted(argument.toStdString());
    } else {
        const TInputLine read = ReadInputLine(rest);
        if (read.Kind == TInputLine::TKind::Text) CheckAccepted(read.Text);
        if (read.Kind == TInputLine::TKind::Error) CheckLine(ErrorJson(read.Code, read.Message));
        FuzzCheck(read.Kind != TInputLine::TKind::Skip || rest.empty() || rest == "\r", "a line with text was skipped");
    }

    // Whatever was heard becomes a valid record line.
    TMessageRecord record;
    record.RawBody = rest;
    record.Message = ReadMessageText(TMessageType::Sms, rest);
    CheckLine(RecordJson(record));
    return 0;
}
