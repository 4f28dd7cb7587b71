#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "audio/VirtualCable.h"
#include "base/VirtualLoop.h"
#include "modem/FFSKDecoder.h"
#include "modem/untFFSK.h"
#include "modem/untFFSKReceiver.h"

namespace modemtest {

struct TMessage {
    bool MessIsSMS;
    std::string RxString;
    std::int64_t AtUs;
    static TMessage From(const TDecodedMessage& message, std::int64_t atUs)
    {
        return {message.Type == TMessageType::Sms, message.Body, atUs};
    }
    bool operator==(const TMessage& other) const { return MessIsSMS == other.MessIsSMS && RxString == other.RxString; }
};

inline void PrintTo(const TMessage& m, std::ostream* os)
{
    *os << (m.MessIsSMS ? "SMS \"" : "LOC \"");
    for (const char c : m.RxString) {
        if (c >= 0x20 && c < 0x7F)
            *os << c;
        else
            *os << "\\x" << std::hex << (static_cast<unsigned>(c) & 0xFF) << std::dec;
    }
    *os << "\" at " << m.AtUs << " us";
}

// The frame bytes a freshly made modulator renders for each text written in
// turn (all queued before the first fill), taken through FillBuffer.
std::vector<std::uint8_t> RenderFrames(const std::vector<std::string>& texts);
inline std::vector<std::uint8_t> RenderFrame(const std::string& text)
{
    return RenderFrames({text});
}

// The bits of a rendered frame, read back by matching each 40-sample bit to
// the tone tables and checking that the wave is continuous. Fails the test
// (and returns what it has) on a bit that matches no table or breaks phase.
std::string FrameBits(const std::vector<std::uint8_t>& frame);

// The bits of bytes, most significant first, as '0'/'1'.
std::string BitsOf(const std::vector<std::uint8_t>& bytes);

// 8-bit output samples as 16-bit capture samples the way a sound card hands
// them over: (b - 128) * 256 * gain, rounded and clipped, little-endian.
std::vector<std::uint8_t> ToCapture(const std::vector<std::uint8_t>& frame, double gain = 1.0);

// A decoder fed capture bytes directly, without a sound stream.
class TDirectReceiver {
public:
    explicit TDirectReceiver(TDetectorKind kind = TDetectorKind::Classic);
    // Feeds 16-bit samples in capture buffers of bufferSamples (the last one
    // padded with zeros), then `idle` buffers of zeros.
    void Feed(const std::vector<std::uint8_t>& capture, int idle = 2, std::uint32_t bufferSamples = 9600);
    TFFSKDecoder& Decoder() { return FDecoder; }
    std::vector<TMessage> Messages;
    std::vector<TDecodedMessage> Decoded;

private:
    TFFSKDecoder FDecoder;
};

// 16-bit little-endian capture bytes as samples.
std::vector<std::int16_t> CaptureSamples(const std::vector<std::uint8_t>& capture);
// The symbols a fresh detector of that kind decides for capture bytes.
std::string DetectorSymbols(TDetectorKind kind, const std::vector<std::uint8_t>& capture);

// A modulator and a receiver on one simulated card, output looped back to
// input through a virtual cable, on virtual time.
class TLoopback {
public:
    // The receiver opens at once; the modulator `delaySamples` later.
    explicit TLoopback(std::int64_t delaySamples = 0, TDetectorKind kind = TDetectorKind::Classic);
    ~TLoopback();

    TVirtualLoop Loop;
    TSimulatedSoundCard Card;
    TVirtualCable Cable {Card, Card};
    std::unique_ptr<TFFSKReceiver> Receiver;
    std::unique_ptr<TFFSK> Modulator;
    std::vector<TMessage> Messages;
    TConnection ReceiveConnection;
    TConnection ReadyConnection;
    int Readies = 0;
    std::int64_t LastReadyUs = -1;

    // Advance until n messages have arrived, or maxMs passed.
    bool WaitForMessages(std::size_t n, std::int64_t maxMs = 3000);
};

// The gain that gives the modulator's tones this peak on the 16-bit input.
double GainForPeak(double peak);

} // namespace modemtest
