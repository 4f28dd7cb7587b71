#include "TimerQueue.h"

TTimerQueue::Id TTimerQueue::Add(std::int64_t dueUs, std::function<void()> fn)
{
    const Id id = next_++;
    entries_.emplace(Key{dueUs, id}, std::move(fn));
    dueById_.emplace(id, dueUs);
    return id;
}

void TTimerQueue::Remove(Id id)
{
    const auto found = dueById_.find(id);
    if (found == dueById_.end()) return;
    entries_.erase(Key{found->second, id});
    dueById_.erase(found);
}

std::optional<std::int64_t> TTimerQueue::NextDueUs() const
{
    if (entries_.empty()) return std::nullopt;
    return entries_.begin()->first.due;
}

std::optional<std::function<void()>> TTimerQueue::TakeDue(std::int64_t nowUs)
{
    if (entries_.empty() || entries_.begin()->first.due > nowUs) return std::nullopt;
    auto first = entries_.begin();
    std::function<void()> fn = std::move(first->second);
    dueById_.erase(first->first.id);
    entries_.erase(first);
    return fn;
}
