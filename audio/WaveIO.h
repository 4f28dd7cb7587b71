#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "audio/SoundPlatform.h"
#include "audio/WaveErrors.h"
#include "audio/WaveUtils.h"
#include "base/Event.h"

class TTimer;

// Where a stream is in its life. Active() holds from Starting to the end of
// Closing: from the open call until the closed notice has been handled.
enum class TWaveStreamState {
    Closed, // no device
    Opening, // inside Activate: the format is checked and the device opened
    Starting, // the device is open; its opened notice is on its way
    Streaming, // buffers circulate
    Closing, // buffers come back and are freed; the last one closes the device
    CloseRequested, // the device was asked to close; its closed notice is on its way
};

// What both stream directions share: device number, buffer settings, the
// ring of buffers, opening and closing, and the delivery of device notices.
//
// States: Closed -> (Activate) Opening -> Starting -> (opened notice)
// Streaming -> (Deactivate, or a player fill of 0 bytes) Closing -> (no
// buffer left) CloseRequested -> (closed notice) Closed. A deactivation
// before the opened notice goes from Starting to Closing; a failed open
// goes back to Closed, a refused reset or close back to where it was.
//
// Threads: none but the main one. Every event runs on the main thread, from
// the main loop or from a wait inside Activate, Deactivate or the
// destructor, and so does every call into the stream: the owner's, the
// device notices and the reopen timer. A back end's worker threads never
// call the stream; they post its notices to the main loop (TNoticePoster).
// So the stream has no lock: nothing competes for it, and a handler that
// activates or deactivates its own stream simply re-enters it.
//
// A device that goes away while streaming (unplugged, its sound server
// gone) is closed the same way (its buffers come back, OnDeactivate), and
// then the stream tries to open the same device again once a second,
// quietly, until it can. The loss and the return are each one line on
// stderr; OnDeviceLost tells the owner. A deliberate Deactivate, or the
// stream's destruction, stops the attempts.
class TWaveAudioIO : public TObject, protected TSoundNoticeSink {
public:
    TWaveAudioIO(TSoundPlatform& platform, TWaveDirection direction);
    ~TWaveAudioIO() override;

    // -1 is the default device. Same value: no-op; while active:
    // EWaveAudioInvalidOperation; otherwise stored only if the back end knows
    // the device (else the back end's error through ReportError).
    int DeviceID() const { return FDeviceID; }
    void SetDeviceID(int value);

    // Milliseconds per buffer; values below 10 are stored as 10.
    std::uint16_t BufferLength() const { return FBufferLength; }
    void SetBufferLength(std::uint16_t value);
    std::uint16_t BufferCount() const { return FBufferCount; }
    void SetBufferCount(std::uint16_t value) { FBufferCount = value; }

    TWaveStreamState State() const { return FState; }
    bool Active() const { return FState >= TWaveStreamState::Starting; }
    // No-op when active; opens the device and starts streaming.
    void Activate();
    // No-op when closed; starts the close, which ends with OnDeactivate.
    // A deliberate close also gives a lost device up.
    void Deactivate();

    // Result of the last device call (0 = success).
    TWaveResult LastError() const { return FLastError; }
    // Bytes of one buffer of BufferLength in the open format.
    std::uint32_t BufferBytes() const;
    // Buffers the stream holds: queued at the device or being handled.
    std::size_t BufferCountInUse() const { return FBuffers.size(); }

