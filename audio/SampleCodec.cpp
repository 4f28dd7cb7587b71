#include "audio/SampleCodec.h"

#include <algorithm>
#include <cmath>

namespace {
double DecodeSample(const std::uint8_t* sample, std::uint16_t bits)
{
    if (bits == 8) return (sample[0] - 128) / 128.0;
    return Sample16(sample) / 32768.0;
}
} // namespace

double DecodeFrame(const std::uint8_t* frame, const TWaveFormat& format)
{
    const std::uint16_t bytes = format.BitsPerSample / 8;
    double sum = 0;
    for (std::uint16_t c = 0; c < format.Channels; ++c) sum += DecodeSample(frame + c * bytes, format.BitsPerSample);
    return format.Channels > 0 ? sum / format.Channels : 0.0;
}

void EncodeFrame(double value, std::uint8_t* frame, const TWaveFormat& format)
{
    for (std::uint16_t c = 0; c < format.Channels; ++c) {
        if (format.BitsPerSample == 8) {
            frame[c] = static_cast<std::uint8_t>(std::clamp<long>(std::lround(value * 128) + 128, 0, 255));
        } else {
            const auto s = static_cast<std::int16_t>(std::clamp<long>(std::lround(value * 32768), -32768, 32767));
            frame[2 * c] = static_cast<std::uint8_t>(s & 0xff);
            frame[2 * c + 1] = static_cast<std::uint8_t>((s >> 8) & 0xff);
        }
    }
}
