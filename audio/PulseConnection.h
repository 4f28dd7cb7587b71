#pragma once

#include <pulse/pulseaudio.h>

#include <functional>
#include <string>

// One connection to the sound server (PulseAudio, or PipeWire through its
// PulseAudio interface) with its own event thread. Everything that touches
// the server's objects runs with the connection locked (TLock); the
// callbacks run on the event thread, where it is locked already.
class TPulseConnection {
public:
    // Called on the event thread, locked, for each subscribed server event.
    using TEventHandler = std::function<void(pa_subscription_event_type_t type, std::uint32_t index)>;

    // Starts the event thread; connects nothing yet.
    explicit TPulseConnection(const std::string& clientName);
    ~TPulseConnection();
    TPulseConnection(const TPulseConnection&) = delete;
    TPulseConnection& operator=(const TPulseConnection&) = delete;

    class TLock {
    public:
        explicit TLock(TPulseConnection& connection)
            : FLoop(connection.FLoop)
        {
            pa_threaded_mainloop_lock(FLoop);
        }
        ~TLock() { pa_threaded_mainloop_unlock(FLoop); }
        TLock(const TLock&) = delete;
        TLock& operator=(const TLock&) = delete;

    private:
        pa_threaded_mainloop* FLoop;
    };

    // Locked: connected now, or connect (again, after the server went away).
    // false when no server answers. `events` are subscribed on every new
    // connection and go to OnEvent.
    bool Connect(pa_subscription_mask_t events = PA_SUBSCRIPTION_MASK_NULL);
    // Locked: the connection is up.
    bool Connected() const;
    // Locked: the context of a connection that is up.
    pa_context* Context() const { return FContext; }
    // Locked: wait until the operation is done and release it. The
    // operation's callback must call Signal.
    void Wait(pa_operation* operation);
    // Locked, event thread: wake the waits.
    void Signal() { pa_threaded_mainloop_signal(FLoop, 0); }
    // Locked: sleep until a callback signals.
    void WaitForSignal() { pa_threaded_mainloop_wait(FLoop); }
    // Locked: the server's last error as an errno-style code.
    int LastError() const;
    // Set before the first Connect.
    TEventHandler OnEvent;

private:
    void Disconnect();

    const std::string FClientName;
    pa_threaded_mainloop* FLoop = nullptr;
    pa_context* FContext = nullptr;
};

// An errno-style code for a sound server error number.
int ErrnoOfPulseError(int pulseError);
