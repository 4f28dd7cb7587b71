#include "SendGate.h"

#include "app/OutgoingText.h"
#include "station/untFFSKTranceiver.h"

TSendGate::TSendGate(TFFSKTranceiver& station)
    : FStation(station)
{
}

std::size_t TSendGate::Waiting() const
{
    return FStation.PendingTexts();
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
    if (Waiting() >= MaxQueuedTexts) {
        result.Code = "queue-full";
        result.Message = std::to_string(Waiting()) + " texts are waiting to be sent; try again later";
        return result;
    }
    result.Ok = true;
    result.Id = FStation.SendText(checked.Bytes);
    return result;
}
