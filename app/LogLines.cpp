#include "LogLines.h"

#include <cmath>

#include "app/Cp1252Text.h"
#include "app/UiText.h"
#include "station/MessageRecord.h"

namespace {

// "(14 dB)", "(14 dB, 3 doubtful)", "(3 doubtful)" or nothing.
QString Quality(const TMessageRecord& record)
{
    const auto doubtful = static_cast<int>(record.Message.Doubt.size());
    const bool measured = !std::isnan(record.SnrDb);
    if (measured && doubtful > 0) return UiText("(%1 dB, %2 doubtful)").arg(std::lround(record.SnrDb)).arg(doubtful);
    if (measured) return UiText("(%1 dB)").arg(std::lround(record.SnrDb));
    if (doubtful > 0) return UiText("(%1 doubtful)").arg(doubtful);
    return {};
}

TLogLine SenderLine(const TMessageRecord& record)
{
    TLogLine line {FromCp1252(record.Message.Sender), {}};
    if (record.Message.SenderDoubtful)
        for (int i = 0; i < line.Text.size(); ++i) line.Marked.push_back(i);
    if (record.IsSent()) return line;
    const QString quality = Quality(record);
    if (!quality.isEmpty()) line.Text += QStringLiteral("   ") + quality;
    return line;
}

// The text after `prefix`, a character not heard shown as U+FFFD.
TLogLine TextLine(const TMessageRecord& record, const QString& prefix)
{
    QString text = FromCp1252(record.Message.Text);
    for (const std::size_t i : record.Message.NotHeard)
        if (i < static_cast<std::size_t>(text.size())) text[static_cast<int>(i)] = QChar(0xFFFD);
    TLogLine line {prefix + text, {}};
    for (const std::size_t i : record.Message.Doubt) line.Marked.push_back(static_cast<int>(i) + prefix.size());
    return line;
}

} // namespace

std::vector<TLogLine> LogLinesOf(const TMessageRecord& record)
{
    if (record.IsSent()) {
        if (record.State == TSendState::Queued) return {SenderLine(record), TextLine(record, QStringLiteral(">"))};
        if (record.State == TSendState::Failed)
            return {
                {UiText("Not sent (%1): %2").arg(QString::fromStdString(record.FailReason), FromCp1252(record.Message.Text)),
                    {}}};
        return {};
    }
    if (record.Type != TMessageType::Sms) return {};
    // "name>>text" is shown as the name, then ">text".
    if (!record.Message.HasSender) return {TextLine(record, QString())};
    return {SenderLine(record), TextLine(record, QStringLiteral(">"))};
}

QString DoubtTip()
{
    return UiText("Not received for sure: this character may be wrong");
}
