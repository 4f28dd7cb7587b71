#include "radio/untInterface.h"

#include <exception>
#include <string>

#include "base/Exceptions.h"

#include "media/untZYNWinAmpControl.h"
#include "radio/CPort.h"
#include "radio/untGpioInterface.h"
#include "radio/untUsbInterface.h"
#include "settings/untZYNClientSettings.h"

namespace {
const int InputStartDelayMs = 1000;
} // namespace

TInterface::TInterface(TZYNClientSettings& settings, TSerialPlatform& serial, THidPlatform& hid,
    TSoundCardLink& cardLink, TMediaMixer& mixer)
    : FSettings(settings)
{
    FMediaControl = std::make_unique<TZYNWinAmpControl>(settings, mixer);
    try {
        FSettings.OnInterfaceChange = [this](TObject*) { ApplyInterfaceSettings(); };

        FComPort = std::make_unique<TComPort>(serial);
        // The USB interface looks for its device while it is being built, before
        // these subscriptions exist: a device present now raises no arrival, and
        // the ApplyInterfaceSettings below finds it through Connected.
        FUsbInterface = std::make_unique<TUsbInterface>(hid);
        FUsbInterface->OnConnected = [this](TObject* Sender) { UsbArrived(Sender); };
        FUsbInterface->OnDisconnected = [this](TObject* Sender) { UsbRemoved(Sender); };
        FUsbInterface->OnRigRxIn = [this](TObject* Sender, bool Level) { HandleRigRxInput(Sender, Level); };
        // Likewise the sound card's GPIO.
        FGpioInterface = std::make_unique<TGpioInterface>(hid, cardLink);
        FGpioInterface->OnConnected = [this](TObject*) { GpioArrived(); };
        FGpioInterface->OnDisconnected = [this](TObject*) { GpioRemoved(); };

        // Their intervals come with the configuration below.
        FSquelchSettleTimer = std::make_unique<TTimer>(0, false, TTimerRepeat::OneShot);
        FSquelchSettleTimer->OnTimer = [this](TObject* Sender) { SquelchSettleTimerFired(Sender); };
        FRxReleaseTimer = std::make_unique<TTimer>(0, false, TTimerRepeat::OneShot);
        FRxReleaseTimer->OnTimer = [this](TObject* Sender) { RxReleaseTimerFired(Sender); };
        FInputStartTimer = std::make_unique<TTimer>(InputStartDelayMs, false, TTimerRepeat::OneShot);
        FInputStartTimer->OnTimer = [this](TObject* Sender) { InputStartTimerFired(Sender); };

        ApplyInterfaceSettings();
    } catch (...) {
        // A part that failed to start (or a control line that could not be
        // set) leaves no subscription behind pointing at this half-built
        // object.
        Unsubscribe();
        throw;
    }
}

void TInterface::Unsubscribe()
{
    FSettings.OnInterfaceChange = nullptr;
    if (FUsbInterface) {
        FUsbInterface->OnConnected = nullptr;
        FUsbInterface->OnDisconnected = nullptr;
        FUsbInterface->OnRigRxIn = nullptr;
    }
    if (FGpioInterface) {
        FGpioInterface->OnConnected = nullptr;
        FGpioInterface->OnDisconnected = nullptr;
    }
    if (FComPort) {
        FComPort->OnCTSChange = nullptr;
        FComPort->OnDSRChange = nullptr;
    }
}

TInterface::~TInterface()
{
    // First of all: the settings outlive this object, and writing the PTT
    // off, closing the device (a failed write closes it at once) and closing
    // the port all raise notices. None may reach a half-destroyed interface.
    Unsubscribe();
    // A device that no longer takes reports is closed below anyway; a
    // destructor has no caller to report a failed write to.
    try {
        if (FUsbInterface->Connected()) FUsbInterface->SetPttOutput(false);
    } catch (const Exception&) {
    }
    try {
        FGpioInterface->Release();
    } catch (const Exception&) {
    }
    // The members go in reverse order: the timers, the GPIO and the USB
    // interface (closing their devices), the serial port (closing it, its
    // PTT line not written first), then the media control.
}

