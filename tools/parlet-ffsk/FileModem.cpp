#include "FileModem.h"

#include <algorithm>

#include "audio/WavFile.h"
#include "audio/WaveUtils.h"
#include "modem/FFSKDecoder.h"
#include "modem/FrameRenderer.h"

namespace {

template <typename Fn> auto ForFile(const std::string& file, Fn&& fn)
{
    try {
        return fn();
    } catch (const EFileModemError&) {
        throw;
    } catch (const std::exception& e) {
        throw EFileModemError(file, e.what());
    }
}

// The samples from `from` on, at most `count` of them, into `out`.
void Samples(const TWavData& wav, std::size_t from, std::size_t count, std::vector<std::int16_t>& out)
{
    const std::size_t width = wav.BitsPerSample / 8;
    count = std::min(count, wav.Data.size() / width - from);
    out.resize(count);
    const std::uint8_t* in = wav.Data.data() + from * width;
    if (width == 1) {
        for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::int16_t>((in[i] - 128) * 256);
    } else {
        Samples16(in, count, out.data());
    }
}

} // namespace

void EncodeToFile(const std::string& text, const std::string& path)
{
    ForFile(path, [&] {
        TWavData wav;
        wav.Channels = 1;
        wav.SampleRate = FFSKFrame::SampleRate;
        wav.BitsPerSample = 8;
        wav.Data = TFrameRenderer::Render({text});
        WriteWavFile(path, wav);
    });
}

std::vector<TDecodedMessage> DecodeFile(const std::string& path, TDetectorKind kind)
{
    return ForFile(path, [&] {
        const TWavData input = ReadWavFile(path);
        if (input.Channels != 1 || input.SampleRate != FFSKFrame::SampleRate
            || (input.BitsPerSample != 8 && input.BitsPerSample != 16)) {
            throw EFileModemError(path,
                "unsupported format: " + std::to_string(input.Channels) + " channel(s), "
                    + std::to_string(input.SampleRate) + " Hz, " + std::to_string(input.BitsPerSample)
                    + "-bit (needs mono, 48000 Hz, 8- or 16-bit PCM)");
        }
        std::vector<TDecodedMessage> messages;
        TFFSKDecoder decoder(kind, [&](const TDecodedMessage& message) { messages.push_back(message); });
        // Converted a capture buffer at a time: the file is not held twice.
        const std::size_t total = input.Data.size() / (input.BitsPerSample / 8);
        std::vector<std::int16_t> buffer;
        std::size_t at = 0;
        for (; at + TFFSKDecoder::BufferSamples <= total; at += TFFSKDecoder::BufferSamples) {
            Samples(input, at, TFFSKDecoder::BufferSamples, buffer);
            decoder.DecodeBuffer(buffer);
        }
        Samples(input, at, total - at, buffer);
        decoder.DecodeRecording(buffer);
        return messages;
    });
}
