#pragma once

#include <memory>
#include <string>

#include "radio/CPort.h"
#include "rig/PttOutput.h"
#include "rig/RigConfig.h"

class TSerialPlatform;

// What the serial port is open for: keying the PTT on RTS or DTR, following
// the receive input on CTS or DSR, both or neither (closed).
struct TSerialRole {
    bool Keys = false;
    bool Input = false;
    bool operator==(const TSerialRole&) const = default;
};

// A serial port's control lines, last among the outputs and the inputs.
// The port is opened, closed or opened afresh only when its role or its own
// settings change (or after a failure), so a change of any other setting
// leaves it as it is.
class TSerialKeying : public TPttOutput {
public:
    explicit TSerialKeying(TSerialPlatform& serial);
    // Closing the port drops RTS and DTR (HUPCL); nothing is raised.
    ~TSerialKeying() override;

    void Configure(const TRigConfig& config, TSerialRole role);
    // Closes the port and opens it again for its role, lines at rest.
    void Reopen();

    bool Connected() const override { return FRole.Keys && FPort->Connected(); }
    void Write(bool ptt) override;
    void ForceRelease() override { Reopen(); }
    TRxInput& Input() { return FInput; }
    // The port is open for the receive input.
    bool InputOpen() const { return FRole.Input && FPort->Connected(); }
    // The receive line's level as it stands; low when it cannot be read.
    bool InputLevel();

    bool PortOpen() const { return FPort->Connected(); }
    // The port was needed and could not be opened or set up; the problem
    // says why and what to do, for the operator.
    bool Failed() const { return !FProblem.empty(); }
    const std::string& Problem() const { return FProblem; }

    // The port was closed, and opened again where its role needs it; after a
    // failure, Failed says so.
    TNotifyEvent OnReopened;

private:
    void Open();
    void Close();
    void SetLine(TRigLine line, bool level);

    TRigConfig FConfig;
    TSerialRole FRole;
    std::string FProblem;
    std::unique_ptr<TComPort> FPort;
    TRxInput FInput;
    TConnection FLevel;
};
