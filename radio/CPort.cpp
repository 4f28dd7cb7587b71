#include "CPort.h"

#include <cerrno>

#include "base/MainLoop.h"
#include "base/Translation.h"

namespace {

const char* const CPortDomain = "cport";

// The translated "%d" template is filled by hand: a catalogue is data, and a
// broken one must not reach printf.
std::string FillNumber(const std::string& format, int number)
{
    const auto at = format.find("%d");
    if (at == std::string::npos) return format;
    return format.substr(0, at) + std::to_string(number) + format.substr(at + 2);
}

std::string ComPortMessage(int code, int winCode)
{
    return Translate(CPortDomain, EComPort::MessageOf(code))
        + FillNumber(Translate(CPortDomain, PortText(" (win error code: %d)")), winCode);
}

} // namespace

EComPort::EComPort(int code, int winCode)
    : Exception(ComPortMessage(code, winCode))
    , FCode(code)
    , FWinCode(winCode)
{
}

std::string EComPort::MessageOf(int code)
{
    switch (code) {
    case CError_OpenFailed:
        return PortText("Unable to open com port");
    case CError_PurgeFailed:
        return PortText("PurgeComm function failed");
    case CError_CommState:
        return PortText("SetCommState function failed");
    case CError_Timeouts:
        return PortText("SetCommTimeouts failed");
    case CError_SetupComm:
        return PortText("SetupComm function failed");
    case CError_ClearComm:
        return PortText("ClearCommError function failed");
    case CError_ModemStatus:
        return PortText("GetCommModemStatus function failed");
    case CError_Escape:
        return PortText("EscapeCommFunction function failed");
    default:
        return "";
    }
}

// ---------------------------------------------------------------------------

TComThread::TComThread(TCustomComPort& port, TSerialLine& line)
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

TCustomComPort::TCustomComPort(TSerialPlatform& platform)
    : FPlatform(platform)
{
}

TCustomComPort::~TCustomComPort()
{
    try {
        ClosePort();
    } catch (const EComPort&) {
        // The port goes away regardless of a failed purge.
        CloseLine();
    }
}

void TCustomComPort::SetPort(const std::string& name)
{
    if (name == FPort) return;
    const bool reopen = FConnected;
    if (reopen) ClosePort();
    FPort = name;
    if (reopen) OpenPort();
}

void TCustomComPort::OpenPort()
{
    if (FConnected) return;
    int error = 0;
    std::unique_ptr<TSerialLine> line = FPlatform.Open(FPort, error);
    if (!line) throw EComPort(CError_OpenFailed, error);
    FLine = std::move(line);
    FConnected = true;

    if (int e = FLine->SetLineState()) {
        CloseLine();
        throw EComPort(CError_CommState, e);
    }
    if (int e = FLine->SetTimeouts()) {
        CloseLine();
        throw EComPort(CError_Timeouts, e);
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

void TCustomComPort::ClosePort()
{
    if (!FConnected) return;
    ReportSignalsLow();
    if (!FConnected) return; // a subscriber closed it meanwhile
    if (int e = FLine->Purge()) throw EComPort(CError_PurgeFailed, e);
    CloseLine();
}

void TCustomComPort::CloseLine()
{
    // Stopping the thread serves the main loop, which may run code that uses
    // this port: it finds the port closed already.
    FConnected = false;
    std::unique_ptr<TComThread> thread = std::move(FEventThread);
    std::unique_ptr<TSerialLine> line = std::move(FLine);
    thread.reset(); // stops and joins the thread while its line is still open
    line.reset();
}

void TCustomComPort::ReportSignalsLow()
{
    OnCTSChange(this, false);
    OnDSRChange(this, false);
    OnRLSDChange(this, false);
}

void TCustomComPort::SetDTR(bool level)
{
    const int e = FLine ? FLine->SetDTR(level) : EBADF;
    if (e) throw EComPort(CError_Escape, e);
}

void TCustomComPort::SetRTS(bool level)
{
    const int e = FLine ? FLine->SetRTS(level) : EBADF;
    if (e) throw EComPort(CError_Escape, e);
}

TModemLines TCustomComPort::ModemSignals()
{
    TModemLines lines;
    const int e = FLine ? FLine->GetModemLines(lines) : EBADF;
    if (e) throw EComPort(CError_ModemStatus, e);
    return lines;
}

void TCustomComPort::DispatchComm(const TLineChanges& changes)
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
void TCustomComPort::CallCTSChange()
{
    if (FConnected && OnCTSChange) OnCTSChange(this, ModemSignals().CTS);
}

void TCustomComPort::CallDSRChange()
{
    if (FConnected && OnDSRChange) OnDSRChange(this, ModemSignals().DSR);
}

void TCustomComPort::CallRLSDChange()
{
    if (FConnected && OnRLSDChange) OnRLSDChange(this, ModemSignals().RLSD);
}

void TCustomComPort::CallRing()
{
    if (FConnected) OnRing(this);
}
