// The decoder, with either bit detector (the first byte's second bit), on
// arbitrary capture buffers of arbitrary sizes. Half the inputs are raw
// samples; the other half are bits played as clean FFSK
// tones (so that sync words, blocks and messages are reached), cut into
// buffers of awkward sizes. Nothing may crash, a message may not be longer
// than the blocks heard since the last one allow, and the receiver's memory
// stays bounded by the message it holds.
#include <sanitizer/allocator_interface.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "audio/WaveUtils.h"
#include "modem/FFSKDecoder.h"
#include "modem/FrameFormat.h"

namespace {

constexpr std::size_t BlockBits = 80; // sync word and 8 characters
constexpr std::size_t BlockChars = 8;
// Fixed state (bit trace, shift register, small strings) beside the message.
constexpr std::size_t FixedAllowance = 4096;

// FFSK at 48000 Hz, 40 samples a bit: a 0 is one cycle of 1200 Hz, a 1 one
// and a half cycles of 1800 Hz; the phase runs on across bits.
std::vector<std::int16_t> Modulate(const std::string& bytes, double amplitude)
{
    std::vector<std::int16_t> samples;
    samples.reserve(bytes.size() * 8 * FFSKFrame::SamplesPerBit);
    double phase = 0;
    for (unsigned char byte : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const double hz = (byte >> bit) & 1 ? 1800.0 : 1200.0;
            for (std::uint32_t i = 0; i < FFSKFrame::SamplesPerBit; ++i) {
                phase += 2 * M_PI * hz / 48000.0;
                samples.push_back(static_cast<std::int16_t>(std::lround(std::sin(phase) * amplitude)));
            }
        }
    }
    return samples;
}

// Buffer sizes (samples) the tone inputs are cut into: odd ones, empty ones,
// and ones beyond one capture buffer.
std::uint32_t AwkwardSize(std::uint32_t& state)
{
    static constexpr std::uint32_t sizes[] = {9600, 1, 0, 9601, 7, 20000, 4800, 3, 40, 6173};
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return sizes[state % (sizeof sizes / sizeof sizes[0])];
}

using TBuffers = std::vector<std::vector<std::int16_t>>;

// Raw samples, two bytes each, low byte first: each buffer's size comes
// from the input.
TBuffers RawBuffers(TFuzzInput& in)
{
    TBuffers buffers;
    while (!in.Empty()) {
        const std::string bytes = in.Bytes(in.Word());
        std::vector<std::int16_t> samples;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            samples.push_back(Sample16(reinterpret_cast<const std::uint8_t*>(&bytes[i])));
        buffers.push_back(std::move(samples));
    }
    return buffers;
}

// Tones: amplitude, a seed for the buffer sizes, then the bits to play;
// quiet buffers after them let the last message end.
TBuffers ToneBuffers(TFuzzInput& in)
{
    const double amplitude = (in.Byte() + 1) * 128.0 - 1;
    std::uint32_t sizeState = in.Byte() | 0x100u;
    const std::vector<std::int16_t> samples = Modulate(in.Rest(), amplitude);
    TBuffers buffers;
    for (std::size_t at = 0; at < samples.size();) {
        const std::size_t n = std::min<std::size_t>(AwkwardSize(sizeState), samples.size() - at);
        buffers.emplace_back(
            samples.begin() + static_cast<std::ptrdiff_t>(at), samples.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    for (int i = 0; i < 3; ++i) buffers.emplace_back(TFFSKDecoder::BufferSamples, 0);
    return buffers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();
    const TBuffers buffers = mode & 1 ? ToneBuffers(in) : RawBuffers(in);
    const TDetectorKind kind = mode & 2 ? TDetectorKind::Soft : TDetectorKind::Classic;

    std::int64_t bitsAtMessage = 0;
    std::unique_ptr<TFFSKDecoder> decoder;
    const auto bitsSinceMessage = [&] { return static_cast<std::size_t>(decoder->BitCount() - bitsAtMessage); };
    decoder = std::make_unique<TFFSKDecoder>(kind, [&](const TDecodedMessage& message) {
        const std::size_t blocks = bitsSinceMessage() / BlockBits + 1;
        FuzzCheck(message.Body.size() <= blocks * BlockChars, "a message longer than the blocks heard");
        FuzzCheck(message.Certainty.empty() || message.Certainty.size() == message.Body.size(),
            "a certainty for every byte, or none");
        bitsAtMessage = decoder->BitCount();
    });
    const std::size_t baseline = __sanitizer_get_current_allocated_bytes();

    for (const std::vector<std::int16_t>& given : buffers) {
        {
            // A heap copy of exactly its size, so that reading past it is caught.
            const std::vector<std::int16_t> buffer(given);
            decoder->DecodeBuffer(buffer);
        }
        FuzzCheck(decoder->BitTrace().size() <= TFFSKDecoder::TraceLength, "the bit trace outgrew its length");
        const std::size_t now = __sanitizer_get_current_allocated_bytes();
        const std::size_t held = now > baseline ? now - baseline : 0;
        const std::size_t message = BlockChars * (bitsSinceMessage() / BlockBits + 1);
        // A string may hold twice its length while it grows, and each byte
        // has its certainty beside it.
        FuzzCheck(held <= FixedAllowance + 4 * message,
            "the decoder holds " + std::to_string(held) + " bytes for a message of at most " + std::to_string(message));
    }
    return 0;
}
