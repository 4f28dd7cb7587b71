#include "StationJson.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <initializer_list>
#include <utility>

#include "app/Cp1252Text.h"
#include "station/MessageRecord.h"
#include "station/StationStatus.h"

namespace {

QJsonArray Positions(const std::vector<std::size_t>& indices)
{
    QJsonArray array;
    for (const std::size_t i : indices) array.append(static_cast<qint64>(i));
    return array;
}

std::string Line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

const char* StateName(TSendState state)
{
    // In the order of TSendState.
    static constexpr const char* Names[] = {"queued", "on-air", "sent", "failed"};
    return Names[static_cast<int>(state)];
}

} // namespace

std::string RecordJson(const TMessageRecord& record)
{
    QJsonObject object;
    object[QStringLiteral("event")] = QStringLiteral("message");
    object[QStringLiteral("direction")] = record.IsSent() ? QStringLiteral("sent") : QStringLiteral("heard");
    if (record.IsSent()) {
        object[QStringLiteral("state")] = QString::fromLatin1(StateName(record.State));
        // As a string: a 64-bit id loses digits in a JavaScript number.
        object[QStringLiteral("id")] = QString::number(record.Id);
        if (record.Failed()) object[QStringLiteral("reason")] = QString::fromStdString(record.FailReason);
    }
    object[QStringLiteral("type")] = record.Type == TMessageType::Sms ? QStringLiteral("sms") : QStringLiteral("loc");
    const TMessageText& message = record.Message;
    if (message.HasSender) object[QStringLiteral("sender")] = FromCp1252(message.Sender);
    object[QStringLiteral("text")] = FromCp1252(message.Text);
    object[QStringLiteral("body")] = FromCp1252(record.RawBody);
    object[QStringLiteral("damaged")] = record.Damaged();
    if (message.SenderDoubtful) object[QStringLiteral("senderDoubtful")] = true;
    if (!message.Doubt.empty()) object[QStringLiteral("doubt")] = Positions(message.Doubt);
    if (!message.NotHeard.empty()) object[QStringLiteral("notHeard")] = Positions(message.NotHeard);
    if (!std::isnan(record.SnrDb)) object[QStringLiteral("snrDb")] = std::round(record.SnrDb * 10) / 10;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(record.Time.time_since_epoch()).count();
    object[QStringLiteral("time")] = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
    return Line(object);
}

std::string StatusJson(const TStationStatus& status)
{
    QJsonObject object;
    object[QStringLiteral("event")] = QStringLiteral("status");
    object[QStringLiteral("keyed")] = status.Keyed;
    object[QStringLiteral("channelBusy")] = status.ChannelBusy;
    object[QStringLiteral("outputLost")] = status.OutputLost;
    object[QStringLiteral("inputLost")] = status.InputLost;
    if (status.OutputLost) object[QStringLiteral("outputReason")] = QString::fromStdString(status.OutputReason);
    if (status.InputLost) object[QStringLiteral("inputReason")] = QString::fromStdString(status.InputReason);
    return Line(object);
}

namespace {
// An event line whose fields are all texts.
std::string TextEventLine(const char* event, std::initializer_list<std::pair<const char*, std::string>> fields)
{
    QJsonObject object;
    object[QStringLiteral("event")] = QString::fromLatin1(event);
    for (const auto& [name, value] : fields) object[QString::fromLatin1(name)] = QString::fromStdString(value);
    return Line(object);
}
} // namespace

std::string ErrorJson(const std::string& code, const std::string& message)
{
    return TextEventLine("error", {{"code", code}, {"message", message}});
}

std::string ReadyJson(const std::string& settingsFile, const std::string& busName)
{
    return TextEventLine("ready", {{"settingsFile", settingsFile}, {"busName", busName}});
}

TInputLine ReadInputLine(const std::string& line)
{
    TInputLine result;
    std::string text = line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty()) return result;
    if (text.front() != '{') {
        result.Kind = TInputLine::TKind::Text;
        result.Text = std::move(text);
        return result;
    }
    result.Kind = TInputLine::TKind::Error;
    result.Code = "bad-json";
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError) {
        result.Message = "the line is not valid JSON: " + error.errorString().toStdString();
        return result;
    }
    const QJsonValue value = document.object().value(QStringLiteral("text"));
    if (!document.isObject() || !value.isString()) {
        result.Message = "a JSON line must be an object with a string field \"text\"";
        return result;
    }
    result.Kind = TInputLine::TKind::Text;
    result.Text = value.toString().toStdString();
    result.Code.clear();
    return result;
}
