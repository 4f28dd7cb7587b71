#include "ModemTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "audio/SampleCodec.h"
#include "audio/SimulatedClock.h"
#include "audio/WaveUtils.h"

namespace modemtest {

std::vector<std::uint8_t> RenderFrames(const std::vector<std::string>& texts)
{
    std::optional<TVirtualLoop> loop;
    if (!TMainLoop::Exists()) loop.emplace();
    TSimulatedSoundCard card;
    TFFSK modulator(card);
    for (const std::string& text : texts) modulator.WriteText(text);
    std::vector<std::uint8_t> frame;
    std::vector<std::uint8_t> buffer(TFFSK::BlockSize);
    while (modulator.QueuedBytes() > 0) {
        const std::uint32_t n = modulator.FillBuffer(nullptr, buffer.data(), TFFSK::BlockSize);
        frame.insert(frame.end(), buffer.begin(), buffer.begin() + n);
    }
    return frame;
}

std::string FrameBits(const std::vector<std::uint8_t>& frame)
{
    std::optional<TVirtualLoop> loop;
    if (!TMainLoop::Exists()) loop.emplace();
    TSimulatedSoundCard card;
    const TFFSK tables(card);
    std::string bits;
    bool phase = false;
    EXPECT_EQ(frame.size() % TFFSK::SamplesPerBit, 0u);
    for (std::size_t at = 0; at + TFFSK::SamplesPerBit <= frame.size(); at += TFFSK::SamplesPerBit) {
        const auto matches = [&](const TFFSK::TTone& tone) {
            return std::equal(tone.begin(), tone.end(), frame.begin() + static_cast<std::ptrdiff_t>(at));
        };
        if (matches(phase ? tables.Tone1800Up() : tables.Tone1800Down())) {
            bits += '1';
            phase = !phase;
        } else if (matches(phase ? tables.Tone1200Up() : tables.Tone1200Down())) {
            bits += '0';
        } else {
            ADD_FAILURE() << "sample " << at << ": no tone of the expected phase";
            return bits;
        }
    }
    return bits;
}

std::string BitsOf(const std::vector<std::uint8_t>& bytes)
{
    std::string bits;
    for (const std::uint8_t b : bytes)
        for (int i = 7; i >= 0; --i) bits += ((b >> i) & 1) ? '1' : '0';
    return bits;
}

std::vector<std::uint8_t> ToCapture(const std::vector<std::uint8_t>& frame, double gain)
{
    const TWaveFormat format = BuildPCMFormat(Mono16bit48000Hz);
    std::vector<std::uint8_t> capture(frame.size() * 2);
    for (std::size_t i = 0; i < frame.size(); ++i)
        EncodeFrame((frame[i] - 128) * gain / 128.0, &capture[2 * i], format);
    return capture;
}

TDirectReceiver::TDirectReceiver(TDetectorKind kind)
    : FDecoder(kind, [this](const TDecodedMessage& message) {
        Messages.push_back(TMessage::From(message, 0));
        Decoded.push_back(message);
    })
{
}

void TDirectReceiver::Feed(const std::vector<std::uint8_t>& capture, int idle, std::uint32_t bufferSamples)
{
    std::vector<std::int16_t> samples = CaptureSamples(capture);
    samples.resize((samples.size() + bufferSamples - 1) / bufferSamples * bufferSamples, 0);
    samples.resize(samples.size() + std::size_t {bufferSamples} * static_cast<std::size_t>(idle), 0);
    for (std::size_t at = 0; at < samples.size(); at += bufferSamples)
        FDecoder.DecodeBuffer(std::span(samples).subspan(at, bufferSamples));
}

std::vector<std::int16_t> CaptureSamples(const std::vector<std::uint8_t>& capture)
{
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i + 1 < capture.size(); i += 2) samples.push_back(Sample16(&capture[i]));
    return samples;
}

std::string DetectorSymbols(TDetectorKind kind, const std::vector<std::uint8_t>& capture)
{
    struct TSymbols : TBitSink {
        std::string All;
        void BitDecided(const TBitDecision& decision) override { All.push_back(decision.Symbol); }
    } symbols;
    MakeBitDetector(kind)->Demodulate(CaptureSamples(capture), symbols);
    return symbols.All;
}

TLoopback::TLoopback(std::int64_t delaySamples, TDetectorKind kind)
{
    Receiver = std::make_unique<TFFSKReceiver>(Card, kind);
    ReceiveConnection = Receiver->OnReceive.Connect([this](TObject*, const TDecodedMessage& message) {
        Messages.push_back(TMessage::From(message, Loop.NowUs()));
    });
    Loop.AdvanceToUs(SimulatedClock::TicksToUsCeil(delaySamples * SimulatedClock::PeriodTicks(48000)));
    Modulator = std::make_unique<TFFSK>(Card);
    ReadyConnection = Modulator->OnReady.Connect([this](TObject*) {
        ++Readies;
        LastReadyUs = Loop.NowUs();
    });
}

TLoopback::~TLoopback()
{
    Modulator.reset();
    Receiver.reset();
}

bool TLoopback::WaitForMessages(std::size_t n, std::int64_t maxMs)
{
    return Loop.AdvanceUntil([&] { return Messages.size() >= n; }, maxMs);
}

double GainForPeak(double peak)
{
    return peak / ((147 - 128) * 256.0);
}

} // namespace modemtest
