// Other programs turned down through the test run's private sound server:
// a paplay stands for the user's music. It goes silent while the channel is
// busy, comes back over the ramp, and a kill while it is silent does not
// leave it silent: the next start gives its volume back.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "audio/PulseSoundPlatform.h"
#include "base/VirtualLoop.h"
#include "media/LinuxDesktop.h"
#include "media/untZYNWinAmpControl.h"
#include "modem/untFFSK.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/ShellOutput.h"
#include "tests/support/TempFolder.h"

namespace {

struct TSinkInput {
    std::uint32_t Index = 0;
    std::uint32_t Volume = 0; // of the first channel
    std::string MediaName;
};

std::vector<TSinkInput> SinkInputs()
{
    std::vector<TSinkInput> inputs;
    const std::string text = ShellOutput("pactl list sink-inputs");
    for (std::size_t at = text.find("Sink Input #"); at != std::string::npos;) {
        const std::size_t next = text.find("Sink Input #", at + 1);
        const std::string block = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
        TSinkInput input;
        input.Index = static_cast<std::uint32_t>(std::stoul(block.substr(12)));
        const std::size_t volume = block.find("Volume:");
        if (volume != std::string::npos) {
            const std::size_t colon = block.find(':', volume + 7);
            input.Volume = static_cast<std::uint32_t>(std::stoul(block.substr(colon + 1)));
        }
        const std::size_t name = block.find("media.name = \"");
        if (name != std::string::npos)
            input.MediaName = block.substr(name + 14, block.find('"', name + 14) - name - 14);
        inputs.push_back(input);
        at = next;
    }
    return inputs;
}

// A paplay of endless silence: another program's playback stream.
class TOtherProgram {
public:
    TOtherProgram()
    {
        std::vector<std::uint32_t> before;
        for (const TSinkInput& input : SinkInputs()) before.push_back(input.Index);
        FPid = ::fork();
        if (FPid == 0) {
            ::execlp("paplay", "paplay", "--raw", "--format=s16le", "--rate=48000", "--channels=1", "/dev/zero",
                static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && !FIndex; ++i) {
            for (const TSinkInput& input : SinkInputs())
                if (std::find(before.begin(), before.end(), input.Index) == before.end()) FIndex = input.Index;
            if (!FIndex) ::usleep(50000);
        }
    }
    ~TOtherProgram()
    {
        ::kill(FPid, SIGTERM);
        ::waitpid(FPid, nullptr, 0);
    }
    std::uint32_t Index() const { return FIndex.value_or(0); }
    bool Running() const { return FIndex.has_value(); }
    std::uint32_t Volume() const
    {
        for (const TSinkInput& input : SinkInputs())
            if (input.Index == Index()) return input.Volume;
        return 0;
    }
    void SetVolume(std::uint32_t volume) const
    {
        ShellOutput("pactl set-sink-input-volume " + std::to_string(Index()) + " " + std::to_string(volume));
    }

private:
    pid_t FPid = -1;
    std::optional<std::uint32_t> FIndex;
};

constexpr std::uint32_t Sixty = 39322; // 60 % in the server's units

struct TurnOtherProgramsDown : ::testing::Test {
    TTempFolder folder;
    std::string restoreFile = folder.File("state/parlet/turned-down-streams");
    std::string settingsFile = folder.File("ZYNClient.ini");

    TurnOtherProgramsDown()
    {
        ::setenv("XDG_STATE_HOME", folder.File("state").c_str(), 1);
        WriteBytes(settingsFile, "[Media]\r\nControlWinAmp=1\r\nMediaVolume=100\r\n");
    }
    ~TurnOtherProgramsDown() override { ::unsetenv("XDG_STATE_HOME"); }
};

} // namespace

TEST_F(TurnOtherProgramsDown, MusicGoesSilentWhileBusyAndComesBackOverTheRampOwnStreamsUntouched)
{
    TOtherProgram music;
    ASSERT_TRUE(music.Running()) << "paplay did not start";
    music.SetVolume(Sixty);
    TVirtualLoop loop;
    auto sound = TPulseSoundPlatform::Connect("FFSK to radio", "FFSK from radio");
    ASSERT_TRUE(sound);
    TFFSK modulator(*sound);
    TZYNClientSettings settings(settingsFile);
    TLinuxDesktop desktop;
    TZYNWinAmpControl control(settings, desktop);
    EXPECT_EQ(music.Volume(), Sixty) << "at the media volume of 100 % it plays as before";

    control.MuteMedia();
    EXPECT_EQ(music.Volume(), 0u);
    EXPECT_TRUE(std::filesystem::exists(restoreFile));
    int own = 0;
    for (const TSinkInput& input : SinkInputs()) {
        if (input.MediaName != "FFSK to radio") continue;
        ++own;
        EXPECT_EQ(input.Volume, 65536u) << "own stream turned down";
    }
    EXPECT_EQ(own, 1);

    // A program that starts while the channel is busy is turned down too.
    TOtherProgram late;
    ASSERT_TRUE(late.Running());
    for (int i = 0; i < 40 && late.Volume() != 0; ++i) ::usleep(50000);
    EXPECT_EQ(late.Volume(), 0u);

    control.RestoreMedia();
    loop.AdvanceByMs(4000 + 200 * 50);
    const std::uint32_t half = music.Volume();
    EXPECT_NEAR(half, Sixty / 2, Sixty / 32) << "half way up the ramp";
    loop.AdvanceByMs(200 * 51);
    EXPECT_EQ(music.Volume(), Sixty);
    EXPECT_EQ(late.Volume(), 65536u) << "its own volume back";
    EXPECT_FALSE(std::filesystem::exists(restoreFile));
}

TEST_F(TurnOtherProgramsDown, KillWhileTurnedDownIsMendedByTheNextStart)
{
    TOtherProgram music;
    ASSERT_TRUE(music.Running());
    music.SetVolume(Sixty);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t parlet = ::fork();
    if (parlet == 0) {
        TVirtualLoop loop;
        TZYNClientSettings settings(settingsFile);
        TLinuxDesktop desktop;
        TZYNWinAmpControl control(settings, desktop);
        control.MuteMedia();
        (void)!::write(ready[1], "x", 1);
        for (;;) ::pause();
    }
    char said = 0;
    ASSERT_EQ(::read(ready[0], &said, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(music.Volume(), 0u);
    ::kill(parlet, SIGKILL);
    ::waitpid(parlet, nullptr, 0);
    EXPECT_EQ(music.Volume(), 0u) << "the server keeps the volume it was given";
    ASSERT_TRUE(std::filesystem::exists(restoreFile));

    TLinuxDesktop nextStart;
    EXPECT_EQ(music.Volume(), Sixty);
    EXPECT_FALSE(std::filesystem::exists(restoreFile));
}
