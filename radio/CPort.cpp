#include "CPort.h"

#include <cerrno>
#include <cstring>

#include "base/MainLoop.h"
#include "base/Translation.h"

namespace {

const char* const CPortDomain = "cport";

std::string ComPortMessage(int code, const TSerialFault& fault, const std::string& devicePath)
{
    return Translate(CPortDomain, EComPort::MessageOf(code)) + ": " + fault.Call + " " + devicePath + ": "
        + std::strerror(fault.Error);
}

} // namespace

EComPort::EComPort(int code, const TSerialFault& fault, const std::string& devicePath)
    : Exception(ComPortMessage(code, fault, devicePath))
    , FCode(code)
    , FError(fault.Error)
    , FDevicePath(devicePath)
{
}

std::string EComPort::MessageOf(int code)
{
    switch (code) {
    case CError_OpenFailed:
        return PortText("Unable to open com port");
    case CError_PurgeFailed:
        return PortText("Unable to clear the com port's queues");
    case CError_CommState:
        return PortText("Unable to set the com port's line settings");
    case CError_Timeouts:
        return PortText("Unable to set the com port's time-outs");
    case CError_ModemStatus:
        return PortText("Unable to read the com port's input lines");
    case CError_Escape:
        return PortText("Unable to set a control line of the com port");
    default:
        return "";
    }
}

// ---------------------------------------------------------------------------

TComThread::TComThread(TComPort& port, TSerialLine& line)
    : FLine(line)
    , FWorker([&port, watched = &line](TWorkerControl& control) {
        // The port and its line are reached only until the stop begins.
        while (!control.Stopping()) {
            TLineChanges changes;
            if (watched->WaitForChange(changes) != TLineWait::Changed) break;
            control.HandOff([&] { port.DispatchComm(changes); });
        }
    })
{
}

TComThread::~TComThread()
{
    Stop();
}

void TComThread::Stop()
{
    FWorker.Stop([this] { FLine.StopWaiting(); });
}

// ---------------------------------------------------------------------------

TComPort::TComPort(TSerialPlatform& platform)
    : FPlatform(platform)
{
}

TComPort::~TComPort()
{
    try {
        ClosePort();
    } catch (const EComPort&) {
        // The port goes away regardless of a failed purge.
        CloseLine();
    }
}

void TComPort::SetPort(const std::string& name)
{
    if (name == FPort) return;
    const bool reopen = FConnected;
    if (reopen) ClosePort();
    FPort = name;
    if (reopen) OpenPort();
}

void TComPort::OpenPort()
{
    if (FConnected) return;
    TSerialFault fault;
    std::unique_ptr<TSerialLine> line = FPlatform.Open(FPort, fault);
    if (!line) Fail(CError_OpenFailed, fault);
    FLine = std::move(line);
    FConnected = true;

    if (const TSerialFault failed = FLine->SetLineState()) {
        CloseLine();
        Fail(CError_CommState, failed);
    }
    if (const TSerialFault failed = FLine->SetTimeouts()) {
        CloseLine();
        Fail(CError_Timeouts, failed);
    }
    FEventThread = std::make_unique<TComThread>(*this, *FLine);

    // A port whose lines cannot be read is not usable: leave it closed
    // rather than open behind an error.
    try {
        CallCTSChange();
        CallDSRChange();
        CallRLSDChange();
    } catch (const EComPort&) {
        CloseLine();
        throw;
    }
}

void TComPort::ClosePort()
{
    if (!FConnected) return;
    ReportSignalsLow();
    if (!FConnected) return; // a subscriber closed it meanwhile
    if (const TSerialFault fault = FLine->Purge()) Fail(CError_PurgeFailed, fault);
    CloseLine();
}

void TComPort::CloseLine()
{
    // Stopping the thread serves the main loop, which may run code that uses
    // this port: it finds the port closed already.
    FConnected = false;
    std::unique_ptr<TComThread> thread = std::move(FEventThread);
    std::unique_ptr<TSerialLine> line = std::move(FLine);
    thread.reset(); // stops and joins the thread while its line is still open
    line.reset();
}

void TComPort::ReportSignalsLow()
{
    OnCTSChange(this, false);
    OnDSRChange(this, false);
    OnRLSDChange(this, false);
}

// A closed port has no descriptor to call on.
void TComPort::SetDTR(bool level)
{
    const TSerialFault fault = FLine ? FLine->SetDTR(level) : TSerialFault {"ioctl", EBADF};
    if (fault) Fail(CError_Escape, fault);
}

void TComPort::SetRTS(bool level)
{
    const TSerialFault fault = FLine ? FLine->SetRTS(level) : TSerialFault {"ioctl", EBADF};
    if (fault) Fail(CError_Escape, fault);
}

TModemLines TComPort::ModemSignals()
{
    TModemLines lines;
    const TSerialFault fault = FLine ? FLine->GetModemLines(lines) : TSerialFault {"ioctl TIOCMGET", EBADF};
    if (fault) Fail(CError_ModemStatus, fault);
    return lines;
}

void TComPort::Fail(int code, const TSerialFault& fault) const
{
    throw EComPort(code, fault, DevicePath());
}

void TComPort::DispatchComm(const TLineChanges& changes)
{
    // One batch raises its events in a fixed order, ring, CTS, DSR, carrier
    // detect, so a subscriber to several lines always sees them in the same
    // order. The port carries no data, so there are no data events.
    if (changes.Ring) CallRing();
    if (changes.CTS) CallCTSChange();
    if (changes.DSR) CallDSRChange();
    if (changes.RLSD) CallRLSDChange();
}

// Each level is read when it is raised, and only for a subscriber.
void TComPort::CallCTSChange()
{
    if (FConnected && OnCTSChange.HasListeners()) OnCTSChange(this, ModemSignals().CTS);
}

void TComPort::CallDSRChange()
{
    if (FConnected && OnDSRChange.HasListeners()) OnDSRChange(this, ModemSignals().DSR);
}

void TComPort::CallRLSDChange()
{
    if (FConnected && OnRLSDChange.HasListeners()) OnRLSDChange(this, ModemSignals().RLSD);
}

void TComPort::CallRing()
{
    if (FConnected) OnRing(this);
}
