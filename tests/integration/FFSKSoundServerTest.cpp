// The modem on each real sound back end, through the private PulseAudio
// server of the test run: a modulator on the default output and a receiver on the
// default input (the null sink's monitor) in one process.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/RealTimeLoop.h"
#include "modem/untFFSK.h"
#include "modem/untFFSKReceiver.h"
#include "tests/integration/SoundBackends.h"

struct FFSKSoundServer : ::testing::TestWithParam<TSoundBackend> { };

TEST_P(FFSKSoundServer, FortyCharacterTextArrivesCompleteAndOnceWithinOneAndAHalfSeconds)
{
    TRealTimeLoop loop;
    auto sound = MakeSoundBackend(GetParam());
    TFFSKReceiver receiver(*sound);
    TFFSK modulator(*sound);
    std::vector<std::string> received;
    std::vector<std::int64_t> receivedAtMs;
    const TConnection on25 = receiver.OnReceive.Connect([&](TObject* sender, const TDecodedMessage& message) {
        EXPECT_EQ(sender, &receiver);
        EXPECT_EQ(message.Type, TMessageType::Sms);
        received.push_back(message.Body);
        receivedAtMs.push_back(loop.NowMs());
    });
    int levels = 0;
    const TConnection on32 = receiver.OnInputLevel.Connect([&](TObject*, int level) {
        EXPECT_GE(level, 0);
        EXPECT_LE(level, 100);
        ++levels;
    });
    // The sound server takes a while to start both streams; measure from
    // when they run in their rhythm.
    ASSERT_TRUE(loop.RunUntil([&] { return levels >= 5; }, 10000));

    const std::string text = "SMS>Anna>>forty characters through ALSA!";
    ASSERT_EQ(text.size(), 40u);
    const std::int64_t writtenAtMs = loop.NowMs();
    modulator.WriteText(text);
    EXPECT_TRUE(loop.RunUntil([&] { return !received.empty(); }, 1500)) << "nothing within 1.5 s";
    loop.RunForMs(1000);

    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], text.substr(4));
    EXPECT_LE(receivedAtMs[0] - writtenAtMs, 1500);
    EXPECT_GE(levels, 12) << "the input level arrives with every capture buffer";
}

INSTANTIATE_TEST_SUITE_P(
    Backends, FFSKSoundServer, testing::Values(TSoundBackend::Alsa, TSoundBackend::SoundServer), SoundBackendName);
