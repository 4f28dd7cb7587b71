#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/SoundPlatform.h"
#include "audio/WaveErrors.h"
#include "audio/WaveUtils.h"
#include "base/Event.h"

class TTimer;

// What both stream directions share: device number, buffer settings, the
// ring of buffers, opening and closing, and the delivery of device notices.
// Every event runs on the main thread, from the main loop or from a wait
// inside Activate, Deactivate or the destructor.
//
// States: Closed -> (Activate) open, starting -> (opened notice) Streaming
// -> (Deactivate, or a player fill of 0 bytes) Closing -> (closed notice)
// Closed. Active() holds from the open call until the closed notice has been
// handled.
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
    // Notices are always delivered on the main thread: true is refused
    // (EWaveAudioInvalidOperation); changes while active are ignored.
    bool Async() const { return false; }
    void SetAsync(bool value);

    bool Active() const { return FActive; }
    void SetActive(bool value);
    // No-op when active; opens the device and starts streaming.
    void Activate() { SetActive(true); }
    // No-op when closed; starts the close, which ends with OnDeactivate.
    void Deactivate() { SetActive(false); }

    // Result of the last device call (0 = success).
    TWaveResult LastError() const { return FLastError; }
    // Bytes of one buffer of BufferLength in the open format.
    std::uint32_t BufferBytes() const;
    // Buffers the stream holds: queued at the device or being handled.
    std::size_t BufferCountInUse() const { return FBuffers.size(); }

    // The device went away while streaming: true from then until it is open
    // again (or a deliberate Deactivate gives it up).
    bool DeviceLost() const { return FLost; }

    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    // The device went away while streaming; its close has begun, and
    // OnDeactivate follows when it is done.
    TNotifyEvent OnDeviceLost;
    // When assigned, a failing device call raises this instead of throwing
    // EWaveAudioSysError, and the operation just fails.
    TNotifyEvent OnError;
    TEvent<TObject*, int> OnLevel;

protected:
    // A buffer of the ring: the device's view plus the block behind it.
    struct THeader : TWaveBuffer {
        std::unique_ptr<std::uint8_t[]> Block; // null once a recorder's handler kept it
        std::uint32_t BlockSize = 0;
        bool Queued = false; // at the device, a notice still to come
    };

    // The format to open with (from PCMFormat in the direction classes).
    virtual TWaveFormat FormatToOpen() const = 0;
    // Direction-specific parts of the opened and buffer notices, under FLock.
    virtual void OpenNotice() = 0;
    virtual void BufferNotice(THeader* header) = 0;

    // Both destructors of the concrete streams call this first, so events of
    // the buffers still returned reach their handlers; idempotent.
    void Shutdown();

    // Store code as FLastError; false (after ReportError) on failure.
    bool CheckResult(TWaveResult code);
    // OnError if assigned, else throw EWaveAudioSysError with the back end's
    // text for FLastError.
    void ReportError();

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
    void WaitForClose();

    TSoundPlatform& FPlatform;
    const TWaveDirection FDirection;
    std::unique_ptr<TSoundDevice> FDevice;
    std::vector<std::unique_ptr<THeader>> FBuffers;
    std::recursive_mutex FLock;
    TWaveFormat FFormat;
    TWaveResult FLastError = wrNoError;
    bool FOpening = false;
    bool FClosing = false;
    bool FDestroying = false;

private:
    void Open();
    // Open the device in this format without reporting a failure; the back
    // end's Open checks the format.
    TWaveResult OpenDevice(const TWaveFormat& format);
    void Close();
    // Ask the device to close, marking the request until the device refuses.
    TWaveResult RequestClose();
    // One quiet attempt to open the lost device again.
    void ReopenTimerTick();
    // Stop trying to reopen; `back` says the device is open again.
    void EndLoss(bool back);
    // TSoundNoticeSink: run the handler under FLock; an escaping exception
    // goes to the main loop's error report and the header being handled is
    // freed.
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
    bool FActive = false;
    bool FCloseRequested = false;
    int FPendingSelfNotices = 0;
    bool FLost = false; // the device went away; not given up yet
    bool FDeviceFailed = false; // the open device reported its failure
    std::unique_ptr<TTimer> FReopenTimer;
};
