#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "Object.h"

namespace EventDetail {
// One listener of an event. The event owns it; a connection only watches it,
// so either may go first.
struct TSlot {
    bool Connected = true;
};
} // namespace EventDetail

// A listener's hold on an event: move-only, and it disconnects the listener
// when destroyed. Declare it after whatever the handler uses, so that the
// connection ends before what it points at.
class [[nodiscard]] TConnection {
public:
    TConnection() = default;
    explicit TConnection(std::weak_ptr<EventDetail::TSlot> slot)
        : FSlot(std::move(slot))
    {
    }
    TConnection(TConnection&& other) noexcept
        : FSlot(std::exchange(other.FSlot, {}))
    {
    }
    TConnection& operator=(TConnection&& other) noexcept
    {
        if (this != &other) {
            Disconnect();
            FSlot = std::exchange(other.FSlot, {});
        }
        return *this;
    }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;
    ~TConnection() { Disconnect(); }

    void Disconnect()
    {
        if (const auto slot = FSlot.lock()) slot->Connected = false;
        FSlot.reset();
    }
    bool Connected() const
    {
        const auto slot = FSlot.lock();
        return slot && slot->Connected;
    }

private:
    std::weak_ptr<EventDetail::TSlot> FSlot;
};

// An event with any number of listeners, called in the order they connected.
// The first argument of every event in this program is the Sender (the
// raising object). A listener connected while the event is raised hears the
// next one; a listener disconnected while it is raised is not called again,
// not even later in the same raise.
template <typename... Args> class TEvent {
public:
    using Handler = std::function<void(Args...)>;

    TEvent() = default;
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;
    ~TEvent() { *FAlive = false; }

    TConnection Connect(Handler handler)
    {
        if (FRaising == 0) Prune();
        auto slot = std::make_shared<TListener>();
        slot->Call = std::move(handler);
        FListeners.push_back(slot);
        return TConnection(std::weak_ptr<EventDetail::TSlot>(slot));
    }

    bool HasListeners() const
    {
        for (const auto& listener : FListeners)
            if (listener->Connected) return true;
        return false;
    }

    // Raising allocates nothing (events fire for every audio buffer). A
    // listener may destroy the raising object: nothing of it is touched
    // after that.
    void operator()(Args... args)
    {
        const std::shared_ptr<bool> alive = FAlive;
        // Counted down however the raise ends, a listener's exception
        // included, unless the event itself is gone.
        const TRaising raising(FRaising, *alive);
        // Listeners connected while this runs are not called: they are past n.
        for (std::size_t i = 0, n = FListeners.size(); i < n; ++i) {
            const std::shared_ptr<TListener> listener = FListeners[i];
            if (listener->Connected) listener->Call(args...);
            if (!*alive) return;
        }
    }

private:
    struct TListener : EventDetail::TSlot {
        Handler Call;
    };
    class TRaising {
    public:
        TRaising(int& count, const bool& alive)
            : FCount(count)
            , FAlive(alive)
        {
            ++FCount;
        }
        TRaising(const TRaising&) = delete;
        TRaising& operator=(const TRaising&) = delete;
        ~TRaising()
        {
            if (FAlive) --FCount;
        }

    private:
        int& FCount;
        const bool& FAlive;
    };

    void Prune()
    {
        std::erase_if(FListeners, [](const auto& listener) { return !listener->Connected; });
    }

    std::vector<std::shared_ptr<TListener>> FListeners;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
    int FRaising = 0;
};

using TNotifyEvent = TEvent<TObject*>;
