#include "audio/AlsaSoundPlatform.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

#include "audio/AlsaDevice.h"

namespace {
// The device buffer: a cushion of up to 200 ms behind the ring's queued
// buffer, so the ring never starves while the main thread is busy, and a
// buffer handed to the player is heard 200 to 400 ms later. Four periods
// keep the wake-ups (and the sound server's requests) few.
constexpr unsigned DeviceBufferUs = 200000;
constexpr unsigned DevicePeriodUs = 50000;

snd_pcm_stream_t StreamOf(TWaveDirection direction)
{
    return direction == TWaveDirection::Playback ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
}

bool IsSupported(const TWaveFormat& format)
{
    return IsPlainPCM(format) && format.SamplesPerSec > 0;
}

// Restrict the PCM's configuration space to the format; with `apply` also
// choose the buffer and period and install the result.
int SetHardware(snd_pcm_t* pcm, const TWaveFormat& format, bool apply)
{
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int result = snd_pcm_hw_params_any(pcm, hw);
    if (result >= 0) result = snd_pcm_hw_params_set_rate_resample(pcm, hw, 1);
    if (result >= 0) result = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (result >= 0)
        result = snd_pcm_hw_params_set_format(
            pcm, hw, format.BitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE);
    if (result >= 0) result = snd_pcm_hw_params_set_channels(pcm, hw, format.Channels);
    if (result >= 0) result = snd_pcm_hw_params_set_rate(pcm, hw, format.SamplesPerSec, 0);
    if (result < 0 || !apply) return result;
    unsigned bufferUs = DeviceBufferUs;
    unsigned periodUs = DevicePeriodUs;
    result = snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, nullptr);
    if (result >= 0) result = snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodUs, nullptr);
    if (result >= 0) result = snd_pcm_hw_params(pcm, hw);
    return result;
}

int SetSoftware(snd_pcm_t* pcm, TWaveDirection direction, snd_pcm_uframes_t period)
{
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    int result = snd_pcm_sw_params_current(pcm, sw);
    // Playback starts as soon as one period is in; the worker keeps the
    // device buffer full from then on.
    if (result >= 0)
        result = snd_pcm_sw_params_set_start_threshold(pcm, sw, direction == TWaveDirection::Playback ? period : 1);
    if (result >= 0) result = snd_pcm_sw_params_set_avail_min(pcm, sw, period);
    if (result >= 0) result = snd_pcm_sw_params(pcm, sw);
    return result;
}

TWaveResult ResultOf(int alsaError)
{
    return static_cast<TWaveResult>(-alsaError);
}

// ALSA writes its own diagnostics ("ALSA lib pulse.c:242:(pulse_connect)
// ...") through one process-wide handler. A lost device is tried again every
// second, and every attempt would repeat the same lines, so each distinct
// diagnostic (by its place in ALSA's source) is written once, in ALSA's own
// layout. The record of what was written belongs to that one handler.
void DiagnosticOncePerPlace(const char* file, int line, const char* function, int err, const char* fmt, ...)
{
    static std::mutex mutex;
    static std::set<std::pair<std::string, int>> written;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!written.emplace(file ? file : "", line).second) return;
    }
    std::fprintf(stderr, "ALSA lib %s:%i:(%s) ", file ? file : "", line, function ? function : "");
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stderr, fmt, args);
    va_end(args);
    if (err) std::fprintf(stderr, ": %s", snd_strerror(err));
    std::fputc('\n', stderr);
}
} // namespace

TAlsaSoundPlatform::TAlsaSoundPlatform()
    : TSoundPlatform("ALSA")
{
    snd_lib_error_set_handler(DiagnosticOncePerPlace);
}

std::string TAlsaSoundPlatform::DeviceName(TWaveDirection direction, int deviceId) const
{
    if (deviceId >= 0) return "plughw:" + std::to_string(deviceId);
    const std::string& chosen = ChosenDevice(direction);
    return chosen.empty() ? std::string("default") : "plughw:CARD=" + chosen;
}

