#include "audio/PulseDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "audio/PulseConnection.h"
#include "audio/PulseSoundPlatform.h"

namespace {
// The same cushion as on ALSA: up to 200 ms in the server behind the ring's
// queued buffer, asked for and delivered in 50 ms pieces.
constexpr std::uint32_t ServerBufferMs = 200;
constexpr std::uint32_t ServerPeriodMs = 50;

std::uint32_t BytesOfMs(const TWaveFormat& format, std::uint32_t ms)
{
    return static_cast<std::uint32_t>(std::uint64_t {format.SamplesPerSec} * ms / 1000) * format.BlockAlign;
}

pa_sample_spec SpecOf(const TWaveFormat& format)
{
    pa_sample_spec spec {};
    spec.format = format.BitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = format.SamplesPerSec;
    spec.channels = static_cast<std::uint8_t>(format.Channels);
    return spec;
}
} // namespace

TPulseDevice::TPulseDevice(TPulseSoundPlatform& platform, TPulseConnection& connection, TWaveDirection direction,
    const TWaveFormat& format, const std::string& streamName, const std::string& deviceName, TSoundNoticeSink& sink,
    TWaveResult& result)
    : FPlatform(platform)
    , FConnection(connection)
    , FDirection(direction)
    , FFormat(format)
    , FPoster(sink)
{
    const pa_sample_spec spec = SpecOf(format);
    FStream = pa_stream_new(FConnection.Context(), streamName.c_str(), &spec, nullptr);
    result = FStream ? Connect(deviceName) : static_cast<TWaveResult>(FConnection.LastError());
    if (result != wrNoError) {
        Release();
        return;
    }
    const pa_buffer_attr* attr = pa_stream_get_buffer_attr(FStream);
    std::fprintf(stderr, "parlet: sound server %s on \"%s\": %s, %u channel(s), %u Hz, server buffer %u ms\n",
        DirectionName(direction), pa_stream_get_device_name(FStream), format.BitsPerSample == 8 ? "U8" : "S16_LE",
        unsigned {format.Channels}, format.SamplesPerSec,
        attr ? static_cast<unsigned>(
            std::uint64_t {direction == TWaveDirection::Playback ? attr->tlength : attr->fragsize} * 1000
            / (std::uint64_t {format.SamplesPerSec} * format.BlockAlign))
             : 0u);
    FPoster.Opened();
}

TWaveResult TPulseDevice::Connect(const std::string& deviceName)
{
    pa_stream_set_state_callback(
        FStream, [](pa_stream*, void* self) { static_cast<TPulseDevice*>(self)->StateChanged(); }, this);
    const bool playback = FDirection == TWaveDirection::Playback;
    pa_buffer_attr attr {};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = playback ? BytesOfMs(FFormat, ServerBufferMs) : static_cast<std::uint32_t>(-1);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = playback ? BytesOfMs(FFormat, ServerPeriodMs) : static_cast<std::uint32_t>(-1);
    attr.fragsize = playback ? static_cast<std::uint32_t>(-1) : BytesOfMs(FFormat, ServerPeriodMs);
    // A device the user chose stays where it is: when it goes, the stream
    // fails instead of being moved to the speakers.
    int flags = PA_STREAM_ADJUST_LATENCY;
    if (!deviceName.empty()) flags |= PA_STREAM_DONT_MOVE;
    const char* device = deviceName.empty() ? nullptr : deviceName.c_str();
    int connected;
    if (playback) {
        pa_stream_set_write_callback(
            FStream, [](pa_stream*, std::size_t n, void* self) { static_cast<TPulseDevice*>(self)->Write(n); }, this);
        pa_stream_set_underflow_callback(
            FStream, [](pa_stream*, void* self) { ++static_cast<TPulseDevice*>(self)->FPlatform.FUnderruns; }, this);
        connected =
            pa_stream_connect_playback(FStream, device, &attr, static_cast<pa_stream_flags_t>(flags), nullptr, nullptr);
    } else {
        pa_stream_set_read_callback(
            FStream, [](pa_stream*, std::size_t, void* self) { static_cast<TPulseDevice*>(self)->Read(); }, this);
        pa_stream_set_overflow_callback(
            FStream, [](pa_stream*, void* self) { ++static_cast<TPulseDevice*>(self)->FPlatform.FOverruns; }, this);
        // Recording waits for Start.
        flags |= PA_STREAM_START_CORKED;
        connected = pa_stream_connect_record(FStream, device, &attr, static_cast<pa_stream_flags_t>(flags));
    }
    if (connected < 0) return static_cast<TWaveResult>(FConnection.LastError());
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(FStream);
        if (state == PA_STREAM_READY) break;
        if (!PA_STREAM_IS_GOOD(state)) return static_cast<TWaveResult>(FConnection.LastError());
        FConnection.WaitForSignal();
    }
    FRunning = true;
    return wrNoError;
}

TPulseDevice::~TPulseDevice()
{
    {
        TPulseConnection::TLock lock(FConnection);
        Release();
    }
    FPoster.Detach();
}

