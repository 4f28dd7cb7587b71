#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "audio/WavePlayers.h"
#include "audio/WaveRecorders.h"
#include "base/VirtualLoop.h"

namespace {

// A player of 16-bit mono at 48000 Hz making a sine tone, and a recorder of
// the same format keeping everything it gets.
struct Station {
    TSimulatedSoundCard card;
    TLiveAudioPlayer player {card};
    TLiveAudioRecorder recorder {card};
    std::vector<std::int16_t> heard;
    double frequency = 1000.0;
    double amplitude = 0.5;
    std::int64_t phase = 0;

    Station()
    {
        player.SetBufferLength(200);
        player.SetPCMFormat(Mono16bit48000Hz);
        player.OnData = [this](TObject*, std::uint8_t* buffer, std::uint32_t size) {
            for (std::uint32_t i = 0; i + 1 < size; i += 2, ++phase) {
                const auto s = static_cast<std::int16_t>(
                    std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * frequency * phase / 48000.0)));
                buffer[i] = static_cast<std::uint8_t>(s & 0xff);
                buffer[i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xff);
            }
            return size;
        };
        recorder.SetBufferLength(200);
        recorder.SetPCMFormat(Mono16bit48000Hz);
        connections.push_back(recorder.OnData.Connect([this](TObject*, const std::uint8_t* buffer, std::uint32_t size) {
            for (std::uint32_t i = 0; i + 1 < size; i += 2)
                heard.push_back(static_cast<std::int16_t>(buffer[i] | (buffer[i + 1] << 8)));
        }));
    }
    // Last: the listeners end before what they use.
    std::vector<TConnection> connections;
};

// Rising zero crossings per second over the samples from `from` on.
double MeasuredFrequency(const std::vector<std::int16_t>& s, std::size_t from)
{
    int crossings = 0;
    std::size_t first = 0, last = 0;
    for (std::size_t k = from + 1; k < s.size(); ++k)
        if (s[k - 1] < 0 && s[k] >= 0) {
            if (crossings++ == 0) first = k;
            last = k;
        }
    return (crossings - 1) * 48000.0 / static_cast<double>(last - first);
}

double Rms(const std::vector<std::int16_t>& s)
{
    double sum = 0;
    for (auto v : s) sum += double(v) * v;
    return std::sqrt(sum / static_cast<double>(s.size())) / 32768.0;
}

} // namespace

TEST(VirtualCable, GainAndOffsetScaleTheSignalExactly)
{
    TVirtualLoop loop;
    Station a;
    a.player.SetPCMFormat(Mono8bit48000Hz);
    a.player.OnData = [](TObject*, std::uint8_t* buffer, std::uint32_t size) {
        std::fill(buffer, buffer + size, 228);
        return size;
    };
    TVirtualCable cable(a.card, a.card);
    cable.SetGain(0.5);
    cable.SetDcOffset(0.1);
    a.player.Activate();
    a.recorder.Activate();
    loop.AdvanceByMs(400);
    ASSERT_EQ(a.heard.size(), 2u * 9600u);
    // (228 - 128) / 128 * 0.5 + 0.1 = 0.490625 -> 16076.8
    for (auto v : a.heard) ASSERT_EQ(v, 16077);
}

TEST(VirtualCable, ClipsAtFullScale)
{
    TVirtualLoop loop;
    Station a;
    TVirtualCable cable(a.card, a.card);
    cable.SetGain(4.0);
    a.player.Activate();
    a.recorder.Activate();
    loop.AdvanceByMs(200);
    EXPECT_EQ(*std::max_element(a.heard.begin(), a.heard.end()), 32767);
    EXPECT_EQ(*std::min_element(a.heard.begin(), a.heard.end()), -32768);
}

TEST(VirtualCable, NoiseIsSeededAndHasTheRmsAsked)
{
    auto record = [](std::uint32_t seed) {
        TVirtualLoop loop;
        Station a;
        a.amplitude = 0;
        TVirtualCable cable(a.card, a.card);
        cable.SetNoise(0.05, seed);
        a.player.Activate();
        a.recorder.Activate();
        loop.AdvanceByMs(1000);
        return a.heard;
    };
    const auto first = record(7);
    EXPECT_EQ(first, record(7));
    EXPECT_NE(first, record(8));
    EXPECT_NEAR(Rms(first), 0.05, 0.002);
}

TEST(VirtualCable, ClockSkewStretchesTheSignal)
{
    TVirtualLoop loop;
    Station a;
    TVirtualCable cable(a.card, a.card);
    a.player.Activate();
    a.recorder.Activate();
    loop.AdvanceByMs(2000);
    EXPECT_NEAR(MeasuredFrequency(a.heard, 0), 1000.0, 0.05);
    cable.SetClockSkewPpm(5000); // the receiver takes 0.5 % more samples
    const std::size_t from = a.heard.size();
    loop.AdvanceByMs(4000);
    EXPECT_NEAR(MeasuredFrequency(a.heard, from), 1000.0 / 1.005, 0.1);
}

