#pragma once

#include <functional>
#include <utility>

#include "Object.h"

// A single-subscriber event slot. Assigning replaces the subscriber, raising
// an empty slot does nothing. The first argument of every event in this
// program is the Sender (the raising object).
template <typename... Args> class TEvent {
public:
    using Handler = std::function<void(Args...)>;

    TEvent() = default;
    TEvent& operator=(Handler handler)
    {
        FHandler = std::move(handler);
        return *this;
    }
    TEvent& operator=(std::nullptr_t)
    {
        FHandler = nullptr;
        return *this;
    }

    void Clear() { FHandler = nullptr; }
    bool Assigned() const { return static_cast<bool>(FHandler); }
    explicit operator bool() const { return Assigned(); }

    // The handler is copied first so that a subscriber may replace or clear
    // the slot while it runs.
    void operator()(Args... args) const
    {
        if (!FHandler) return;
        Handler call = FHandler;
        call(std::forward<Args>(args)...);
    }

private:
    Handler FHandler;
};

using TNotifyEvent = TEvent<TObject*>;
