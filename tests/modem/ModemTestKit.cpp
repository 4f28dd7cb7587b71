#include "ModemTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "audio/SampleCodec.h"
#include "audio/SimulatedClock.h"

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
    std::uint32_t loops = 0;
    while (modulator.QueuedBytes() > 0) {
        const std::uint32_t n = modulator.FillBuffer(nullptr, buffer.data(), TFFSK::BlockSize, loops);
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
    : FReceiver(std::make_unique<TFFSKReceiver>(FCard, kind))
{
    FReceiver->OnReceive = [this](TObject*, bool sms, const std::string& text) {
        Messages.push_back({sms, text, FLoop.NowUs()});
    };
    FReceiver->OnBitReceive = [this](TObject*, const std::string& trace) { Traces.push_back(trace); };
}

TDirectReceiver::~TDirectReceiver()
{
    FReceiver.reset();
}

void TDirectReceiver::Feed(const std::vector<std::uint8_t>& capture, int idle, std::uint32_t bufferSamples)
{
    const std::size_t bufferBytes = std::size_t {bufferSamples} * 2;
    std::vector<std::uint8_t> buffer(bufferBytes);
    bool freeIt = true;
    for (std::size_t at = 0; at < capture.size(); at += bufferBytes) {
        std::fill(buffer.begin(), buffer.end(), 0);
        std::copy_n(capture.begin() + static_cast<std::ptrdiff_t>(at), std::min(bufferBytes, capture.size() - at),
            buffer.begin());
        FReceiver->RecorderData(nullptr, buffer.data(), static_cast<std::uint32_t>(bufferBytes), freeIt);
    }
    std::fill(buffer.begin(), buffer.end(), 0);
    for (int i = 0; i < idle; ++i)
        FReceiver->RecorderData(nullptr, buffer.data(), static_cast<std::uint32_t>(bufferBytes), freeIt);
}

TLoopback::TLoopback(std::int64_t delaySamples, TDetectorKind kind)
{
    Receiver = std::make_unique<TFFSKReceiver>(Card, kind);
    Receiver->OnReceive = [this](TObject*, bool sms, const std::string& text) {
        Messages.push_back({sms, text, Loop.NowUs()});
    };
    Loop.AdvanceToUs(SimulatedClock::TicksToUsCeil(delaySamples * SimulatedClock::PeriodTicks(48000)));
    Modulator = std::make_unique<TFFSK>(Card);
    Modulator->OnReady = [this](TObject*) {
        ++Readies;
        LastReadyUs = Loop.NowUs();
    };
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
