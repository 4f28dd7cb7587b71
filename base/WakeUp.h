#pragma once

#include "base/FileDescriptor.h"

// An eventfd that a thread blocked in poll() watches beside its real
// descriptor, so that another thread can end the wait at once. Once raised
// it stays readable until drained, so every later wait ends too.
class TWakeUp {
public:
    // Valid() tells whether the eventfd could be made (errno says why not).
    TWakeUp();

    bool Valid() const { return FFd.Valid(); }
    int Fd() const { return FFd.Get(); }

    // Any thread: make the descriptor readable.
    void Raise() const;
    // Make it unreadable again, for a wake-up that is used more than once.
    void Drain() const;

private:
    TFileDescriptor FFd;
};
