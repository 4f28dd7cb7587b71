#pragma once

#include <memory>
#include <string>

// Levels of the modem input lines of a serial port.
struct TModemLines {
    bool CTS = false;
    bool DSR = false;
    bool Ring = false;
    bool RLSD = false; // carrier detect
};

// Which input lines changed, as reported by one wait.
struct TLineChanges {
    bool CTS = false;
    bool DSR = false;
    bool Ring = false;
    bool RLSD = false;
    bool Any() const { return CTS || DSR || Ring || RLSD; }
};

// How a wait for a line change ended.
enum class TLineWait {
    Changed, // the changes are filled in
    Stopped, // StopWaiting was called
    Failed // the line can no longer be watched (device gone, no modem status)
};

// A failed system call of a serial port: the call as the Linux manual names
// it ("open", "ioctl TIOCMBIS") and the system's error number (errno); no
// error when Error is 0.
struct TSerialFault {
    const char* Call = "";
    int Error = 0;
    explicit operator bool() const { return Error != 0; }
};

// One open serial port, used only for its control lines: no byte is ever read
// or written. Every call that can fail returns the fault, so the caller can
// name the call and the system's reason in its message.
class TSerialLine {
public:
    virtual ~TSerialLine() = default;

    // 9600 baud, 8 data bits, no parity, one stop bit, no flow control, the
    // lines left to the program (both low after this).
    virtual TSerialFault SetLineState() = 0;
    // Non-blocking reads, bounded writes (the port never carries data, but a
    // stray write must not hang).
    virtual TSerialFault SetTimeouts() = 0;
    // Drop whatever sits in the driver's queues.
    virtual TSerialFault Purge() = 0;

    virtual TSerialFault SetRTS(bool level) = 0;
    virtual TSerialFault SetDTR(bool level) = 0;
    virtual TSerialFault GetModemLines(TModemLines& lines) = 0;

    // Blocks the calling (watcher) thread until an input line changes or
    // StopWaiting is called from any thread. After StopWaiting every later
    // wait returns Stopped at once.
    virtual TLineWait WaitForChange(TLineChanges& changes) = 0;
    virtual void StopWaiting() = 0;
};

// Opens serial ports by their program-level name ("COM3").
class TSerialPlatform {
public:
    virtual ~TSerialPlatform() = default;

    // Opens the port exclusively: a second open, by this or any program,
    // fails. On failure returns null and fills in the fault.
    virtual std::unique_ptr<TSerialLine> Open(const std::string& portName, TSerialFault& fault) = 0;
    // The device a port name stands for, as messages name it.
    virtual std::string DevicePath(const std::string& portName) const = 0;
};
