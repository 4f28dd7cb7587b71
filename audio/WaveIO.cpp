#include "audio/WaveIO.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>

#include "base/MainLoop.h"
#include "base/Timer.h"
#include "base/Translation.h"

namespace {
// How long a destructor waits for a device that does not close.
constexpr int CloseWaitMs = 10000;
// How often a lost device is tried again.
constexpr int ReopenIntervalMs = 1000;
} // namespace

TWaveAudioIO::TWaveAudioIO(TSoundPlatform& platform, TWaveDirection direction)
    : FPlatform(platform)
    , FDirection(direction)
    , FReopenTimer(std::make_unique<TTimer>(ReopenIntervalMs, false))
{
    FReopenConnection = FReopenTimer->OnTimer.Connect([this](TObject*) { ReopenTimerTick(); });
}

TWaveAudioIO::~TWaveAudioIO()
{
    // The concrete stream's destructor has closed already; this only makes
    // sure no device or pending notice outlives the object. The device goes
    // first, before the buffers it may still hold (members would go the
    // other way round), and the self-notices in the main loop's queue must
    // have run before `this` is gone.
    FDestroying = true;
    FReopenTimer->SetEnabled(false);
    FDevice.reset();
    if (FPendingSelfNotices > 0) TMainLoop::Current().WaitUntil([this] { return FPendingSelfNotices == 0; });
}

void TWaveAudioIO::Shutdown()
{
    if (FDestroying) return;
    FDestroying = true;
    try {
        Deactivate();
    } catch (const std::exception& e) {
        TMainLoop::Current().ReportError(e.what());
    }
    if (Closing()) WaitForClose();
    if (Active()) {
        // The device never closed (a failed reset, or a device that hangs):
        // drop it, which stops it without further notices.
        FDevice.reset();
        FState = TWaveStreamState::Closed;
    }
    if (FPendingSelfNotices > 0) TMainLoop::Current().WaitUntil([this] { return FPendingSelfNotices == 0; });
    FBuffers.clear();
}

void TWaveAudioIO::SetDeviceID(int value)
{
    if (value == FDeviceID) return;
    if (Active()) throw EWaveAudioInvalidOperation(Translated("DeviceID cannot be changed while device is open"));
    if (CheckResult(FPlatform.ValidateDevice(FDirection, value))) FDeviceID = value;
}

void TWaveAudioIO::SetBufferLength(std::uint16_t value)
{
    FBufferLength = std::max<std::uint16_t>(value, 10);
}

void TWaveAudioIO::Activate()
{
    if (!Active()) Open();
}

void TWaveAudioIO::Deactivate()
{
    // Also while closed: the lost device is given up.
    EndLoss(false);
    if (Active()) Close();
}

bool TWaveAudioIO::Closing() const
{
    return FState == TWaveStreamState::Closing || FState == TWaveStreamState::CloseRequested;
}

void TWaveAudioIO::BeginClosing()
{
    if (!Closing()) FState = TWaveStreamState::Closing;
}

std::uint32_t TWaveAudioIO::BufferBytes() const
{
    return ::BufferBytes(FFormat, FBufferLength);
}

void TWaveAudioIO::Open()
{
    // Activate and Deactivate check the state first: a closing stream is
    // still active, so no open has to wait for a close.
    if (FState == TWaveStreamState::Opening) return;
    if (Active()) throw EWaveAudioInvalidOperation(Translated("Device is aleardy open"));
    FState = TWaveStreamState::Opening;
    TWaveResult result = wrNoError;
    try {
        const TWaveFormat format = FormatToOpen();
        if (format.FormatTag != WAVE_FORMAT_PCM)
            throw EWaveAudioInvalidOperation(Translated("No audio format is selected"));
        // Asked here only: the reopen of a lost device goes straight to the
        // back end's Open, which checks the format itself, so an attempt
        // reaches a sound server that is down once, not twice.
        result = FPlatform.QueryFormat(FDirection, FDeviceID, format);
        if (result == wrNoError) result = OpenDevice(format);
    } catch (...) {
        if (FState == TWaveStreamState::Opening) FState = TWaveStreamState::Closed;
        throw;
    }
    if (FState == TWaveStreamState::Opening) FState = TWaveStreamState::Closed;
    // The device the user chose, or the system's default, that cannot be
    // opened now is waited for like a lost one: nothing goes to another
    // device meanwhile, and the program runs on without sound.
    if (result != wrNoError && FDeviceID == -1) {
        AwaitDevice(result);
        return;
    }
    CheckResult(result);
}

