#include "SendGate.h"

#include "app/OutgoingText.h"
#include "station/untFFSKTranceiver.h"

TSendGate::TSendGate(TFFSKTranceiver& station)
    : FStation(station)
    , FRecords(station.OnReceive.Connect([this](TObject*, const TMessageRecord& record) {
        if (!record.IsSent()) return;
        if (record.State == TSendState::Queued)
            FWaiting.insert(record.Id);
        else if (record.State == TSendState::Sent || record.State == TSendState::Failed)
            FWaiting.erase(record.Id);
    }))
{
}

TSendGate::TResult TSendGate::Send(const std::string& text)
{
    TResult result;
    const TOutgoingText checked = CheckOutgoingText(text);
    if (!checked.Ok) {
        result.Code = checked.Code;
        result.Message = checked.Message;
        return result;
    }
    if (FWaiting.size() >= MaxQueuedTexts) {
        result.Code = "queue-full";
        result.Message = std::to_string(FWaiting.size()) + " texts are waiting to be sent; try again later";
        return result;
    }
    result.Ok = true;
    result.Id = FStation.SendText(checked.Bytes);
    return result;
}