void TPulseDevice::Release()
{
    if (!FStream) return;
    pa_stream_set_state_callback(FStream, nullptr, nullptr);
    pa_stream_set_write_callback(FStream, nullptr, nullptr);
    pa_stream_set_read_callback(FStream, nullptr, nullptr);
    pa_stream_set_underflow_callback(FStream, nullptr, nullptr);
    pa_stream_set_overflow_callback(FStream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(FStream))) pa_stream_disconnect(FStream);
    pa_stream_unref(FStream);
    FStream = nullptr;
}

TWaveResult TPulseDevice::Submit(TWaveBuffer& buffer)
{
    TPulseConnection::TLock lock(FConnection);
    if (FCloseAsked) return EINVAL;
    AppendToDeviceQueue(FHead, FTail, buffer);
    // The server asks only for what it misses; a buffer that arrives after
    // it asked goes out now.
    if (FDirection == TWaveDirection::Playback && !FFailed) {
        const std::size_t writable = pa_stream_writable_size(FStream);
        if (writable != static_cast<std::size_t>(-1) && writable > 0) Write(writable);
    }
    return wrNoError;
}

TWaveResult TPulseDevice::Start()
{
    TPulseConnection::TLock lock(FConnection);
    if (FDirection == TWaveDirection::Capture && !FFailed)
        if (pa_operation* operation = pa_stream_cork(FStream, 0, nullptr, nullptr)) pa_operation_unref(operation);
    return wrNoError;
}

TWaveResult TPulseDevice::Reset()
{
    TPulseConnection::TLock lock(FConnection);
    if (FCloseAsked) return EINVAL;
    // Stop at once: playback drops what waits in the server, capture keeps
    // what the buffer being filled has got so far.
    if (!FFailed) {
        if (FDirection == TWaveDirection::Capture)
            if (pa_operation* operation = pa_stream_cork(FStream, 1, nullptr, nullptr)) pa_operation_unref(operation);
        if (pa_operation* operation = pa_stream_flush(FStream, nullptr, nullptr)) pa_operation_unref(operation);
    }
    TWaveBuffer* list = FHead;
    FHead = FTail = nullptr;
    FOffset = 0;
    while (list) {
        TWaveBuffer* next = list->DeviceNext;
        FPoster.Done(list);
        list = next;
    }
    return wrNoError;
}

TWaveResult TPulseDevice::Close()
{
    TPulseConnection::TLock lock(FConnection);
    if (FHead) return EBUSY;
    if (FCloseAsked) return EINVAL;
    FCloseAsked = true;
    if (FFailed || FDirection == TWaveDirection::Capture) {
        Closed();
        return wrNoError;
    }
    // Let the last buffers be heard before the stream closes.
    pa_operation* drain = pa_stream_drain(
        FStream, [](pa_stream*, int, void* self) { static_cast<TPulseDevice*>(self)->Closed(); }, this);
    if (!drain) {
        Closed();
        return wrNoError;
    }
    pa_operation_unref(drain);
    return wrNoError;
}

void TPulseDevice::Closed()
{
    if (FClosed) return;
    FClosed = true;
    FPoster.Closed();
}

void TPulseDevice::StateChanged()
{
    FConnection.Signal();
    if (!FRunning || FFailed || PA_STREAM_IS_GOOD(pa_stream_get_state(FStream))) return;
    // Killed by the server (its sink or source removed) or the server gone.
    FFailed = true;
    const int code = FConnection.LastError();
    FPoster.Failed(static_cast<TWaveResult>(code == 0 ? ENODEV : code));
    // A drain still waiting will never finish.
    if (FCloseAsked) Closed();
}

void TPulseDevice::Write(std::size_t bytes)
{
    while (bytes > 0 && FHead && !FFailed) {
        TWaveBuffer& head = *FHead;
        const std::uint32_t left = head.BufferLength - FOffset;
        const std::size_t chunk = std::min<std::size_t>(left, bytes);
        if (chunk > 0 && pa_stream_write(FStream, head.Data + FOffset, chunk, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
        FOffset += static_cast<std::uint32_t>(chunk);
        bytes -= chunk;
        if (FOffset < head.BufferLength) continue;
        FOffset = 0;
        FinishHead();
    }
}

void TPulseDevice::Read()
{
    for (;;) {
        const void* data = nullptr;
        std::size_t size = 0;
        if (pa_stream_peek(FStream, &data, &size) < 0 || size == 0) return;
        std::size_t taken = 0;
        while (taken < size && FHead) {
            TWaveBuffer& head = *FHead;
            const std::size_t chunk = std::min<std::size_t>(head.BufferLength - head.BytesRecorded, size - taken);
            // A hole in the stream is silence.
            if (data)
                std::memcpy(head.Data + head.BytesRecorded, static_cast<const std::uint8_t*>(data) + taken, chunk);
            else
                std::memset(head.Data + head.BytesRecorded, FFormat.BitsPerSample == 8 ? 0x80 : 0, chunk);
            head.BytesRecorded += static_cast<std::uint32_t>(chunk);
            taken += chunk;
            if (head.BytesRecorded >= head.BufferLength) FinishHead();
        }
        // With no buffer queued the rest is lost.
        if (taken < size) ++FPlatform.FOverruns;
        pa_stream_drop(FStream);
    }
}

void TPulseDevice::FinishHead()
{
    TWaveBuffer* done = FHead;
    FHead = done->DeviceNext;
    if (!FHead) FTail = nullptr;
    FPoster.Done(done);
}