    // The device went away while streaming, or the device chosen by name
    // was missing at open: true from then until it is open again (or a
    // deliberate Deactivate gives it up).
    bool DeviceLost() const { return FLost; }
    // Why the device is lost: which device, its back end, the system's words.
    const std::string& LossReason() const { return FLossReason; }

    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    // The device went away while streaming; its close has begun, and
    // OnDeactivate follows when it is done.
    TNotifyEvent OnDeviceLost;
    // When assigned, a failing device call raises this instead of throwing
    // EWaveAudioSysError, and the operation just fails.
    TNotifyEvent OnError;
    TEvent<TObject*, int> OnLevel;
    // DeviceLost() or LossReason() changed.
    TNotifyEvent OnAvailabilityChange;

protected:
    // A buffer of the ring: the device's view plus the block behind it.
    struct THeader : TWaveBuffer {
        std::unique_ptr<std::uint8_t[]> Block; // null once a recorder's handler kept it
        std::uint32_t BlockSize = 0;
        bool Queued = false; // at the device, a notice still to come
    };

    // The format to open with (from PCMFormat in the direction classes).
    virtual TWaveFormat FormatToOpen() const = 0;
    // Direction-specific parts of the opened and buffer notices.
    virtual void OpenNotice() = 0;
    virtual void BufferNotice(THeader* header) = 0;

    // Both destructors of the concrete streams call this first, so events of
    // the buffers still returned reach their handlers; idempotent.
    void Shutdown();

    // Store code as FLastError; false (after ReportError) on failure.
    bool CheckResult(TWaveResult code);
    // Closing or CloseRequested.
    bool Closing() const;
    // A player whose fill supplied nothing, or a failed device, closes; a
    // stream closing already stays where it is.
    void BeginClosing();

    THeader* NewHeader();
    void FreeHeader(THeader* header);
    // Give the header a block of `size` bytes, reusing its own block when
    // that is still the stream's and of that size.
    bool PrepareBlock(THeader& header, std::uint32_t size);
    // Hand the header to the device; on failure it stays unqueued.
    bool Submit(THeader& header);
    // Close the device once; the closed notice follows.
    void CloseDevice();
    void RaiseLevel(const std::uint8_t* block, std::uint32_t size);
    // Ask the main loop for another playback notice without a header.
    void PostSelfNotice();

    TSoundPlatform& FPlatform;
    const TWaveDirection FDirection;
    std::unique_ptr<TSoundDevice> FDevice;
    std::vector<std::unique_ptr<THeader>> FBuffers;
    TWaveFormat FFormat;
    TWaveResult FLastError = wrNoError;
    bool FDestroying = false;

private:
    void Open();
    // Open the device in this format without reporting a failure; the back
    // end's Open checks the format.
    TWaveResult OpenDevice(const TWaveFormat& format);
    void Close();
    // Shutdown: give the close up to 10 s.
    void WaitForClose();
    // Ask the device to close: CloseRequested, unless the device refuses.
    TWaveResult RequestClose();
    // OnError if assigned, else throw EWaveAudioSysError with the back end's
    // text for FLastError.
    void ReportError();
    // The device could not be opened: wait for it, saying why once.
    void AwaitDevice(TWaveResult result);
    void SetLost(const std::string& reason);
    // One quiet attempt to open the lost device again.
    void ReopenTimerTick();
    // Stop trying to reopen; `back` says the device is open again.
    void EndLoss(bool back);
    // TSoundNoticeSink: an exception escaping a handler goes to the main
    // loop's error report and the header being handled is freed.
    void DeviceOpened() override;
    void BufferDone(TWaveBuffer* buffer) override;
    void DeviceClosed() override;
    void DeviceFailed(TWaveResult code) override;
    void HandleBufferNotice(THeader* header);
    // A handler failed: free the headers it was handling and report the error.
    void DropHandledBuffers(const std::exception& error);

    int FDeviceID = -1;
    std::uint16_t FBufferLength = 1000;
    std::uint16_t FBufferCount = 2;
    TWaveStreamState FState = TWaveStreamState::Closed;
    int FPendingSelfNotices = 0;
    bool FLost = false; // the device went away; not given up yet
    std::string FLossReason;
    bool FDeviceFailed = false; // the open device reported its failure
    std::unique_ptr<TTimer> FReopenTimer;
    TConnection FReopenConnection;
};
