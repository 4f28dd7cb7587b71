#include "rig/SerialKeying.h"

#include "rig/ComPortProblem.h"

TSerialKeying::TSerialKeying(TSerialPlatform& serial)
    : FPort(std::make_unique<TComPort>(serial))
    , FInput([this] { return InputOpen(); })
{
}

TSerialKeying::~TSerialKeying() = default;

void TSerialKeying::Configure(const TRigConfig& config, TSerialRole role)
{
    const bool needed = role.Keys || role.Input;
    const bool unchanged = role == FRole && SameSerialSettings(config, FConfig);
    FConfig = config;
    FRole = role;
    // A port that failed is tried again at every configuration.
    if (unchanged && FPort->Connected() == needed && !Failed()) return;
    Reopen();
}

void TSerialKeying::Reopen()
{
    Close();
    FProblem.clear();
    if (FRole.Keys || FRole.Input) Open();
    OnReopened(this);
}

void TSerialKeying::Open()
{
    try {
        FPort->SetPort(FConfig.PortName);
        FPort->OpenPort();
        if (FRole.Input) {
            TComSignalEvent& line = FConfig.VoIPComDsr ? FPort->OnDSRChange : FPort->OnCTSChange;
            FLevel = line.Connect([this](TObject*, bool level) { FInput.OnLevel(&FInput, level); });
        }
        // The PTT line is written idle whatever the keying state holds.
        for (const TLineLevel& line : IdleLines(FConfig, FRole.Keys)) SetLine(line.Line, line.Level);
    } catch (const EComPort& e) {
        // A port whose lines cannot be set is not used: closed, it holds
        // neither line up.
        Close();
        FProblem = ComPortProblem(e);
    }
}

void TSerialKeying::Close()
{
    // Closing reports the lines low; the receive input does not take that
    // for the radio's.
    FLevel.Disconnect();
    try {
        FPort->ClosePort();
    } catch (const EComPort&) {
        // A port that will not close cleanly stays open and is used again.
    }
}

void TSerialKeying::Write(bool ptt)
{
    if (Connected()) SetLine(PttLine(FConfig), PttLevel(FConfig, ptt));
}

bool TSerialKeying::InputLevel()
{
    if (!InputOpen()) return false;
    try {
        const TModemLines lines = FPort->ModemSignals();
        return FConfig.VoIPComDsr ? lines.DSR : lines.CTS;
    } catch (const EComPort&) {
        return false;
    }
}

void TSerialKeying::SetLine(TRigLine line, bool level)
{
    if (line == TRigLine::DTR)
        FPort->SetDTR(level);
    else
        FPort->SetRTS(level);
}
