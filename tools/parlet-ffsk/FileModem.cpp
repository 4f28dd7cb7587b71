#include "FileModem.h"

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

std::vector<std::int16_t> Samples(const TWavData& wav)
{
    std::vector<std::int16_t> samples;
    if (wav.BitsPerSample == 8) {
        samples.reserve(wav.Data.size());
        for (const std::uint8_t b : wav.Data) samples.push_back(static_cast<std::int16_t>((b - 128) * 256));
    } else {
        samples.reserve(wav.Data.size() / 2);
        for (std::size_t i = 0; i + 1 < wav.Data.size(); i += 2) samples.push_back(Sample16(&wav.Data[i]));
    }
    return samples;
}

} // namespace

void EncodeToFile(const std::string& Text, const std::string& path)
{
    ForFile(path, [&] {
        TWavData wav;
        wav.Channels = 1;
        wav.SampleRate = FFSKFrame::SampleRate;
        wav.BitsPerSample = 8;
        wav.Data = TFrameRenderer::Render({Text});
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
        decoder.DecodeRecording(Samples(input));
        return messages;
    });
}
