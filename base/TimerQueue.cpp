#include "TimerQueue.h"

TTimerQueue::Id TTimerQueue::Add(std::int64_t dueUs, std::function<void()> fn)
{
    const Id id = FNext++;
    FEntries.emplace(Key {dueUs, id}, std::move(fn));
    FDueById.emplace(id, dueUs);
    return id;
}

void TTimerQueue::Remove(Id id)
{
    const auto found = FDueById.find(id);
    if (found == FDueById.end()) return;
    FEntries.erase(Key {found->second, id});
    FDueById.erase(found);
}

std::optional<std::int64_t> TTimerQueue::NextDueUs() const
{
    if (FEntries.empty()) return std::nullopt;
    return FEntries.begin()->first.due;
}

std::optional<std::function<void()>> TTimerQueue::TakeDue(std::int64_t nowUs)
{
    if (FEntries.empty() || FEntries.begin()->first.due > nowUs) return std::nullopt;
    auto first = FEntries.begin();
    std::function<void()> fn = std::move(first->second);
    FDueById.erase(first->first.id);
    FEntries.erase(first);
    return fn;
}
