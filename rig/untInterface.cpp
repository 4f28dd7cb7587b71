#include "rig/untInterface.h"

#include <algorithm>
#include <exception>

#include "base/Exceptions.h"
#include "rig/GpioKeying.h"
#include "rig/SerialKeying.h"
#include "rig/UsbKeying.h"
#include "settings/untZYNClientSettings.h"

namespace {

// Something ahead of the item in the priority list is connected.
template <typename T, std::size_t N> bool ConnectedAhead(const std::array<T*, N>& list, const T* item)
{
    return std::any_of(list.begin(), std::find(list.begin(), list.end(), item), [](T* t) { return t->Connected(); });
}

} // namespace

TInterface::TInterface(
    TZYNClientSettings& settings, TSerialPlatform& serial, THidPlatform& hid, TSoundCardLink& cardLink)
    : FSettings(settings)
    , FUsb(std::make_unique<TUsbKeying>(hid))
    , FGpio(std::make_unique<TGpioKeying>(hid, cardLink))
    , FSerial(std::make_unique<TSerialKeying>(serial))
    , FOutputs {FUsb.get(), FGpio.get(), FSerial.get()}
    , FInputs {&FUsb->Input(), &FSerial->Input()}
{
    FConnections.push_back(FSettings.OnInterfaceChange.Connect([this](TObject*) { ApplyInterfaceSettings(); }));
    FConnections.push_back(FUsb->OnConnection.Connect([this](TObject*, bool connected) {
        ApplyInterfaceSettings();
        OnUsbConnection(this, connected);
    }));
    FConnections.push_back(FGpio->OnConnection.Connect([this](TObject*, bool connected) {
        ApplyInterfaceSettings();
        OnGpioConnection(this, connected);
    }));
    for (TRxInput* input : FInputs)
        FConnections.push_back(input->OnLevel.Connect([this](TObject*, bool level) { HandleRigRxInput(level); }));
    FConnections.push_back(FSerial->OnReopened.Connect([this](TObject*) { SerialReopened(); }));
    FConnections.push_back(FChannel.OnReport.Connect([this](TObject*, bool rigRx) { Report(rigRx); }));
    FConnections.push_back(FChannel.OnInputStart.Connect([this](TObject*) {
        // Read rather than assumed low, so a radio that began receiving
        // within the first second is not reported idle while it receives.
        HandleRigRxInput(FSerial->InputLevel());
    }));
    ApplyInterfaceSettings();
}

TInterface::~TInterface()
{
    // The settings outlive this object, and releasing the outputs and
    // closing their devices raise notices: none may reach a half-destroyed
    // interface. The outputs then release and close in reverse order.
    FConnections.clear();
}

bool TInterface::UsbConnected() const
{
    return FUsb->Connected();
}

bool TInterface::GpioConnected() const
{
    return FGpio->Connected();
}

const TGpioInterface& TInterface::GpioInterface() const
{
    return FGpio->Device();
}

bool TInterface::ComPortOpen() const
{
    return FSerial->PortOpen();
}

bool TInterface::ComPortFailed() const
{
    return FSerial->Failed();
}

std::string TInterface::ComPortProblem() const
{
    return FSerial->Problem();
}

bool TInterface::TailFollows() const
{
    return FSettings.SendID() || FSettings.CourtesySoundEnable();
}

TPttOutput* TInterface::Keyer() const
{
    for (TPttOutput* output : FOutputs)
        if (output->Connected()) return output;
    return nullptr;
}

void TInterface::ApplyInterfaceSettings()
{
    FConfig = RigConfigOf(FSettings);
    FGpio->Configure(FConfig.OutputDevice, FConfig.GpioPin);
    // The serial port keys where no output ahead of it does, and serves the
    // receive input where no input ahead of it does.
    const TSerialRole role {KeysRadio(FConfig) && !ConnectedAhead<TPttOutput>(FOutputs, FSerial.get()),
        FConfig.VoIPComKeying && !ConnectedAhead<TRxInput>(FInputs, &FSerial->Input())};
    FSerial->Configure(FConfig, role);
    // The USB interface's input counts as high until it reports.
    if (FUsb->Input().Connected()) HandleRigRxInput(true);
    FChannel.SetIntervals(FConfig.SquelchSetlingTime, RxReleaseIntervalMs(FConfig));
    OnInterfaceChange(this);
}

void TInterface::SerialReopened()
{
    FChannel.StopInput();
    if (FSerial->Failed()) {
        OnCommError(this);
        return;
    }
    if (FSerial->InputOpen()) FChannel.StartInput();
}

void TInterface::SetTransmitRequest(bool active, bool primary)
{
    if (primary)
        FPttPrimary = active;
    else
        FPttSecondary = active;

    bool ptt = FPttPrimary || FPttSecondary;
    // A secondary release with an ID or courtesy sound to follow unkeys even
    // a primary request.
    if (!primary && !active && TailFollows()) ptt = false;

    if (ptt == FPtt) return;
    FPtt = ptt;

    // A failed PTT write goes to the caller once the rest of the change is
    // done, so the squelch still settles and the listeners hear of it.
    std::exception_ptr failure;
    TPttOutput* const output = Keyer();
    if (FConfig.RadioAttached) {
        FChannel.Keyed(ptt);
        if (FConfig.RigComKeying && output) {
            try {
                output->Write(ptt);
            } catch (const Exception&) {
                failure = std::current_exception();
            }
        }
    }
    OnPttChange(this, ptt);

    if (!failure) return;
    // A PTT output that would not go idle must not hold the radio keyed.
    if (!ptt) output->ForceRelease();
    std::rethrow_exception(failure);
}

void TInterface::HandleRigRxInput(bool level)
{
    if (!FConfig.VoIPComKeying) return;
    FChannel.Input(ReceiveActive(FConfig, level));
}

void TInterface::Report(bool rigRx)
{
    // Read as it stands now, like the ID and courtesy settings.
    if (FSettings.Status() != 0) return;
    OnRigRxChange(this, rigRx);
}
