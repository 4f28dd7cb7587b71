#include "HistoryRecord.h"

#include "desktop/MessageHistory.h"
#include "station/MessageRecord.h"

void AppendToHistory(TMessageHistory& history, const TMessageRecord& record)
{
    const TMessageText& message = record.Message;
    if (record.IsSent()) {
        if (record.State == TSendState::Sent)
            history.Append(THistoryEntry::Sent, message.Sender, message.Text, record.Time);
        else if (record.State == TSendState::Failed)
            history.Append(THistoryEntry::NotSent, message.Sender, message.Text, record.Time, record.FailReason);
        return;
    }
    if (record.Type == TMessageType::Sms)
        history.Append(THistoryEntry::Heard, message.Sender, message.Text, record.Time, {},
            THistoryMarks {message.Doubt, message.NotHeard, message.SenderDoubtful});
}