bool TInterface::GpioConnected() const
{
    return FGpioInterface->Connected();
}

bool TInterface::GpioKeys() const
{
    return KeysRadio(FConfig) && !FUsbInterface->Connected() && FGpioInterface->Connected();
}

bool TInterface::TailFollows() const
{
    return FSettings.SendID() || FSettings.CourtesySoundEnable();
}

bool TInterface::UsbConnected() const
{
    return FUsbInterface->Connected();
}

bool TInterface::ComPortOpen() const
{
    return FComPort->Connected();
}

void TInterface::ApplyInterfaceSettings()
{
    FConfig = RigConfigOf(FSettings);
    FGpioInterface->Configure(FConfig.OutputDevice, FConfig.GpioPin);
    FInputStartTimer->SetEnabled(false);
    FComPortFailed = false;

    FComPort->OnCTSChange = nullptr;
    FComPort->OnDSRChange = nullptr;
    try {
        FComPort->ClosePort();
    } catch (const Exception&) {
        // A port that will not close cleanly is left to the open below.
    }

    if (NeedsPort(FConfig)) {
        if (FUsbInterface->Connected()) {
            // The USB interface takes both keying and receive input; the
            // serial port stays closed.
            HandleRigRxInput(FUsbInterface.get(), true);
        } else if (!GpioKeys()) {
            OpenPort(KeysRadio(FConfig));
        } else if (FConfig.VoIPComKeying) {
            // The sound card's GPIO keys; the port serves the receive input.
            OpenPort(false);
        }
    }

    FSquelchSettleTimer->SetInterval(FConfig.SquelchSetlingTime);
    FRxReleaseTimer->SetInterval(RxReleaseIntervalMs(FConfig));

    OnInterfaceChange(this);
}

void TInterface::OpenPort(bool portKeys)
{
    FComPort->SetPort(FConfig.PortName);
    try {
        FComPort->OpenPort();
    } catch (const Exception&) {
        // Reported as OnCommError below.
    }
    if (!FComPort->Connected()) {
        FComPortFailed = true;
        OnCommError(this);
        return;
    }
    if (FConfig.VoIPComKeying) {
        auto handler = [this](TObject* Sender, bool Level) { HandleRigRxInput(Sender, Level); };
        if (FConfig.VoIPComDsr)
            FComPort->OnDSRChange = handler;
        else
            FComPort->OnCTSChange = handler;
        FInputStartTimer->SetEnabled(true);
    }
    // The PTT line is written idle whatever the keying state holds.
    for (const TLineLevel& line : IdleLines(FConfig, portKeys)) SetLine(line.Line, line.Level);
}

void TInterface::SetLine(TRigLine line, bool level)
{
    if (line == TRigLine::DTR)
        FComPort->SetDTR(level);
    else
        FComPort->SetRTS(level);
}

void TInterface::SetTransmitRequest(bool Active, bool Primary)
{
    if (Primary)
        FPttPrimary = Active;
    else
        FPttSecondary = Active;

    bool ptt = FPttPrimary || FPttSecondary;
    // A secondary release with an ID or courtesy sound to follow unkeys even
    // a primary request.
    if (!Primary && !Active && TailFollows()) ptt = false;

    if (ptt == FPtt) return;
    FPtt = ptt;
    OnPttChange(this, ptt);

    // A failed PTT write goes to the caller once the rest of the change is
    // done, so the squelch still settles and the media come back.
    std::exception_ptr failure;
    const TPttOutput output = PttOutput();
    if (FConfig.RadioAttached) {
        if (ptt) FSquelchSettled = false;
        if (FConfig.RigComKeying) {
            try {
                WritePtt(output, ptt);
            } catch (const Exception&) {
                failure = std::current_exception();
            }
        }
        // Counts the settle time from the moment of unkeying.
        FSquelchSettleTimer->SetEnabled(!ptt);
    }

    if (FPtt)
        FMediaControl->MuteMedia();
    else if (!FRigRx)
        FMediaControl->RestoreMedia();

    if (!failure) return;
    if (!ptt) ReleaseStuckPtt(output);
    std::rethrow_exception(failure);
}

