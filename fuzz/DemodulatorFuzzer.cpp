// The demodulator, with either bit detector (the first byte's second bit),
// on arbitrary capture buffers of arbitrary sizes. Half the inputs are raw
// sample bytes; the other half are bits played as clean FFSK
// tones (so that sync words, blocks and messages are reached), cut into
// buffers of awkward sizes. Nothing may crash, a message may not be longer
// than the blocks heard since the last one allow, and the receiver's memory
// stays bounded by the message it holds.
#include <sanitizer/allocator_interface.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "audio/SimulatedSoundCard.h"
#include "base/VirtualLoop.h"
#include "modem/untFFSKReceiver.h"

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
    samples.reserve(bytes.size() * 8 * TFFSKReceiver::SamplesPerBit);
    double phase = 0;
    for (unsigned char byte : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const double hz = (byte >> bit) & 1 ? 1800.0 : 1200.0;
            for (std::uint32_t i = 0; i < TFFSKReceiver::SamplesPerBit; ++i) {
                phase += 2 * M_PI * hz / 48000.0;
                samples.push_back(static_cast<std::int16_t>(std::lround(std::sin(phase) * amplitude)));
            }
        }
    }
    return samples;
}

// Buffer sizes (bytes) the tone inputs are cut into: odd ones, empty ones,
// and ones beyond one capture buffer.
std::uint32_t AwkwardSize(std::uint32_t& state)
{
    static constexpr std::uint32_t sizes[] = {19200, 1, 0, 19201, 7, 40000, 9600, 3, 80, 12345};
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return sizes[state % (sizeof sizes / sizeof sizes[0])];
}

using TBuffers = std::vector<std::vector<std::uint8_t>>;

// Raw bytes: each buffer's size comes from the input.
TBuffers RawBuffers(TFuzzInput& in)
{
    TBuffers buffers;
    while (!in.Empty()) {
        const std::string bytes = in.Bytes(in.Word());
        buffers.emplace_back(bytes.begin(), bytes.end());
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
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples.data());
    const std::size_t total = samples.size() * 2;
    TBuffers buffers;
    for (std::size_t at = 0; at < total;) {
        const std::size_t n = std::min<std::size_t>(AwkwardSize(sizeState), total - at);
        buffers.emplace_back(bytes + at, bytes + at + n);
        at += n;
    }
    for (int i = 0; i < 3; ++i) buffers.emplace_back(19200, 0);
    return buffers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TVirtualLoop loop;
    static TSimulatedSoundCard card;
    TFuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();
    const TBuffers buffers = mode & 1 ? ToneBuffers(in) : RawBuffers(in);
    const TDetectorKind kind = mode & 2 ? TDetectorKind::Soft : TDetectorKind::Classic;

    std::size_t windowsSinceMessage = 0;
    auto receiver = std::make_unique<TFFSKReceiver>(card, kind);
    receiver->OnBitReceive = [&](TObject*, const std::string& trace) {
        FuzzCheck(trace.size() <= TFFSKReceiver::TraceLength, "the bit trace outgrew its length");
        ++windowsSinceMessage;
    };
    receiver->OnReceive = [&](TObject*, bool, const std::string& text) {
        const std::size_t blocks = windowsSinceMessage / BlockBits + 1;
        FuzzCheck(text.size() <= blocks * BlockChars, "a message longer than the blocks heard");
        windowsSinceMessage = 0;
    };
    const std::size_t baseline = __sanitizer_get_current_allocated_bytes();

    for (const std::vector<std::uint8_t>& given : buffers) {
        {
            // A heap copy of exactly its size, so that reading past it is
            // caught; a recorder hands over a real buffer even when nothing
            // was recorded into it.
            std::vector<std::uint8_t> buffer(given);
            if (buffer.empty()) buffer.reserve(1);
            bool freeIt = true;
            receiver->RecorderData(nullptr, buffer.data(), static_cast<std::uint32_t>(given.size()), freeIt);
        }
        const std::size_t now = __sanitizer_get_current_allocated_bytes();
        const std::size_t held = now > baseline ? now - baseline : 0;
        const std::size_t message = BlockChars * (windowsSinceMessage / BlockBits + 1);
        // A string may hold twice its length while it grows.
        FuzzCheck(held <= FixedAllowance + 2 * message,
            "the receiver holds " + std::to_string(held) + " bytes for a message of at most "
                + std::to_string(message));
    }
    receiver.reset();
    loop.RunPending();
    return 0;
}
