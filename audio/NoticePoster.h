#pragma once

#include <atomic>

#include "audio/SoundPlatform.h"

// Brings an open device's notices to its sink on the main thread, through
// the main loop, in posting order. Posting does not allocate (each notice
// captures two pointers, which std::function keeps in place).
class TNoticePoster {
public:
    explicit TNoticePoster(TSoundNoticeSink& sink)
        : FSink(sink)
    {
    }
    ~TNoticePoster() { Detach(); }
    TNoticePoster(const TNoticePoster&) = delete;
    TNoticePoster& operator=(const TNoticePoster&) = delete;

    // Any thread.
    void Opened();
    void Done(TWaveBuffer* buffer);
    void Closed();
    void Failed(TWaveResult code);

    // Main thread, once the posting threads have stopped: notices not yet
    // delivered are dropped, and this returns when none of them is left in
    // the main loop's queue, so none can reach a destroyed device.
    void Detach();

private:
    TSoundNoticeSink& FSink;
    std::atomic<int> FPending {0};
    bool FDetached = false; // main thread only
};
