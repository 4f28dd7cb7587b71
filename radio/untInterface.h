#pragma once

#include <memory>

#include "base/Event.h"
#include "base/Object.h"
#include "base/Timer.h"
#include "radio/RigConfig.h"

class TComPort;
class TGpioInterface;
class THidPlatform;
class TMediaMixer;
class TSoundCardLink;
class TSerialPlatform;
class TUsbInterface;
class TZYNClientSettings;
class TZYNWinAmpControl;

using TRigRxChangeEvent = TEvent<TObject*, bool>;
using TPttChangeEvent = TEvent<TObject*, bool>;
using TUsbConnectionEvent = TEvent<TObject*, bool>;

// The one object through which the program touches the radio's control
// lines. It keys the transmitter through the USB radio interface when one is
// plugged in, else through a sound card's GPIO when there is one, else
// through RTS or DTR of a serial port, or not at all when the radio's VOX
// keys itself; it follows the radio's receive input (CTS or DSR,
// or the USB interface's input) through a small debouncer; and it ducks the
// desktop media players while the channel is busy. Every interface setting
// change closes and reconfigures port, lines and timers at once.
class TInterface : public TObject {
public:
    TInterface(TZYNClientSettings& settings, TSerialPlatform& serial, THidPlatform& hid, TSoundCardLink& cardLink,
        TMediaMixer& mixer);
    ~TInterface() override;

    // A keying request of one source: the primary source is the message
    // transmitter; the secondary one has no caller in this program.
    void SetTransmitRequest(bool Active, bool Primary);
    // Closes and reconfigures port, lines and timers from the settings; the
    // only place the serial port is opened or closed.
    void ApplyInterfaceSettings();
    bool UsbConnected() const;
    // A sound card's GPIO is there to key (the USB interface goes first).
    bool GpioConnected() const;
    const TGpioInterface& GpioInterface() const { return *FGpioInterface; }

    TRigRxChangeEvent OnRigRxChange;
    // The keying request changed (true: keyed).
    TPttChangeEvent OnPttChange;
    TNotifyEvent OnInterfaceChange;
    TNotifyEvent OnCommError;
    TUsbConnectionEvent OnUsbConnection;
    // A sound card's GPIO arrived (true) or went away (false).
    TUsbConnectionEvent OnGpioConnection;

    // State, for the settings dialog and for tests.
    bool Ptt() const { return FPtt; }
    bool PttPrimary() const { return FPttPrimary; }
    bool RigRx() const { return FRigRx; }
    bool SquelchSettled() const { return FSquelchSettled; }
    bool ComPortOpen() const;
    // The last configuration needed the serial port and could not open it.
    bool ComPortFailed() const { return FComPortFailed; }
    const TTimer& RxReleaseTimer() const { return *FRxReleaseTimer; }
    TZYNWinAmpControl& MediaControl() { return *FMediaControl; }

private:
    // An ID or courtesy sound follows a transmission. Not interface
    // settings (changing them reconfigures nothing), so read when used.
    bool TailFollows() const;
    // The GPIO takes the keying: keying is on, it is connected and no USB
    // radio interface is.
    bool GpioKeys() const;
    void OpenPort(bool portKeys);
    void SetLine(TRigLine line, bool level);
    void HandleRigRxInput(TObject* Sender, bool Level);
    void ReportRigRx();
    void SquelchSettleTimerFired(TObject* Sender);
    void RxReleaseTimerFired(TObject* Sender);
    void InputStartTimerFired(TObject* Sender);
    void UsbArrived(TObject* Sender);
    void UsbRemoved(TObject* Sender);
    void GpioArrived();
    void GpioRemoved();
    // Which output keys the radio now, for a keying method that is on.
    enum class TPttOutput { None, Usb, Gpio, Port };
    TPttOutput PttOutput() const;
    void WritePtt(TPttOutput output, bool ptt);
    void ReleaseStuckPtt(TPttOutput output);
    void Unsubscribe();

    TZYNClientSettings& FSettings;
    TRigConfig FConfig; // as of the last ApplyInterfaceSettings
    // Created in this order and freed in reverse by the member order.
    std::unique_ptr<TZYNWinAmpControl> FMediaControl;
    std::unique_ptr<TComPort> FComPort;
    std::unique_ptr<TUsbInterface> FUsbInterface;
    std::unique_ptr<TGpioInterface> FGpioInterface;
    std::unique_ptr<TTimer> FSquelchSettleTimer;
    std::unique_ptr<TTimer> FRxReleaseTimer;
    std::unique_ptr<TTimer> FInputStartTimer;
    bool FPttPrimary = false;
    bool FPttSecondary = false;
    bool FPtt = false;
    bool FRigRx = false;
    bool FSquelchSettled = true;
    bool FRxReleased = true;
    bool FComPortFailed = false;
};
