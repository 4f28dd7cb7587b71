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

    int Failure(TSerialCall call) const
    {
        const auto it = failures.find(call);
        return it == failures.end() ? 0 : it->second;
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

    int SetLineState() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        return Port().Failure(TSerialCall::SetLineState);
    }
    int SetTimeouts() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        return Port().Failure(TSerialCall::SetTimeouts);
    }
    int Purge() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        return Port().Failure(TSerialCall::Purge);
    }
    int SetRTS(bool level) override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        if (int e = Port().Failure(TSerialCall::SetRTS)) return e;
        Port().rts = level;
        return 0;
    }
    int SetDTR(bool level) override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        if (int e = Port().Failure(TSerialCall::SetDTR)) return e;
        Port().dtr = level;
        return 0;
    }
    int GetModemLines(TModemLines& lines) override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        if (int e = Port().Failure(TSerialCall::GetModemLines)) return e;
        lines = Port().inputs;
        return 0;
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

    std::shared_ptr<TState> FState;
    std::string FName;
    bool FStop = false; // guarded by the state's mutex
};

TSimulatedSerialPlatform::TSimulatedSerialPlatform()
    : FState(std::make_shared<TState>())
{
}

TSimulatedSerialPlatform::~TSimulatedSerialPlatform() = default;

std::unique_ptr<TSerialLine> TSimulatedSerialPlatform::Open(const std::string& portName, int& error)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TPort& port = FState->ports[portName];
    if (port.absent) {
        error = ENOENT;
        return nullptr;
    }
    if (port.busy || port.open) {
        error = EBUSY;
        return nullptr;
    }
    port.open = true;
    ++port.openCount;
    port.pending = {};
    // As the real back end leaves them: both output lines low.
    port.rts = false;
    port.dtr = false;
    error = 0;
    return std::make_unique<TLine>(FState, portName);
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