void TWaveAudioIO::AwaitDevice(TWaveResult result)
{
    FLastError = result;
    const std::string chosen = FPlatform.ChosenDevice(FDirection);
    const std::string device = chosen.empty() ? Translated("System default") : chosen;
    const std::string reason = result == ENODEV && !chosen.empty()
        ? Translated("%1 device \"%2\" not found (%3)", {DirectionName(FDirection), device, FPlatform.BackEndName()})
        : Translated("%1 device \"%2\" (%3): %4",
            {DirectionName(FDirection), device, FPlatform.BackEndName(), FPlatform.ErrorText(result)});
    if (!FLost) std::fprintf(stderr, "parlet: %s; waiting for it\n", reason.c_str());
    SetLost(reason);
    FReopenTimer->SetEnabled(true);
}

void TWaveAudioIO::SetLost(const std::string& reason)
{
    const bool changed = !FLost || reason != FLossReason;
    FLost = true;
    FLossReason = reason;
    if (changed) OnAvailabilityChange(this);
}

TWaveResult TWaveAudioIO::OpenDevice(const TWaveFormat& format)
{
    FFormat = format;
    std::unique_ptr<TSoundDevice> device;
    const TWaveResult result = FPlatform.Open(FDirection, FDeviceID, format, *this, device);
    if (result == wrNoError) {
        FDevice = std::move(device);
        FState = TWaveStreamState::Starting;
        EndLoss(true);
    }
    FLastError = result;
    return result;
}

void TWaveAudioIO::ReopenTimerTick()
{
    if (!FLost || FState != TWaveStreamState::Closed) return;
    // Quiet: a device still missing is simply tried again next time.
    try {
        (void)OpenDevice(FormatToOpen());
    } catch (const std::exception&) {
    }
}

void TWaveAudioIO::EndLoss(bool back)
{
    FReopenTimer->SetEnabled(false);
    if (!FLost) return;
    FLost = false;
    FLossReason.clear();
    if (back) std::fprintf(stderr, "parlet: %s device is back\n", DirectionName(FDirection));
    OnAvailabilityChange(this);
}

void TWaveAudioIO::Close()
{
    if (Closing()) return;
    if (!Active()) throw EWaveAudioInvalidOperation(Translated("Device is aleardy close"));
    const TWaveStreamState before = FState;
    FState = TWaveStreamState::Closing;
    TWaveResult result = FDevice->Reset();
    if (result == wrNoError && FBuffers.empty()) result = RequestClose();
    if (result == wrNoError) return;
    FState = before;
    // Playback lets the failure reach the caller; capture swallows it.
    if (FDirection == TWaveDirection::Playback) {
        CheckResult(result);
        return;
    }
    try {
        CheckResult(result);
    } catch (const EWaveAudioError&) {
    }
}

void TWaveAudioIO::WaitForClose()
{
    if (Active()) TMainLoop::Current().WaitUntil([this] { return !Active(); }, CloseWaitMs);
}

bool TWaveAudioIO::CheckResult(TWaveResult code)
{
    FLastError = code;
    if (code == wrNoError) return true;
    ReportError();
    return false;
}

void TWaveAudioIO::ReportError()
{
    if (OnError.HasListeners()) {
        OnError(this);
        return;
    }
    throw EWaveAudioSysError(FPlatform.ErrorText(FLastError));
}

TWaveAudioIO::THeader* TWaveAudioIO::NewHeader()
{
    FBuffers.push_back(std::make_unique<THeader>());
    return FBuffers.back().get();
}

void TWaveAudioIO::FreeHeader(THeader* header)
{
    auto it = std::find_if(FBuffers.begin(), FBuffers.end(), [header](const auto& h) { return h.get() == header; });
    if (it != FBuffers.end()) FBuffers.erase(it);
}