TInterface::TPttOutput TInterface::PttOutput() const
{
    if (FUsbInterface->Connected()) return TPttOutput::Usb;
    if (FGpioInterface->Connected()) return TPttOutput::Gpio;
    if (FComPort->Connected()) return TPttOutput::Port;
    return TPttOutput::None;
}

void TInterface::WritePtt(TPttOutput output, bool ptt)
{
    switch (output) {
    case TPttOutput::Usb:
        FUsbInterface->SetPttOutput(ptt);
        break;
    case TPttOutput::Gpio:
        FGpioInterface->SetPttOutput(ptt);
        break;
    case TPttOutput::Port:
        SetLine(PttLine(FConfig), PttLevel(FConfig, ptt));
        break;
    case TPttOutput::None:
        break;
    }
}

void TInterface::ReleaseStuckPtt(TPttOutput output)
{
    // A PTT output that would not go idle must not hold the radio keyed. The
    // USB interface and the sound card's GPIO are opened afresh, which
    // writes them released as their first report; the serial port is
    // closed, which drops RTS and DTR (HUPCL), and opened again with its
    // lines idle. What fails on the way is the fault the caller already
    // reports; a port that does not come back is shown as unavailable, an
    // interface that takes no report is closed.
    try {
        if (output == TPttOutput::Usb)
            FUsbInterface->ScanForInterface();
        else if (output == TPttOutput::Gpio)
            FGpioInterface->Reopen();
        else
            ApplyInterfaceSettings();
    } catch (const Exception&) {
    }
}

void TInterface::HandleRigRxInput(TObject*, bool Level)
{
    if (!FConfig.VoIPComKeying) return;
    const bool active = ReceiveActive(FConfig, Level);
    if (active == FRigRx) return;
    if (active) {
        FRigRx = true;
        ReportRigRx();
    } else {
        FRigRx = false;
        FRxReleaseTimer->SetEnabled(false);
        FRxReleased = false;
        FRxReleaseTimer->SetEnabled(true);
    }
}

void TInterface::ReportRigRx()
{
    // Read as it stands now, like the ID and courtesy settings.
    if (FSettings.Status() != 0) return;
    if (FRigRx) {
        if (FSquelchSettled) {
            FMediaControl->MuteMedia();
            OnRigRxChange(this, true);
        }
    } else if (FRxReleased) {
        if (!(TailFollows() && FPtt)) FMediaControl->RestoreMedia();
        OnRigRxChange(this, false);
    }
}

void TInterface::SquelchSettleTimerFired(TObject*)
{
    FSquelchSettled = true;
    if (FRigRx) ReportRigRx();
}

void TInterface::RxReleaseTimerFired(TObject*)
{
    FRxReleased = true;
    if (!FRigRx) ReportRigRx();
}

void TInterface::InputStartTimerFired(TObject*)
{
    // The port reported its lines at open, before anyone listened, so the
    // input's level is taken over now. It is read rather than assumed low, so
    // a radio that began receiving within the first second is not reported
    // idle while it still receives.
    bool level = false;
    if (FComPort->Connected()) {
        try {
            const TModemLines lines = FComPort->ModemSignals();
            level = FConfig.VoIPComDsr ? lines.DSR : lines.CTS;
        } catch (const EComPort&) {
            // Unreadable lines count as low, as before any change.
        }
    }
    HandleRigRxInput(this, level);
}

void TInterface::UsbArrived(TObject*)
{
    ApplyInterfaceSettings();
    OnUsbConnection(this, true);
}

void TInterface::UsbRemoved(TObject*)
{
    ApplyInterfaceSettings();
    OnUsbConnection(this, false);
}

void TInterface::GpioArrived()
{
    ApplyInterfaceSettings();
    OnGpioConnection(this, true);
}

void TInterface::GpioRemoved()
{
    ApplyInterfaceSettings();
    OnGpioConnection(this, false);
}
