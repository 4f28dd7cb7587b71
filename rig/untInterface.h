#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "base/Event.h"
#include "base/Object.h"
#include "rig/ChannelState.h"
#include "rig/RigConfig.h"

class TGpioInterface;
class TGpioKeying;
class THidPlatform;
class TPttOutput;
class TRxInput;
class TSerialKeying;
class TSerialPlatform;
class TSoundCardLink;
class TTimer;
class TUsbKeying;
class TZYNClientSettings;

using TRigRxChangeEvent = TEvent<TObject*, bool>;
using TUsbConnectionEvent = TEvent<TObject*, bool>;
using TPttChangeEvent = TEvent<TObject*, bool>;

// The one object through which the program touches the radio's control
// lines. It keys the transmitter through the first connected of its outputs
// (the USB radio interface, a sound card's GPIO, a serial port's RTS or DTR),
// or not at all when the radio's VOX keys itself; it follows the radio's
// receive input (the USB interface's, else CTS or DSR) through the channel's
// timers, and tells its listeners of keying and reception. A settings change
// reconfigures only the output whose settings changed.
class TInterface : public TObject {
public:
    // A serial port or USB interface that is missing or fails is reported
    // (OnCommError, ComPortProblem, the main loop's error report), never
    // thrown: the program starts without it.
    TInterface(TZYNClientSettings& settings, TSerialPlatform& serial, THidPlatform& hid, TSoundCardLink& cardLink);
    ~TInterface() override;

    // A keying request of one source: the primary source is the message
    // transmitter; the secondary one has no caller in this program. A failed
    // write of the PTT reaches the caller once the change is done.
    void SetTransmitRequest(bool active, bool primary);
    // Takes the settings over; each output is reconfigured only where its
    // own settings (or which output goes first) changed.
    void ApplyInterfaceSettings();
    bool UsbConnected() const;
    // A sound card's GPIO is there to key (the USB interface goes first).
    bool GpioConnected() const;
    const TGpioInterface& GpioInterface() const;

    TRigRxChangeEvent OnRigRxChange;
    // The keying state changed; raised once the line was written, also when
    // the write failed.
    TPttChangeEvent OnPttChange;
    TNotifyEvent OnInterfaceChange;
    TNotifyEvent OnCommError;
    TUsbConnectionEvent OnUsbConnection;
    // A sound card's GPIO arrived (true) or went away (false).
    TUsbConnectionEvent OnGpioConnection;

    // State, for the settings dialog, the ducking and tests.
    bool Ptt() const { return FPtt; }
    bool PttPrimary() const { return FPttPrimary; }
    bool RigRx() const { return FChannel.RigRx(); }
    // An ID or courtesy sound follows a transmission. Not interface
    // settings, so read when used.
    bool TailFollows() const;
    bool SquelchSettled() const { return FChannel.SquelchSettled(); }
    bool ComPortOpen() const;
    // The last configuration needed the serial port and could not use it.
    bool ComPortFailed() const;
    // Why, and what to do about it.
    std::string ComPortProblem() const;
    const TTimer& RxReleaseTimer() const { return FChannel.RxReleaseTimer(); }

private:
    // The output that keys now: the first connected one.
    TPttOutput* Keyer() const;
    void HandleRigRxInput(bool level);
    void Report(bool rigRx);
    void SerialReopened();

    TZYNClientSettings& FSettings;
    TRigConfig FConfig; // as of the last ApplyInterfaceSettings
    std::unique_ptr<TUsbKeying> FUsb;
    std::unique_ptr<TGpioKeying> FGpio;
    std::unique_ptr<TSerialKeying> FSerial;
    // The keying choice: outputs and inputs in priority order.
    std::array<TPttOutput*, 3> FOutputs {};
    std::array<TRxInput*, 2> FInputs {};
    TChannelState FChannel;
    bool FPttPrimary = false;
    bool FPttSecondary = false;
    bool FPtt = false;
    std::vector<TConnection> FConnections;
};
