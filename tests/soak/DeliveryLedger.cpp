#include "DeliveryLedger.h"

#include <algorithm>

namespace {
constexpr std::size_t RecentKept = 64;
constexpr std::size_t FaultsKept = 10;

std::string Shown(const std::string& text)
{
    std::string out;
    for (unsigned char c : text.substr(0, 40)) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            static const char hex[] = "0123456789ABCDEF";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return "\"" + out + (text.size() > 40 ? "...\"" : "\"");
}
} // namespace

void TDeliveryLedger::Sent(const std::string& text, std::int64_t atMs, bool noisy)
{
    FPending.push_back({text, atMs, noisy});
    ++CountsFor(noisy).sent;
}

void TDeliveryLedger::Received(const std::string& text, std::int64_t atMs, bool noisy)
{
    const auto match =
        std::find_if(FPending.begin(), FPending.end(), [&](const TPending& p) { return p.text == text; });
    if (match == FPending.end()) {
        const bool again =
            std::find(FRecentlyDelivered.begin(), FRecentlyDelivered.end(), text) != FRecentlyDelivered.end();
        if (again) {
            ++CountsFor(noisy).duplicated;
            Fault(noisy, "delivered twice at " + std::to_string(atMs) + " ms: " + Shown(text));
        } else {
            ++CountsFor(noisy).unsent;
            std::string likeness;
            if (!FPending.empty()) {
                // Most often a damaged copy of the message on its way.
                const std::string& due = FPending.front().text;
                const auto diff = std::mismatch(due.begin(), due.end(), text.begin(), text.end());
                likeness = " (the message due has " + std::to_string(due.size()) + " characters, this one "
                    + std::to_string(text.size()) + ", first difference at " + std::to_string(diff.first - due.begin())
                    + ")";
            }
            Fault(noisy, "delivered but never sent, at " + std::to_string(atMs) + " ms: " + Shown(text) + likeness);
        }
        return;
    }
    // Messages arrive in the order they were sent: those ahead of this one
    // are not coming any more.
    for (auto p = FPending.begin(); p != match; ++p) {
        ++CountsFor(p->noisy).lost;
        Fault(p->noisy, "lost, sent at " + std::to_string(p->sentAtMs) + " ms: " + Shown(p->text));
    }
    ++CountsFor(match->noisy).delivered;
    FRecentlyDelivered.push_back(match->text);
    if (FRecentlyDelivered.size() > RecentKept) FRecentlyDelivered.pop_front();
    FPending.erase(FPending.begin(), match + 1);
}

void TDeliveryLedger::Finish()
{
    for (const TPending& p : FPending) {
        ++CountsFor(p.noisy).lost;
        Fault(p.noisy, "never arrived, sent at " + std::to_string(p.sentAtMs) + " ms: " + Shown(p.text));
    }
    FPending.clear();
}

void TDeliveryLedger::Fault(bool noisy, const std::string& what)
{
    if (!noisy && FQuietFaults.size() < FaultsKept) FQuietFaults.push_back(what);
}
