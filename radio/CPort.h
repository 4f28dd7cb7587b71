#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "SerialPlatform.h"
#include "base/Event.h"
#include "base/Exceptions.h"
#include "base/Object.h"
#include "base/WorkerThread.h"

// The error of a serial port call: a code naming the failing step and the
// system's error number, with a message translated through the "cport"
// catalogue.
class EComPort : public Exception {
public:
    EComPort(int code, int winCode);
    int Code() const { return FCode; }
    int WinCode() const { return FWinCode; }

    // The message of a code, untranslated ("" for an unknown code).
    static std::string MessageOf(int code);

private:
    int FCode;
    int FWinCode;
};

// Error codes of EComPort used by the control-line subset.
enum : int {
    CError_OpenFailed = 1,
    CError_PurgeFailed = 5,
    CError_CommState = 7,
    CError_Timeouts = 8,
    CError_SetupComm = 9,
    CError_ClearComm = 10,
    CError_ModemStatus = 11,
    CError_Escape = 12,
};

using TComSignalEvent = TEvent<TObject*, bool>;

class TCustomComPort;

// The event thread of an open port: it only waits for line changes and hands
// each batch to the main thread synchronously, so every subscriber runs there.
class TComThread {
public:
    TComThread(TCustomComPort& port, TSerialLine& line);
    // Stops the thread (see Stop).
    ~TComThread();

    // Main thread: end the thread and wait for it. The wait keeps serving the
    // main loop's hand-offs, so a report in flight cannot deadlock it.
    void Stop();

private:
    TSerialLine& FLine;
    TWorkerThread FWorker;
};

// A serial port used for its control lines only: RTS and DTR out, CTS and DSR
// in. Every event is raised on the main thread.
class TCustomComPort : public TObject {
public:
    explicit TCustomComPort(TSerialPlatform& platform);
    // Closes the port first.
    ~TCustomComPort() override;

    const std::string& Port() const { return FPort; }
    // Same name: nothing. A new name on an open port closes it and opens it
    // again under the new name.
    void SetPort(const std::string& name);
    bool Connected() const { return FConnected; }

    // Opens the port exclusively, both lines low, and reports the current CTS
    // and DSR levels. Nothing if already open. Failure raises EComPort and
    // leaves the port closed.
    void OpenPort();
    // Reports CTS and DSR low, stops the event thread and closes. Nothing if
    // not open.
    void ClosePort();

    void SetDTR(bool level);
    void SetRTS(bool level);
    TModemLines ModemSignals();

    TComSignalEvent OnCTSChange;
    TComSignalEvent OnDSRChange;
    TComSignalEvent OnRLSDChange; // carrier detect
    TNotifyEvent OnRing;

private:
    friend class TComThread;
    // Main thread: raise the events of one batch of line changes.
    void DispatchComm(const TLineChanges& changes);
    void CallCTSChange();
    void CallDSRChange();
    void CallRLSDChange();
    void CallRing();
    void ReportSignalsLow();
    void CloseLine();

    TSerialPlatform& FPlatform;
    std::string FPort = "COM1";
    bool FConnected = false;
    std::unique_ptr<TSerialLine> FLine;
    std::unique_ptr<TComThread> FEventThread;
};

class TComPort : public TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;
};
