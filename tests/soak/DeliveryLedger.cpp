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
    pending_.push_back({text, atMs, noisy});
    ++CountsFor(noisy).sent;
}

void TDeliveryLedger::Received(const std::string& text, std::int64_t atMs, bool noisy)
{
    const auto match = std::find_if(pending_.begin(), pending_.end(), [&](const TPending& p) { return p.text == text; });
    if (match == pending_.end()) {
        const bool again = std::find(recentlyDelivered_.begin(), recentlyDelivered_.end(), text) != recentlyDelivered_.end();
        if (again) {
            ++CountsFor(noisy).duplicated;
            Fault(noisy, "delivered twice at " + std::to_string(atMs) + " ms: " + Shown(text));
        } else {
            ++CountsFor(noisy).unsent;
            std::string likeness;
            if (!pending_.empty()) {
                // Most often a damaged copy of the message on its way.
                const std::string& due = pending_.front().text;
                const auto diff = std::mismatch(due.begin(), due.end(), text.begin(), text.end());
                likeness = " (the message due has " + std::to_string(due.size()) + " characters, this one " +
                           std::to_string(text.size()) + ", first difference at " +
                           std::to_string(diff.first - due.begin()) + ")";
            }
            Fault(noisy, "delivered but never sent, at " + std::to_string(atMs) + " ms: " + Shown(text) + likeness);
        }
        return;
    }
    // Messages arrive in the order they were sent: those ahead of this one
    // are not coming any more.
    for (auto p = pending_.begin(); p != match; ++p) {
        ++CountsFor(p->noisy).lost;
        Fault(p->noisy, "lost, sent at " + std::to_string(p->sentAtMs) + " ms: " + Shown(p->text));
    }
    ++CountsFor(match->noisy).delivered;
    recentlyDelivered_.push_back(match->text);
    if (recentlyDelivered_.size() > RecentKept) recentlyDelivered_.pop_front();
    pending_.erase(pending_.begin(), match + 1);
}

void TDeliveryLedger::Finish()
{
    for (const TPending& p : pending_) {
        ++CountsFor(p.noisy).lost;
        Fault(p.noisy, "never arrived, sent at " + std::to_string(p.sentAtMs) + " ms: " + Shown(p.text));
    }
    pending_.clear();
}

void TDeliveryLedger::Fault(bool noisy, const std::string& what)
{
    if (!noisy && quietFaults_.size() < FaultsKept) quietFaults_.push_back(what);
}
