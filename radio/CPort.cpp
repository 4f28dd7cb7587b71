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
           + FillNumber(Translate(CPortDomain, " (win error code: %d)"), winCode);
}

} // namespace

EComPort::EComPort(int code, int winCode)
    : Exception(ComPortMessage(code, winCode)), code_(code), winCode_(winCode)
{
}

std::string EComPort::MessageOf(int code)
{
    switch (code) {
    case CError_OpenFailed: return "Unable to open com port";
    case CError_PurgeFailed: return "PurgeComm function failed";
    case CError_CommState: return "SetCommState function failed";
    case CError_Timeouts: return "SetCommTimeouts failed";
    case CError_SetupComm: return "SetupComm function failed";
    case CError_ClearComm: return "ClearCommError function failed";
    case CError_ModemStatus: return "GetCommModemStatus function failed";
    case CError_Escape: return "EscapeCommFunction function failed";
    default: return "";
    }
}

// ---------------------------------------------------------------------------

TComThread::TComThread(TCustomComPort& port, TSerialLine& line)
    : line_(line),
      worker_([&port, watched = &line](TWorkerControl& control) {
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
    worker_.Stop([this] { line_.StopWaiting(); });
}

// ---------------------------------------------------------------------------

TCustomComPort::TCustomComPort(TSerialPlatform& platform) : platform_(platform) {}

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
    if (name == port_) return;
    const bool reopen = connected_;
    if (reopen) ClosePort();
    port_ = name;
    if (reopen) OpenPort();
}

void TCustomComPort::OpenPort()
{
    if (connected_) return;
    int error = 0;
    std::unique_ptr<TSerialLine> line = platform_.Open(port_, error);
    if (!line) throw EComPort(CError_OpenFailed, error);
    line_ = std::move(line);
    connected_ = true;

    if (int e = line_->SetLineState()) {
        CloseLine();
        throw EComPort(CError_CommState, e);
    }
    if (int e = line_->SetTimeouts()) {
        CloseLine();
        throw EComPort(CError_Timeouts, e);
    }
    eventThread_ = std::make_unique<TComThread>(*this, *line_);

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
    if (!connected_) return;
    ReportSignalsLow();
    if (!connected_) return; // a subscriber closed it meanwhile
    if (int e = line_->Purge()) throw EComPort(CError_PurgeFailed, e);
    CloseLine();
}

void TCustomComPort::CloseLine()
{
    // Stopping the thread serves the main loop, which may run code that uses
    // this port: it finds the port closed already.
    connected_ = false;
    std::unique_ptr<TComThread> thread = std::move(eventThread_);
    std::unique_ptr<TSerialLine> line = std::move(line_);
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
    const int e = line_ ? line_->SetDTR(level) : EBADF;
    if (e) throw EComPort(CError_Escape, e);
}

void TCustomComPort::SetRTS(bool level)
{
    const int e = line_ ? line_->SetRTS(level) : EBADF;
    if (e) throw EComPort(CError_Escape, e);
}

TModemLines TCustomComPort::ModemSignals()
{
    TModemLines lines;
    const int e = line_ ? line_->GetModemLines(lines) : EBADF;
    if (e) throw EComPort(CError_ModemStatus, e);
    return lines;
}

void TCustomComPort::DispatchComm(const TLineChanges& changes)
{
    // The order of the original event dispatch; only the line events exist
    // here, since the port carries no data.
    if (changes.Ring) CallRing();
    if (changes.CTS) CallCTSChange();
    if (changes.DSR) CallDSRChange();
    if (changes.RLSD) CallRLSDChange();
}

// Each level is read when it is raised, and only for a subscriber.
void TCustomComPort::CallCTSChange()
{
    if (connected_ && OnCTSChange) OnCTSChange(this, ModemSignals().CTS);
}

void TCustomComPort::CallDSRChange()
{
    if (connected_ && OnDSRChange) OnDSRChange(this, ModemSignals().DSR);
}

void TCustomComPort::CallRLSDChange()
{
    if (connected_ && OnRLSDChange) OnRLSDChange(this, ModemSignals().RLSD);
}

void TCustomComPort::CallRing()
{
    if (connected_) OnRing(this);
}