bool TAlsaSoundPlatform::ChosenCardPresent(TWaveDirection direction, int deviceId) const
{
    // A card that is not there would otherwise fail with whatever ALSA's
    // configuration makes of an unknown name.
    const std::string& chosen = ChosenDevice(direction);
    return deviceId != -1 || chosen.empty() || snd_card_get_index(chosen.c_str()) >= 0;
}

TSoundDeviceList* TAlsaSoundPlatform::DeviceList()
{
    if (!FDevices) FDevices = std::make_unique<TAlsaDeviceList>();
    return FDevices.get();
}

TWaveResult TAlsaSoundPlatform::QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format)
{
    if (deviceId < -1 || !ChosenCardPresent(direction, deviceId)) return ENODEV;
    if (!IsSupported(format)) return EINVAL;
    snd_pcm_t* pcm = nullptr;
    int result = snd_pcm_open(&pcm, DeviceName(direction, deviceId).c_str(), StreamOf(direction), SND_PCM_NONBLOCK);
    if (result < 0) return ResultOf(result);
    result = SetHardware(pcm, format, false);
    snd_pcm_close(pcm);
    return result < 0 ? ResultOf(result) : wrNoError;
}

TWaveResult TAlsaSoundPlatform::Open(TWaveDirection direction, int deviceId, const TWaveFormat& format,
    TSoundNoticeSink& sink, std::unique_ptr<TSoundDevice>& device)
{
    if (deviceId < -1 || !ChosenCardPresent(direction, deviceId)) return ENODEV;
    if (!IsSupported(format)) return EINVAL;
    const std::string name = DeviceName(direction, deviceId);
    snd_pcm_t* pcm = nullptr;
    int result = snd_pcm_open(&pcm, name.c_str(), StreamOf(direction), SND_PCM_NONBLOCK);
    if (result < 0) return ResultOf(result);
    snd_pcm_uframes_t bufferFrames = 0;
    snd_pcm_uframes_t periodFrames = 0;
    result = SetHardware(pcm, format, true);
    if (result >= 0) result = snd_pcm_get_params(pcm, &bufferFrames, &periodFrames);
    if (result >= 0) result = SetSoftware(pcm, direction, periodFrames);
    if (result >= 0) result = snd_pcm_prepare(pcm);
    if (result < 0) {
        snd_pcm_close(pcm);
        return ResultOf(result);
    }
    std::fprintf(stderr,
        "parlet: ALSA %s on \"%s\": %s, %u channel(s), %u Hz, device buffer %lu frames (%lu ms), "
        "period %lu frames\n",
        DirectionName(direction), name.c_str(), format.BitsPerSample == 8 ? "U8" : "S16_LE", unsigned {format.Channels},
        format.SamplesPerSec, static_cast<unsigned long>(bufferFrames),
        static_cast<unsigned long>(bufferFrames * 1000 / format.SamplesPerSec),
        static_cast<unsigned long>(periodFrames));
    device = std::make_unique<TAlsaDevice>(*this, direction, pcm, format, periodFrames, sink);
    return wrNoError;
}

TWaveResult TAlsaSoundPlatform::ValidateDevice(TWaveDirection direction, int deviceId)
{
    if (deviceId == -1) return wrNoError;
    if (deviceId < -1) return ENODEV;
    snd_pcm_t* pcm = nullptr;
    const int result =
        snd_pcm_open(&pcm, DeviceName(direction, deviceId).c_str(), StreamOf(direction), SND_PCM_NONBLOCK);
    if (result < 0) return ResultOf(result);
    snd_pcm_close(pcm);
    return wrNoError;
}

std::string TAlsaSoundPlatform::ErrorText(TWaveResult code) const
{
    return snd_strerror(-static_cast<int>(code));
}
