#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "modem/BitDetector.h"
#include "modem/DecodedMessage.h"
#include "modem/MessageAssembler.h"

// Samples to messages: the bit detector, the message assembler and the
// end-of-message rule, with no sound stream. The samples come in capture
// buffers of at most 9600 (200 ms); after each, a message whose last block
// came before the previous buffer ended is delivered. A recording is cut
// into the same buffers, so it decodes as it would have live.
class TFFSKDecoder : private TBitSink {
public:
    static constexpr std::size_t BufferSamples = 9600; // one 200 ms capture buffer
    static constexpr std::size_t TraceLength = 40;
    using TDeliver = std::function<void(const TDecodedMessage& message)>;

    TFFSKDecoder(TDetectorKind kind, TDeliver deliver);
    ~TFFSKDecoder() override;

    // One capture buffer: its samples are demodulated, then the
    // end-of-message rule applies. An empty buffer counts as a quiet one.
    void DecodeBuffer(std::span<const std::int16_t> samples);
    // A whole recording: its buffers, the last one filled up with zeros, then
    // two buffers of zeros, so that a message ending with it is delivered.
    void DecodeRecording(std::span<const std::int16_t> samples);

    // One symbol per bit period, newest last, at most 40.
    const std::string& BitTrace() const { return FBitTrace; }
    // Bit periods decided so far.
    std::int64_t BitCount() const { return FAssembler.BitCount(); }

private:
    void BitDecided(const TBitDecision& decision) override;

    std::unique_ptr<TBitDetector> FDetector;
    TMessageAssembler FAssembler;
    std::string FBitTrace;
};
