#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// What one station sent to another, in order, and what became of it at the
// other end: delivered unchanged, lost, delivered twice, or a text arriving
// that was never sent (a corrupted or made-up message). Each outcome is
// counted apart for quiet and for noisy stretches of the channel.
class TDeliveryLedger {
public:
    struct TCounts {
        std::uint64_t sent = 0;
        std::uint64_t delivered = 0;
        std::uint64_t lost = 0;
        std::uint64_t duplicated = 0;
        std::uint64_t unsent = 0; // received, but never sent
    };

    // `text` as the receiver will deliver it.
    void Sent(const std::string& text, std::int64_t atMs, bool noisy);
    void Received(const std::string& text, std::int64_t atMs, bool noisy);
    // Whatever is still on its way now is lost.
    void Finish();

    const TCounts& Quiet() const { return FQuiet; }
    const TCounts& Noisy() const { return FNoisy; }
    // The first faults in quiet stretches, described.
    const std::vector<std::string>& QuietFaults() const { return FQuietFaults; }

private:
    struct TPending {
        std::string text;
        std::int64_t sentAtMs;
        bool noisy;
    };
    TCounts& CountsFor(bool noisy) { return noisy ? FNoisy : FQuiet; }
    void Fault(bool noisy, const std::string& what);

    std::deque<TPending> FPending;
    std::deque<std::string> FRecentlyDelivered; // to tell a duplicate from a made-up text
    TCounts FQuiet;
    TCounts FNoisy;
    std::vector<std::string> FQuietFaults;
};
