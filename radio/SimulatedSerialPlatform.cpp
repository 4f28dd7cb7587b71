#include "SimulatedSerialPlatform.h"

#include <cerrno>

struct TSimulatedSerialPlatform::TPort {
    bool absent = false;
    bool busy = false;
    bool open = false;
    int openCount = 0;
    int watchers = 0;
    bool rts = false;
    bool dtr = false;
    TModemLines inputs;
    TLineChanges pending; // changes not yet seen by the watcher
    std::map<TSerialCall, int> failures;

    // A failure a test set, named as the Linux back end names the call.
    TSerialFault Failure(TSerialCall call, const char* name) const
    {
        const auto it = failures.find(call);
        return {name, it == failures.end() ? 0 : it->second};
    }
};

struct TSimulatedSerialPlatform::TState {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, TPort> ports;
};

class TSimulatedSerialPlatform::TLine : public TSerialLine {
public:
    TLine(std::shared_ptr<TState> state, std::string name)
        : FState(std::move(state))
        , FName(std::move(name))
    {
    }

    ~TLine() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        TPort& port = Port();
        port.open = false;
        // Like a tty with HUPCL: closing drops the output lines.
        port.rts = false;
        port.dtr = false;
    }

    TSerialFault SetLineState() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        return Port().Failure(TSerialCall::SetLineState, "tcsetattr");
    }
    TSerialFault SetTimeouts() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        return Port().Failure(TSerialCall::SetTimeouts, "tcsetattr");
    }
    TSerialFault Purge() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        return Port().Failure(TSerialCall::Purge, "tcflush");
    }
    TSerialFault SetRTS(bool level) override { return SetOutput(TSerialCall::SetRTS, &TPort::rts, level); }
    TSerialFault SetDTR(bool level) override { return SetOutput(TSerialCall::SetDTR, &TPort::dtr, level); }
    TSerialFault GetModemLines(TModemLines& lines) override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        const TSerialFault fault = Port().Failure(TSerialCall::GetModemLines, "ioctl TIOCMGET");
        if (!fault) lines = Port().inputs;
        return fault;
    }

    TLineWait WaitForChange(TLineChanges& changes) override
    {
        std::unique_lock<std::mutex> lock(FState->mutex);
        TPort& port = Port();
        ++port.watchers;
        FState->changed.notify_all();
        FState->changed.wait(lock, [&] { return FStop || port.pending.Any(); });
        --port.watchers;
        if (FStop) return TLineWait::Stopped;
        changes = port.pending;
        port.pending = {};
        return TLineWait::Changed;
    }

    void StopWaiting() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        FStop = true;
        FState->changed.notify_all();
    }

private:
    TPort& Port() { return FState->ports[FName]; }

    TSerialFault SetOutput(TSerialCall call, bool TPort::*line, bool level)
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        const TSerialFault fault = Port().Failure(call, level ? "ioctl TIOCMBIS" : "ioctl TIOCMBIC");
        if (!fault) Port().*line = level;
        return fault;
    }

    std::shared_ptr<TState> FState;
    std::string FName;
    bool FStop = false; // guarded by the state's mutex
};

TSimulatedSerialPlatform::TSimulatedSerialPlatform()
    : FState(std::make_shared<TState>())
{
}

TSimulatedSerialPlatform::~TSimulatedSerialPlatform() = default;

std::unique_ptr<TSerialLine> TSimulatedSerialPlatform::Open(const std::string& portName, TSerialFault& fault)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TPort& port = FState->ports[portName];
    if (port.absent) {
        fault = {"open", ENOENT};
        return nullptr;
    }
    if (port.busy || port.open) {
        // As a tty held exclusively (TIOCEXCL) refuses another open.
        fault = {"open", EBUSY};
        return nullptr;
    }
    port.open = true;
    ++port.openCount;
    port.pending = {};
    // As the real back end leaves them: both output lines low.
    port.rts = false;
    port.dtr = false;
    fault = {};
    return std::make_unique<TLine>(FState, portName);
}

std::string TSimulatedSerialPlatform::DevicePath(const std::string& portName) const
{
    return portName;
}

TSimulatedSerialPlatform::TPort& TSimulatedSerialPlatform::PortLocked(const std::string& portName) const
{
    return FState->ports[portName];
}

void TSimulatedSerialPlatform::SetAbsent(const std::string& portName, bool absent)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    PortLocked(portName).absent = absent;
}

void TSimulatedSerialPlatform::SetBusy(const std::string& portName, bool busy)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    PortLocked(portName).busy = busy;
}

void TSimulatedSerialPlatform::FailCall(const std::string& portName, TSerialCall call, int error)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    PortLocked(portName).failures[call] = error;
}

void TSimulatedSerialPlatform::SetInput(
    const std::string& portName, bool TModemLines::*line, bool TLineChanges::*change, bool level)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TPort& port = PortLocked(portName);
    if (port.inputs.*line == level) return;
    port.inputs.*line = level;
    if (port.open) port.pending.*change = true;
    FState->changed.notify_all();
}

void TSimulatedSerialPlatform::SetCTS(const std::string& portName, bool level)
{
    SetInput(portName, &TModemLines::CTS, &TLineChanges::CTS, level);
}

void TSimulatedSerialPlatform::SetDSR(const std::string& portName, bool level)
{
    SetInput(portName, &TModemLines::DSR, &TLineChanges::DSR, level);
}

void TSimulatedSerialPlatform::SetRing(const std::string& portName, bool level)
{
    SetInput(portName, &TModemLines::Ring, &TLineChanges::Ring, level);
}

void TSimulatedSerialPlatform::SetRLSD(const std::string& portName, bool level)
{
    SetInput(portName, &TModemLines::RLSD, &TLineChanges::RLSD, level);
}

bool TSimulatedSerialPlatform::RTS(const std::string& portName) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return PortLocked(portName).rts;
}

bool TSimulatedSerialPlatform::DTR(const std::string& portName) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return PortLocked(portName).dtr;
}

bool TSimulatedSerialPlatform::IsOpen(const std::string& portName) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return PortLocked(portName).open;
}

int TSimulatedSerialPlatform::OpenCount(const std::string& portName) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return PortLocked(portName).openCount;
}

bool TSimulatedSerialPlatform::Watched(const std::string& portName) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return PortLocked(portName).watchers > 0;
}
