#pragma once

#include <functional>
#include <utility>

#include "base/Event.h"
#include "base/Object.h"

// One way to key the radio's transmitter: the USB radio interface, a sound
// card's GPIO or a serial port's line. The rig holds its outputs in priority
// order, and the first connected one keys.
class TPttOutput : public TObject {
public:
    // Present and able to key now.
    virtual bool Connected() const = 0;
    // Keys (true) or releases the transmitter; nothing when not connected.
    // A failed write raises the device's exception.
    virtual void Write(bool ptt) = 0;
    // After a release that failed: brings the output to rest another way
    // (opening the device afresh), never throwing; an output that does not
    // come back is let go.
    virtual void ForceRelease() = 0;

    // The device arrived (true) or went away (false) by itself.
    TEvent<TObject*, bool> OnConnection;
};

// One source of the radio's "receiving" signal: a serial port's CTS or DSR,
// or the USB radio interface's input. The rig holds them in priority order
// too: an input ahead that is connected leaves the ones behind it unused.
// Its owner (the serial line, the USB interface) tells whether it is
// connected.
class TRxInput final : public TObject {
public:
    explicit TRxInput(std::function<bool()> connected)
        : FConnected(std::move(connected))
    {
    }
    bool Connected() const { return FConnected(); }

    // The raw level of the input changed (or was reported as it stands).
    TEvent<TObject*, bool> OnLevel;

private:
    std::function<bool()> FConnected;
};
