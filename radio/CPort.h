#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "SerialPlatform.h"
#include "base/Event.h"
#include "base/Exceptions.h"
#include "base/Object.h"
#include "base/WorkerThread.h"

// The error of a serial port call: a code naming the failing step, the
// system call that failed on which device and the system's error number. Its
// message reads "<step>: <call> <device>: <the system's text>", the step
// translated through the "cport" catalogue.
class EComPort : public Exception {
public:
    EComPort(int code, const TSerialFault& fault, const std::string& devicePath);
    int Code() const { return FCode; }
    // The system's error number (errno).
    int Error() const { return FError; }
    const std::string& DevicePath() const { return FDevicePath; }

    // The message of a code, untranslated ("" for an unknown code).
    static std::string MessageOf(int code);

private:
    int FCode;
    int FError;
    std::string FDevicePath;
};

// Error codes of EComPort, the suite's numbers for the steps of the
// control-line subset.
enum : int {
    CError_OpenFailed = 1,
    CError_PurgeFailed = 5,
    CError_CommState = 7,
    CError_Timeouts = 8,
    CError_ModemStatus = 11,
    CError_Escape = 12,
};

using TComSignalEvent = TEvent<TObject*, bool>;

class TComPort;

// The event thread of an open port: it only waits for line changes and hands
// each batch to the main thread synchronously, so every subscriber runs there.
class TComThread {
public:
    TComThread(TComPort& port, TSerialLine& line);
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
class TComPort : public TObject {
public:
    explicit TComPort(TSerialPlatform& platform);
    // Closes the port first.
    ~TComPort() override;

    const std::string& Port() const { return FPort; }
    // The device the port name stands for.
    std::string DevicePath() const { return FPlatform.DevicePath(FPort); }
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
    [[noreturn]] void Fail(int code, const TSerialFault& fault) const;

    TSerialPlatform& FPlatform;
    std::string FPort = "COM1";
    bool FConnected = false;
    std::unique_ptr<TSerialLine> FLine;
    std::unique_ptr<TComThread> FEventThread;
};