TEST(VirtualCable, TwoCardsTalkBothWaysAndUnpluggingSilences)
{
    TVirtualLoop loop;
    Station a, b;
    b.frequency = 1500;
    auto ab = std::make_unique<TVirtualCable>(a.card, b.card);
    TVirtualCable ba(b.card, a.card);
    for (Station* s : {&a, &b}) {
        s->player.Activate();
        s->recorder.Activate();
    }
    loop.AdvanceByMs(2000);
    EXPECT_NEAR(MeasuredFrequency(b.heard, 0), 1000.0, 0.05);
    EXPECT_NEAR(MeasuredFrequency(a.heard, 0), 1500.0, 0.05);
    EXPECT_NEAR(Rms(a.heard), 0.5 / std::sqrt(2.0), 0.001);
    ab.reset();
    b.heard.clear();
    loop.AdvanceByMs(400);
    EXPECT_EQ(b.heard, std::vector<std::int16_t>(2 * 9600, 0));
}

TEST(VirtualCable, CablesIntoOneInputAddUp)
{
    TVirtualLoop loop;
    Station a, b;
    for (Station* s : {&a, &b}) {
        s->player.SetPCMFormat(Mono8bit48000Hz);
        s->player.OnData = [](TObject*, std::uint8_t* buffer, std::uint32_t size) {
            std::fill(buffer, buffer + size, 160);
            return size;
        };
    }
    TVirtualCable fromA(a.card, b.card);
    TVirtualCable fromB(b.card, b.card);
    a.player.Activate();
    b.player.Activate();
    b.recorder.Activate();
    loop.AdvanceByMs(200);
    ASSERT_FALSE(b.heard.empty());
    for (auto v : b.heard) ASSERT_EQ(v, 2 * 32 * 256);
}

TEST(SimulatedSoundCard, PlaybackThatRunsDryIsCountedAndRestartsAfterTheGap)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    card.SetRecordPlayback(true);
    struct Sink : TSoundNoticeSink {
        std::vector<std::int64_t> done;
        bool opened = false, closed = false;
        void DeviceOpened() override { opened = true; }
        void BufferDone(TWaveBuffer*) override { done.push_back(TMainLoop::Current().NowUs()); }
        void DeviceClosed() override { closed = true; }
        void DeviceFailed(TWaveResult) override { }
    } sink;
    std::unique_ptr<TSoundDevice> device;
    const TWaveFormat format = BuildPCMFormat(Mono8bit48000Hz);
    ASSERT_EQ(card.Open(TWaveDirection::Playback, -1, format, sink, device), wrNoError);
    EXPECT_EQ(card.Open(TWaveDirection::Playback, 0, format, sink, device), static_cast<TWaveResult>(EBUSY));
    loop.RunPending();
    EXPECT_TRUE(sink.opened);
    std::vector<std::uint8_t> data(480, 150);
    TWaveBuffer one, two;
    one.Data = two.Data = data.data();
    one.BufferLength = two.BufferLength = 480;
    device->Submit(one);
    EXPECT_EQ(device->Close(), static_cast<TWaveResult>(EBUSY));
    loop.AdvanceByMs(15);
    device->Submit(two);
    loop.AdvanceByMs(50);
    EXPECT_EQ(sink.done, (std::vector<std::int64_t> {10000, 25000}));
    EXPECT_EQ(card.Underruns(), 1u);
    EXPECT_EQ(card.TakePlayed().size(), 960u);
    EXPECT_EQ(device->Close(), wrNoError);
    loop.RunPending();
    EXPECT_TRUE(sink.closed);
    device.reset();
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Playback));
}

TEST(SimulatedSoundCard, CaptureWithNothingQueuedLosesSamplesAndCountsIt)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    struct Sink : TSoundNoticeSink {
        std::vector<std::int64_t> done;
        void DeviceOpened() override { }
        void BufferDone(TWaveBuffer* b) override { done.push_back(b->BytesRecorded); }
        void DeviceClosed() override { }
        void DeviceFailed(TWaveResult) override { }
    } sink;
    std::unique_ptr<TSoundDevice> device;
    ASSERT_EQ(card.Open(TWaveDirection::Capture, -1, BuildPCMFormat(Mono16bit48000Hz), sink, device), wrNoError);
    device->Start();
    loop.AdvanceByMs(30);
    std::vector<std::uint8_t> data(960);
    TWaveBuffer one, two;
    one.Data = two.Data = data.data();
    one.BufferLength = two.BufferLength = 960;
    device->Submit(one);
    device->Submit(two);
    loop.AdvanceByMs(15);
    EXPECT_EQ(card.Overruns(), 1u);
    EXPECT_EQ(sink.done, (std::vector<std::int64_t> {960}));
    device->Reset(); // 5 ms into the second buffer
    loop.RunPending();
    EXPECT_EQ(sink.done, (std::vector<std::int64_t> {960, 480}));
}

TEST(SimulatedSoundCard, RefusesFormatsOffItsGrid)
{
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    TWaveFormat odd = BuildPCMFormat(Mono16bit48000Hz);
    odd.SamplesPerSec = 12345;
    EXPECT_EQ(card.QueryFormat(TWaveDirection::Capture, -1, odd), static_cast<TWaveResult>(EINVAL));
    EXPECT_EQ(card.QueryFormat(TWaveDirection::Capture, 1, BuildPCMFormat(Mono16bit48000Hz)),
        static_cast<TWaveResult>(ENODEV));
    for (int v = 1; v <= 20; ++v)
        EXPECT_EQ(card.QueryFormat(TWaveDirection::Playback, 0, BuildPCMFormat(static_cast<TPCMFormat>(v))), wrNoError);
}
