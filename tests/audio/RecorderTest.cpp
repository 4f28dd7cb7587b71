#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/SimulatedSoundCard.h"
#include "audio/WavePlayers.h"
#include "audio/WaveRecorders.h"
#include "base/VirtualLoop.h"

namespace {

// The modem's recorder: 200 ms buffers of 16-bit mono at 48000 Hz, two in
// the ring.
struct RecorderFixture : ::testing::Test {
    TVirtualLoop loop;
    TSimulatedSoundCard card;
    std::vector<std::string> log;
    std::vector<std::uint8_t> recorded;
    std::unique_ptr<TLiveAudioRecorder> recorder = std::make_unique<TLiveAudioRecorder>(card);
    TObject* const self = recorder.get();

    RecorderFixture()
    {
        recorder->SetBufferCount(2);
        recorder->SetBufferLength(200);
        recorder->SetPCMFormat(Mono16bit48000Hz);
        connections.push_back(recorder->OnActivate.Connect([this](TObject*) { Log("activate"); }));
        connections.push_back(recorder->OnDeactivate.Connect([this](TObject*) { Log("deactivate"); }));
        connections.push_back(
            recorder->OnLevel.Connect([this](TObject*, int level) { Log("level " + std::to_string(level)); }));
        connections.push_back(
            recorder->OnData.Connect([this](TObject* sender, const std::uint8_t* buffer, std::uint32_t size) {
                EXPECT_EQ(sender, self);
                Log("data " + std::to_string(size));
                recorded.insert(recorded.end(), buffer, buffer + size);
            }));
    }

    void Log(const std::string& what) { log.push_back(std::to_string(loop.NowMs()) + " " + what); }
    // Last: the listeners end before what they use.
    std::vector<TConnection> connections;
};

using Lines = std::vector<std::string>;

std::int16_t Sample16(const std::vector<std::uint8_t>& bytes, std::size_t k)
{
    return static_cast<std::int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
}

} // namespace

TEST_F(RecorderFixture, DeliversOneFullBufferEveryPeriodLevelFirst)
{
    recorder->Activate();
    loop.AdvanceByMs(1000);
    Lines expected {"0 activate"};
    for (int t = 200; t <= 1000; t += 200) {
        expected.push_back(std::to_string(t) + " level 0");
        expected.push_back(std::to_string(t) + " data 19200");
    }
    EXPECT_EQ(log, expected);
    // Nothing is plugged in: silence.
    EXPECT_EQ(recorded, std::vector<std::uint8_t>(5 * 19200, 0));
    EXPECT_EQ(recorder->BufferCountInUse(), 2u);
    EXPECT_EQ(card.Overruns(), 0u);
}

TEST_F(RecorderFixture, CloseDeliversThePartlyFilledBufferAndDropsTheEmptyOne)
{
    recorder->Activate();
    loop.AdvanceByMs(250);
    log.clear();
    recorder->Deactivate();
    loop.RunPending();
    // 50 ms = 2400 samples were in the buffer being filled.
    EXPECT_EQ(log, (Lines {"250 level 0", "250 data 4800", "250 level 0", "250 deactivate"}));
    EXPECT_FALSE(recorder->Active());
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Capture));
}

TEST_F(RecorderFixture, LevelComesFromTheRecordedSignal)
{
    TLiveAudioPlayer player(card);
    player.SetBufferLength(200);
    player.SetPCMFormat(Mono8bit48000Hz);
    player.OnData = [](TObject*, std::uint8_t* buffer, std::uint32_t size) {
        for (std::uint32_t i = 0; i < size; ++i) buffer[i] = i % 2 ? 0 : 255;
        return size;
    };
    TVirtualCable cable(card, card);
    cable.SetGain(0.5);
    player.Activate();
    recorder->Activate();
    loop.AdvanceByMs(200);
    // 127/128 * 0.5 * 32768 = 16256 -> 16256 * 100 / 32767 = 49.
    EXPECT_EQ(log, (Lines {"0 activate", "200 level 49", "200 data 19200"}));
}

TEST_F(RecorderFixture, DestroyingDeliversTheLastDataButNoLevelOrDeactivate)
{
    recorder->Activate();
    loop.AdvanceByMs(300);
    log.clear();
    recorder.reset();
    EXPECT_EQ(log, (Lines {"300 data 9600"}));
    EXPECT_FALSE(card.OpenDeviceID(TWaveDirection::Capture));
}

TEST_F(RecorderFixture, FormatRefusedOnlyWhileTheDeviceIsOpen)
{
    recorder->Activate();
    recorder->SetPCMFormat(Mono16bit48000Hz);
    EXPECT_THROW(recorder->SetPCMFormat(Mono16bit44100Hz), EWaveAudioInvalidOperation);
    recorder->Deactivate();
    loop.RunPending();
    recorder->SetPCMFormat(Mono16bit44100Hz);
    EXPECT_EQ(recorder->PCMFormat(), Mono16bit44100Hz);
}

TEST_F(RecorderFixture, MissingDeviceRaisesSysErrorAndLeavesTheStreamClosed)
{
    card.SetDeviceCount(0);
    recorder->SetDeviceID(-1);
    try {
        recorder->SetDeviceID(0);
        FAIL();
    } catch (const EWaveAudioSysError& e) {
        EXPECT_EQ(std::string(e.what()), std::strerror(ENODEV));
    }
    // The default device missing is waited for, quietly.
    card.SetOpenError(TWaveDirection::Capture, ENODEV);
    EXPECT_NO_THROW(recorder->Activate());
    EXPECT_FALSE(recorder->Active());
    EXPECT_TRUE(recorder->DeviceLost());
    loop.AdvanceByMs(400);
    EXPECT_TRUE(log.empty());
}

TEST_F(RecorderFixture, FailingHandlerCostsOneBufferOfTheRing)
{
    std::vector<std::string> errors;
    loop.SetErrorReport([&](const std::string& m) { errors.push_back(m); });
    int calls = 0;
    const TConnection on145 = recorder->OnData.Connect([&](TObject*, const std::uint8_t*, std::uint32_t) {
        if (++calls == 2) throw EWaveAudioError("handler failed");
    });
    recorder->Activate();
    loop.AdvanceByMs(1000);
    EXPECT_EQ(errors, (std::vector<std::string> {"handler failed"}));
    EXPECT_EQ(recorder->BufferCountInUse(), 1u);
    EXPECT_EQ(calls, 5) << "the one buffer left still goes round";
    recorder->Deactivate();
    loop.RunPending();
    EXPECT_FALSE(recorder->Active());
}

TEST_F(RecorderFixture, LoopBackIsSampleExact)
{
    TLiveAudioPlayer player(card);
    player.SetBufferLength(200);
    player.SetPCMFormat(Mono8bit48000Hz);
    std::uint32_t next = 0;
    player.OnData = [&](TObject*, std::uint8_t* buffer, std::uint32_t size) {
        for (std::uint32_t i = 0; i < size; ++i) buffer[i] = static_cast<std::uint8_t>(next++ * 7);
        return size;
    };
    TVirtualCable cable(card, card);
    player.Activate();
    recorder->Activate();
    loop.AdvanceByMs(2000);
    ASSERT_EQ(recorded.size(), 10u * 19200u);
    for (std::size_t k = 0; k < recorded.size() / 2; ++k)
        ASSERT_EQ(Sample16(recorded, k), (static_cast<std::uint8_t>(k * 7) - 128) * 256) << "sample " << k;
}
