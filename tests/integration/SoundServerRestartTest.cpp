// The modem on each real sound back end while the test run's private sound
// server dies and is started again: both streams lose their device, reopen it on their own
// once the server is back, and a frame written afterwards is decoded.
#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/RealTimeLoop.h"
#include "modem/untFFSK.h"
#include "modem/untFFSKReceiver.h"
#include "tests/integration/SoundBackends.h"

namespace {

std::string RuntimeDir()
{
    const char* dir = std::getenv("PULSE_RUNTIME_PATH");
    return dir ? dir : "";
}

int ServerPid()
{
    std::ifstream in(RuntimeDir() + "/pid");
    int pid = 0;
    in >> pid;
    return pid;
}

bool ProcessAlive(int pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

int StartServer()
{
    const std::string command = std::string("bash '") + PARLET_SOUND_SERVER_SCRIPT + "' start '" + RuntimeDir() + "'";
    return std::system(command.c_str());
}

std::size_t CountOf(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Whatever happens in the test, the tests after it find the server running,
// started the way the fixture starts it (so the fixture's stop ends it).
class TServerKeeper {
public:
    ~TServerKeeper()
    {
        if (!ProcessAlive(ServerPid())) (void)StartServer();
    }
};

} // namespace

struct SoundServerRestart : ::testing::TestWithParam<TSoundBackend> { };

TEST_P(SoundServerRestart, StreamsComeBackAndAFrameWrittenAfterTheRestartIsDecoded)
{
    ASSERT_FALSE(RuntimeDir().empty());
    TServerKeeper keeper;
    const int oldPid = ServerPid();
    ASSERT_TRUE(ProcessAlive(oldPid));

    TRealTimeLoop loop;
    auto sound = MakeSoundBackend(GetParam());
    TFFSKReceiver receiver(*sound);
    TFFSK modulator(*sound);
    std::vector<std::string> received;
    const TConnection on82 =
        receiver.OnReceive.Connect([&](TObject*, const TDecodedMessage& message) { received.push_back(message.Body); });
    int levels = 0;
    const TConnection on84 = receiver.OnInputLevel.Connect([&](TObject*, int) { ++levels; });
    int playerLost = 0;
    const TConnection on86 = modulator.OnPlayerLost.Connect([&](TObject*) { ++playerLost; });
    ASSERT_TRUE(loop.RunUntil([&] { return levels >= 5; }, 10000));

    testing::internal::CaptureStderr();
    const std::int64_t killedAtMs = loop.NowMs();
    ASSERT_EQ(::kill(oldPid, SIGKILL), 0);
    // Both streams notice within a few of their buffers.
    const bool noticed = loop.RunUntil(
        [&] { return playerLost == 1 && modulator.PlayerLost() && receiver.InputLost(); }, 5000);
    const std::int64_t noticedAfterMs = loop.NowMs() - killedAtMs;
    loop.RunForMs(500); // the closing streams hand back what they held
    const int levelsAtLoss = levels;
    loop.RunForMs(2500); // reopen attempts against a dead server
    const bool silentWhileDown = levels == levelsAtLoss;

    const int started = StartServer();
    const std::int64_t serverUpAtMs = loop.NowMs();
    const bool back = loop.RunUntil([&] { return !modulator.PlayerLost(); }, 15000);
    const std::int64_t playerBackAfterMs = loop.NowMs() - serverUpAtMs;
    const bool hearing = back && loop.RunUntil([&] { return levels >= levelsAtLoss + 5; }, 15000);
    if (hearing) modulator.WriteText("SMS>Anna>>after the restart");
    const bool decoded = hearing && loop.RunUntil([&] { return !received.empty(); }, 5000);
    loop.RunForMs(500);
    const std::string said = testing::internal::GetCapturedStderr();
    std::printf("measured: player lost %lld ms after the kill, open again %lld ms after the server was up\n",
        static_cast<long long>(noticedAfterMs), static_cast<long long>(playerBackAfterMs));

    ASSERT_TRUE(noticed) << said;
    EXPECT_TRUE(silentWhileDown) << said;
    ASSERT_EQ(started, 0) << said;
    EXPECT_NE(ServerPid(), oldPid);
    ASSERT_TRUE(back) << said;
    // Tried once a second; a server that has just answered its control
    // client may still refuse a stream or two for a moment.
    EXPECT_LE(playerBackAfterMs, 5000);
    ASSERT_TRUE(hearing) << said;
    ASSERT_TRUE(decoded) << said;
    EXPECT_EQ(received, (std::vector<std::string> {std::string("Anna>>after the restart") + std::string(5, '\0')}));
    EXPECT_EQ(playerLost, 1);
    EXPECT_EQ(CountOf(said, "parlet: playback device lost: "), 1u) << said;
    EXPECT_EQ(CountOf(said, "parlet: capture device lost: "), 1u) << said;
    EXPECT_EQ(CountOf(said, "parlet: playback device is back"), 1u) << said;
    EXPECT_EQ(CountOf(said, "parlet: capture device is back"), 1u) << said;
    // The attempts while the server was down repeat nothing in the log.
    std::set<std::string> alsaLines;
    std::size_t alsaCount = 0;
    std::istringstream lines(said);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("ALSA lib", 0) == 0) alsaLines.insert(line), ++alsaCount;
    EXPECT_EQ(alsaLines.size(), alsaCount) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Backends, SoundServerRestart, testing::Values(TSoundBackend::Alsa, TSoundBackend::SoundServer), SoundBackendName);
