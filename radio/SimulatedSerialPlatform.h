#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "SerialPlatform.h"

// The line calls a test can make fail.
enum class TSerialCall { SetLineState, SetTimeouts, Purge, SetRTS, SetDTR, GetModemLines };

// Serial ports for tests. Every port name exists unless a test makes it
// absent. A test sets the input lines (CTS, DSR, ring, carrier) and reads the
// output lines (RTS, DTR); input changes wake the port's watcher thread just
// as a real line change would. Safe to use from the test thread while a
// watcher thread waits.
class TSimulatedSerialPlatform : public TSerialPlatform {
public:
    TSimulatedSerialPlatform();
    ~TSimulatedSerialPlatform() override;

    std::unique_ptr<TSerialLine> Open(const std::string& portName, TSerialFault& fault) override;
    // The port name itself.
    std::string DevicePath(const std::string& portName) const override;

    // Opening an absent port fails with ENOENT.
    void SetAbsent(const std::string& portName, bool absent);
    // A port held by another program: opening fails with EBUSY.
    void SetBusy(const std::string& portName, bool busy);
    // Make one line call fail with the given error number (0 clears it).
    void FailCall(const std::string& portName, TSerialCall call, int error);

    void SetCTS(const std::string& portName, bool level);
    void SetDSR(const std::string& portName, bool level);
    void SetRing(const std::string& portName, bool level);
    void SetRLSD(const std::string& portName, bool level);

    bool RTS(const std::string& portName) const;
    bool DTR(const std::string& portName) const;
    // The port is open (held by a line object).
    bool IsOpen(const std::string& portName) const;
    // How often the port was opened successfully.
    int OpenCount(const std::string& portName) const;
    // A watcher thread is waiting on the port right now.
    bool Watched(const std::string& portName) const;

    struct TPort; // the simulated hardware of one port

private:
    class TLine;
    struct TState;

    TPort& PortLocked(const std::string& portName) const;
    void SetInput(const std::string& portName, bool TModemLines::*line, bool TLineChanges::*change, bool level);

    std::shared_ptr<TState> FState;
};
