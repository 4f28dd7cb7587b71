#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TFFSKTranceiver;

// The one door through which other programs' texts reach the station: each
// text is checked (CheckOutgoingText) and queued only while fewer than
// MaxQueuedTexts of this station's texts wait to be sent. The count is the
// station's (queued until sent or failed), so texts typed in the window
// count too. The station's own queue keeps the 5 s pacing.
class TSendGate {
public:
    static constexpr std::size_t MaxQueuedTexts = 20;

    struct TResult {
        bool Ok = false;
        std::uint64_t Id = 0;
        std::string Code; // see CheckOutgoingText; "queue-full"
        std::string Message;
    };

    explicit TSendGate(TFFSKTranceiver& station);
    TSendGate(const TSendGate&) = delete;
    TSendGate& operator=(const TSendGate&) = delete;

    // text in UTF-8.
    TResult Send(const std::string& text);
    std::size_t Waiting() const;

private:
    TFFSKTranceiver& FStation;
};
