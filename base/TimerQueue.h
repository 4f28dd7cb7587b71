#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

// Scheduled one-shot callbacks ordered by due time, then by scheduling order.
// Used by the loops that keep their own timers (virtual and real time).
class TTimerQueue {
public:
    using Id = std::uint64_t;

    Id Add(std::int64_t dueUs, std::function<void()> fn);
    void Remove(Id id);
    std::optional<std::int64_t> NextDueUs() const;
    // Takes the earliest entry if it is due at or before nowUs.
    std::optional<std::function<void()>> TakeDue(std::int64_t nowUs);
    bool Empty() const { return FEntries.empty(); }

private:
    struct Key {
        std::int64_t due;
        Id id;
        bool operator<(const Key& other) const { return due != other.due ? due < other.due : id < other.id; }
    };
    std::map<Key, std::function<void()>> FEntries;
    std::map<Id, std::int64_t> FDueById;
    Id FNext = 1;
};
