#include "audio/WaveUtils.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::uint32_t Rates[] = {8000, 11025, 22050, 44100, 48000};

constexpr const char* Names[] = {"nonePCM", "Mono8Bit8000Hz", "Stereo8bit8000Hz", "Mono16bit8000Hz",
    "Stereo16bit8000Hz", "Mono8bit11025Hz", "Stereo8bit11025Hz", "Mono16bit11025Hz", "Stereo16bit11025Hz",
    "Mono8bit22050Hz", "Stereo8bit22050Hz", "Mono16bit22050Hz", "Stereo16bit22050Hz", "Mono8bit44100Hz",
    "Stereo8bit44100Hz", "Mono16bit44100Hz", "Stereo16bit44100Hz", "Mono8bit48000Hz", "Stereo8bit48000Hz",
    "Mono16bit48000Hz", "Stereo16bit48000Hz"};
} // namespace

bool IsPlainPCM(const TWaveFormat& format)
{
    return format.FormatTag == WAVE_FORMAT_PCM && (format.BitsPerSample == 8 || format.BitsPerSample == 16)
        && (format.Channels == 1 || format.Channels == 2)
        && format.BlockAlign == format.Channels * format.BitsPerSample / 8;
}

TWaveFormat BuildPCMFormat(TPCMFormat format)
{
    TWaveFormat record;
    if (format == nonePCM || format > Stereo16bit48000Hz) return record;
    const unsigned v = format - 1u;
    record.FormatTag = WAVE_FORMAT_PCM;
    record.Channels = static_cast<std::uint16_t>((v & 1u) + 1);
    record.BitsPerSample = (v & 2u) ? 16 : 8;
    record.SamplesPerSec = Rates[v / 4];
    record.BlockAlign = static_cast<std::uint16_t>(record.Channels * record.BitsPerSample / 8);
    record.AvgBytesPerSec = record.BlockAlign * record.SamplesPerSec;
    return record;
}

const char* PCMFormatName(TPCMFormat format)
{
    return format <= Stereo16bit48000Hz ? Names[format] : "";
}

std::uint32_t BufferBytes(const TWaveFormat& format, std::uint32_t milliseconds)
{
    const std::uint64_t scaled = std::uint64_t {format.AvgBytesPerSec} * milliseconds;
    std::uint64_t bytes = (scaled + 500) / 1000;
    if (format.BlockAlign > 1) {
        const std::uint64_t rest = bytes % format.BlockAlign;
        if (rest != 0) bytes += format.BlockAlign - rest;
    }
    return static_cast<std::uint32_t>(bytes);
}

int ComputeLevel(const void* data, std::uint32_t size, const TWaveFormat& format)
{
    if (format.FormatTag != WAVE_FORMAT_PCM || (format.BitsPerSample != 8 && format.BitsPerSample != 16)) return -1;
    if (size == 0 || data == nullptr) return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (format.BitsPerSample == 16) {
        int peak = 0;
        for (std::uint32_t i = 0; i + 1 < size; i += 2) {
            const auto sample = Sample16(bytes + i);
            peak = std::max<int>(peak, sample);
        }
        return peak * 100 / 32767;
    }
    const std::uint8_t peak = *std::max_element(bytes, bytes + size);
    return peak >= 128 ? (peak - 128) * 100 / 127 : 0;
}
