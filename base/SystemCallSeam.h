#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <vector>

// Failure injection for the system calls the settings file, the serial port,
// the USB radio interface and the sound back end depend on.
//
// The program calls the system directly. A test program that links the
// library parlet_system_call_seam is linked with `--wrap` for each call
// below, so the same code reaches these wrappers instead, which forward to
// the system unless a test has scripted a failure. Nothing of this is in the
// program itself.

// The kinds of call a test can fail. Serial line calls are told apart by
// their ioctl request; a folder's open and fsync by what the descriptor is.
enum class TSystemCall {
    Open, // open() of anything but a folder
    OpenFolder, // open() with O_DIRECTORY
    Read,
    Write,
    Fsync, // fsync() of a file
    FsyncFolder, // fsync() of a folder
    Close,
    Rename,
    Flock,
    Eventfd,
    TermiosSet, // tcsetattr()
    Exclusive, // ioctl TIOCEXCL
    LinesSet, // ioctl TIOCMBIS
    LinesClear, // ioctl TIOCMBIC
    LinesGet, // ioctl TIOCMGET
    LinesWait, // ioctl TIOCMIWAIT
    PcmOpen, // snd_pcm_open()
    PcmPrepare, // snd_pcm_prepare()
    PcmStart, // snd_pcm_start()
    PcmWrite, // snd_pcm_writei()
    PcmRead, // snd_pcm_readi()
};

// A call's name, for test messages and the trace ("fsync", "TIOCMBIC").
const char* SystemCallName(TSystemCall call);

// One scripted failure: the Nth call of a kind (counted from 1, among the
// calls that match PathPart and the thread) fails with Error. With
// ShortBytes >= 0 a write instead writes only that many bytes, as a full disk
// does before it says ENOSPC at the next write.
struct TSystemFault {
    TSystemCall Call = TSystemCall::Open;
    int Nth = 1;
    int Error = EIO;
    // Only calls on a path (or a descriptor opened on a path) containing this
    // text count; empty: every call.
    std::string PathPart;
    // Calls from other threads than the one that armed the seam count too.
    bool AnyThread = false;
    long ShortBytes = -1;
};

// One call seen by the seam: its kind and the path it was made on ("" when
// the descriptor was not opened through the seam).
struct TSystemCallRecord {
    TSystemCall Call;
    std::string Path;
    // Made on the thread that armed the seam (not on a worker thread).
    bool ArmingThread = true;
};

// Arms the seam for one test; at most one exists at a time. Destroying it
// forwards everything to the system again.
class TSystemCallSeam {
public:
    TSystemCallSeam();
    ~TSystemCallSeam();
    TSystemCallSeam(const TSystemCallSeam&) = delete;
    TSystemCallSeam& operator=(const TSystemCallSeam&) = delete;

    // Adds a scripted failure; each fires once.
    void Fail(const TSystemFault& fault);
    // How many scripted failures have fired.
    int Injected() const;
    // Calls of a kind made so far on paths containing pathPart (all threads).
    int Calls(TSystemCall call, const std::string& pathPart = "") const;
    // Every call so far on a path containing pathPart, in order.
    std::vector<TSystemCallRecord> Trace(const std::string& pathPart) const;

    // A tty without modem lines (a pseudo-terminal) opened at `path` gets
    // emulated ones: TIOCMBIS, TIOCMBIC and TIOCMGET work on them, the
    // driver raises RTS and DTR at open and drops them when the last
    // descriptor closes (HUPCL), and TIOCMIWAIT and TIOCGICOUNT are refused
    // as by a driver that lacks them.
    void EmulateModemLines(const std::string& path);
    // TIOCM_* bits of the emulated lines.
    int ModemLines(const std::string& path) const;
    void SetModemInputs(const std::string& path, int bits);
};

// For the wrappers of other libraries' calls (the sound back end's): the
// error to fail this call with, or 0 to make it.
int ScriptedError(TSystemCall call, const std::string& path);

// Descriptors this process has open now.
std::size_t OpenDescriptorCount();