bool TWaveAudioIO::PrepareBlock(THeader& header, std::uint32_t size)
{
    if (!header.Block || header.BlockSize != size) {
        header.Block.reset(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
        header.BlockSize = header.Block ? size : 0;
        if (!header.Block) return CheckResult(ENOMEM);
    }
    header.Data = header.Block.get();
    header.BufferLength = size;
    header.BytesRecorded = 0;
    header.DeviceNext = nullptr;
    return true;
}

bool TWaveAudioIO::Submit(THeader& header)
{
    const TWaveResult result = FDevice->Submit(header);
    header.Queued = result == wrNoError;
    return CheckResult(result);
}

void TWaveAudioIO::CloseDevice()
{
    if (FState == TWaveStreamState::CloseRequested || !FDevice) return;
    CheckResult(RequestClose());
}

TWaveResult TWaveAudioIO::RequestClose()
{
    const TWaveResult result = FDevice->Close();
    if (result == wrNoError) FState = TWaveStreamState::CloseRequested;
    return result;
}

void TWaveAudioIO::RaiseLevel(const std::uint8_t* block, std::uint32_t size)
{
    if (FDestroying || !OnLevel.HasListeners()) return;
    const int level = ComputeLevel(block, size, FFormat);
    if (level >= 0) OnLevel(this, level);
}

void TWaveAudioIO::PostSelfNotice()
{
    ++FPendingSelfNotices;
    TMainLoop::Current().Post([this] {
        --FPendingSelfNotices;
        if (FDevice && !FDestroying) HandleBufferNotice(nullptr);
    });
}

void TWaveAudioIO::DeviceOpened()
{
    // A stream deactivated before this notice stays closing.
    if (FState == TWaveStreamState::Starting) FState = TWaveStreamState::Streaming;
    try {
        OpenNotice();
    } catch (const std::exception& e) {
        DropHandledBuffers(e);
    }
}

void TWaveAudioIO::BufferDone(TWaveBuffer* buffer)
{
    auto* header = static_cast<THeader*>(buffer);
    header->Queued = false;
    HandleBufferNotice(header);
}

void TWaveAudioIO::HandleBufferNotice(THeader* header)
{
    try {
        BufferNotice(header);
    } catch (const std::exception& e) {
        DropHandledBuffers(e);
        if (Closing() && FBuffers.empty()) {
            try {
                CloseDevice();
            } catch (const std::exception& closeError) {
                TMainLoop::Current().ReportError(closeError.what());
            }
        }
    }
}

void TWaveAudioIO::DropHandledBuffers(const std::exception& error)
{
    // Outside a handler every header is queued at the device, so the ones
    // not queued now are those being handled: free them, and the ring runs
    // on with fewer buffers.
    std::erase_if(FBuffers, [](const auto& h) { return !h->Queued; });
    TMainLoop::Current().ReportError(error.what());
}

void TWaveAudioIO::DeviceClosed()
{
    FDevice.reset();
    FDeviceFailed = false;
    if (!FDestroying) {
        try {
            OnLevel(this, 0);
        } catch (const std::exception& e) {
            TMainLoop::Current().ReportError(e.what());
        }
    }
    FState = TWaveStreamState::Closed;
    FBuffers.clear();
    if (FDestroying) return;
    // Armed before OnDeactivate, so a handler that reopens or deactivates
    // the stream ends the attempts.
    if (FLost) FReopenTimer->SetEnabled(true);
    OnDeactivate(this);
}

void TWaveAudioIO::DeviceFailed(TWaveResult code)
{
    if (FDestroying || !FDevice || FDeviceFailed) return;
    FDeviceFailed = true;
    FLastError = code;
    // A device failing while it closes anyway (Deactivate, or a player's
    // stream that ended) is only let close; one failing while streaming is
    // lost and will be reopened.
    const bool streaming = !Closing();
    BeginClosing();
    if (streaming) {
        std::fprintf(stderr, "parlet: %s device lost: %s; trying to reopen it every second\n",
            DirectionName(FDirection), FPlatform.ErrorText(code).c_str());
        SetLost(Translated("%1 device lost: %2", {DirectionName(FDirection), FPlatform.ErrorText(code)}));
    }
    TMainLoop& loop = TMainLoop::Current();
    loop.Guarded([this] {
        // Every queued buffer comes back; the last one's notice closes it.
        if (FState != TWaveStreamState::CloseRequested) (void)FDevice->Reset();
        if (FBuffers.empty()) CloseDevice();
    });
    if (streaming) loop.Guarded([this] { OnDeviceLost(this); });
}
