// Other programs turned down on a private sound server with its session
// manager's saved stream volumes: PulseAudio with stream-restore, and
// PipeWire with WirePlumber. paplay children stand for the user's programs.
// After each story every program plays at its volume from before, and the
// session manager has saved no lowered volume for it.
#include <gtest/gtest.h>

#include <pulse/ext-stream-restore.h>
#include <pulse/pulseaudio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "base/VirtualLoop.h"
#include "media/SoundServerMixer.h"
#include "media/untZYNWinAmpControl.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/ShellOutput.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr std::uint32_t Full = 65536;
constexpr std::uint32_t Sixty = 39322; // 60 % in the server's units

// Polls until the value is what is expected (the server and the session
// manager work on their own time), at most a few seconds.
template <typename T> T Eventually(const std::function<T()>& value, const T& expected, int maxMs = 5000)
{
    T now = value();
    for (int waited = 0; now != expected && waited < maxMs; waited += 50) {
        ::usleep(50000);
        now = value();
    }
    return now;
}

// A paplay of endless silence under its own application name: the key the
// session manager saves its volume under.
class TPlayer {
public:
    explicit TPlayer(std::string name)
        : FName(std::move(name))
    {
        FPid = ::fork();
        if (FPid == 0) {
            ::execlp("paplay", "paplay", ("--client-name=" + FName).c_str(), "--raw", "--format=s16le", "--rate=48000",
                "--channels=2", "/dev/zero", static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 100 && !Index(); ++i) ::usleep(50000);
    }
    ~TPlayer() { Stop(); }
    void Stop()
    {
        if (FPid <= 0) return;
        ::kill(FPid, SIGTERM);
        ::waitpid(FPid, nullptr, 0);
        FPid = -1;
    }
    const std::string& Name() const { return FName; }
    // Its stream on the server and the volume of its first channel, while
    // it plays.
    std::optional<std::uint32_t> Index() const { return Stream().first; }
    std::uint32_t Volume() const { return Stream().second; }
    void SetVolume(std::uint32_t volume) const
    {
        ShellOutput(
            "pactl set-sink-input-volume " + std::to_string(Index().value_or(0)) + " " + std::to_string(volume));
    }

private:
    std::pair<std::optional<std::uint32_t>, std::uint32_t> Stream() const
    {
        const std::string text = ShellOutput("LC_ALL=C pactl list sink-inputs");
        const std::string mark = "application.process.id = \"" + std::to_string(FPid) + "\"";
        const std::size_t at = text.find(mark);
        if (FPid <= 0 || at == std::string::npos) return {std::nullopt, 0};
        const std::size_t block = text.rfind("Sink Input #", at);
        const std::size_t colon = text.find(':', text.find("Volume:", block) + 7);
        return {static_cast<std::uint32_t>(std::stoul(text.substr(block + 12))),
            static_cast<std::uint32_t>(std::stoul(text.substr(colon + 1)))};
    }

    std::string FName;
    pid_t FPid = -1;
};

// The private server of one test, started and stopped by the test itself.
class TSessionServer {
public:
    TSessionServer(std::string kind, std::string folder)
        : FKind(std::move(kind))
        , FFolder(std::move(folder))
    {
        ::setenv("PULSE_RUNTIME_PATH", (FFolder + "/pulse").c_str(), 1);
        ::unsetenv("PULSE_SERVER");
        Run("start");
    }
    ~TSessionServer() { Run("stop"); }
    bool Run(const std::string& action) const
    {
        const std::string command =
            "bash " PARLET_SESSION_SOUND_SERVER_SCRIPT " " + action + " " + FKind + " " + FFolder;
        return std::system((command + " >/dev/null").c_str()) == 0;
    }
    // The volume the session manager has saved for the program, as the
    // server's units; nothing when it has saved none.
    std::optional<std::uint32_t> SavedVolume(const std::string& name) const
    {
        return FKind == "pipewire" ? WirePlumberSaved(name) : StreamRestoreSaved(name);
    }

private:
    // WirePlumber keeps its own file (written a second after a change), with
    // linear channel volumes.
    std::optional<std::uint32_t> WirePlumberSaved(const std::string& name) const
    {
        std::ifstream file(FFolder + "/state/wireplumber/restore-stream");
        const std::string key = "Output/Audio:application.name:" + name + ":channelVolumes=";
        for (std::string line; std::getline(file, line);)
            if (line.rfind(key, 0) == 0) return pa_sw_volume_from_linear(std::stod(line.substr(key.size())));
        return std::nullopt;
    }
    // PulseAudio's stream-restore database, through its protocol extension.
    static std::optional<std::uint32_t> StreamRestoreSaved(const std::string& name)
    {
        struct TRead {
            std::string key;
            std::optional<std::uint32_t> volume;
            bool done = false;
        } read {"sink-input-by-application-name:" + name, std::nullopt, false};
        pa_mainloop* loop = pa_mainloop_new();
        pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "saved volume check");
        if (context) pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
        while (context && !read.done) {
            const auto state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state)) break;
            if (state == PA_CONTEXT_READY) {
                read.done = true; // set again below once the answer is in
                pa_operation* operation = pa_ext_stream_restore_read(
                    context,
                    [](pa_context*, const pa_ext_stream_restore_info* info, int eol, void* self) {
                        auto& r = *static_cast<TRead*>(self);
                        if (eol != 0) r.done = true;
                        if (eol == 0 && info && r.key == info->name && info->volume.channels > 0)
                            r.volume = info->volume.values[0];
                    },
                    &read);
                read.done = false;
                while (!read.done && pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
                    pa_mainloop_iterate(loop, 1, nullptr);
                pa_operation_unref(operation);
                break;
            }
            pa_mainloop_iterate(loop, 1, nullptr);
        }
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        pa_mainloop_free(loop);
        return read.volume;
    }

    std::string FKind;
    std::string FFolder;
};

class TurnOtherProgramsDown : public ::testing::TestWithParam<const char*> {
protected:
    TurnOtherProgramsDown() { WriteBytes(settingsFile, "[Media]\r\nControlWinAmp=1\r\nMediaVolume=50\r\n"); }
    // The saved volume of the player, once the session manager has settled.
    std::optional<std::uint32_t> Saved(const std::string& name, std::uint32_t expected)
    {
        return Eventually<std::optional<std::uint32_t>>([&] { return server.SavedVolume(name); }, expected);
    }
    std::optional<std::uint32_t> Saved(const TPlayer& player, std::uint32_t expected)
    {
        return Saved(player.Name(), expected);
    }
    static std::uint32_t VolumeOf(const TPlayer& player, std::uint32_t expected)
    {
        return Eventually<std::uint32_t>([&] { return player.Volume(); }, expected);
    }
    static bool Becomes(const std::function<bool()>& holds) { return Eventually<bool>(holds, true); }

    TTempFolder folder;
    TSessionServer server {GetParam(), folder.File("server")};
    std::string restoreFile = folder.File("parlet/turned-down-streams");
    std::string settingsFile = folder.File("ZYNClient.ini");
    TVirtualLoop loop;
};

} // namespace

TEST_P(TurnOtherProgramsDown, StreamsStartedFreeAndBusyAndOneEndedLowKeepTheirVolumes)
{
    TPlayer music("parlet-test-music");
    ASSERT_TRUE(music.Index()) << "paplay did not start";
    music.SetVolume(Sixty);
    ASSERT_EQ(Saved(music, Sixty), Sixty);
    {
        TZYNClientSettings settings(settingsFile);
        TSoundServerMixer mixer(restoreFile);
        TZYNWinAmpControl control(settings, mixer);
        EXPECT_EQ(VolumeOf(music, Sixty / 2), Sixty / 2) << "free: half its own volume";
        TPlayer startedFree("parlet-test-free");
        EXPECT_EQ(VolumeOf(startedFree, Full / 2), Full / 2) << "started while free: half, never 0";

        control.MuteMedia();
        EXPECT_EQ(VolumeOf(music, 0), 0u);
        EXPECT_EQ(VolumeOf(startedFree, 0), 0u);
        TPlayer startedBusy("parlet-test-busy");
        EXPECT_EQ(VolumeOf(startedBusy, 0), 0u) << "started while busy";
        EXPECT_TRUE(std::filesystem::exists(restoreFile));
        // Saved while turned down: still their own volumes.
        EXPECT_EQ(Saved(music, Sixty), Sixty);
        EXPECT_EQ(Saved(startedBusy, Full), Full);
        startedFree.Stop();
        EXPECT_EQ(Saved(startedFree, Full), Full) << "ended while turned down";
        TPlayer again("parlet-test-free");
        EXPECT_EQ(VolumeOf(again, 0), 0u) << "its next stream, turned down from its own volume";

        control.RestoreMedia();
        loop.AdvanceByMs(4000 + 50 * 200);
        EXPECT_EQ(VolumeOf(music, Sixty / 2), Sixty / 2);
        EXPECT_EQ(VolumeOf(startedBusy, Full / 2), Full / 2);
    }
    EXPECT_EQ(VolumeOf(music, Sixty), Sixty) << "after the end: its own volume";
    EXPECT_EQ(Saved(music, Sixty), Sixty);
    EXPECT_EQ(Saved("parlet-test-busy", Full), Full);
    EXPECT_FALSE(std::filesystem::exists(restoreFile));
}

TEST_P(TurnOtherProgramsDown, AKillWhileBusyIsMendedByTheNextStart)
{
    TPlayer music("parlet-test-music");
    TPlayer ending("parlet-test-ending");
    ASSERT_TRUE(music.Index() && ending.Index());
    music.SetVolume(Sixty);
    ASSERT_EQ(Saved(music, Sixty), Sixty);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    // libpulse refuses to work in a forked child: the child runs this
    // program again, as the helper below.
    const pid_t parlet = ::fork();
    if (parlet == 0) {
        ::setenv("PARLET_TURN_DOWN_READY_FD", std::to_string(ready[1]).c_str(), 1);
        ::setenv("PARLET_TURN_DOWN_SETTINGS", settingsFile.c_str(), 1);
        ::setenv("PARLET_TURN_DOWN_FILE", restoreFile.c_str(), 1);
        ::execl("/proc/self/exe", "turn_down_tests", "--gtest_also_run_disabled_tests",
            "--gtest_filter=TurnDownHelper.DISABLED_BusyUntilKilled", static_cast<char*>(nullptr));
        _exit(127);
    }
    char said = 0;
    ASSERT_EQ(::read(ready[0], &said, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(VolumeOf(music, 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(restoreFile));
    ::kill(parlet, SIGKILL);
    ::waitpid(parlet, nullptr, 0);
    EXPECT_EQ(music.Volume(), 0u) << "the server keeps the volume it was given";
    ending.Stop(); // ends while turned down and nobody minds it

    {
        TSoundServerMixer nextStart(restoreFile);
        EXPECT_EQ(VolumeOf(music, Sixty), Sixty);
        EXPECT_TRUE(Becomes([&] { return !std::filesystem::exists(restoreFile); }));
    }
    EXPECT_EQ(Saved(music, Sixty), Sixty);
    EXPECT_EQ(Saved(ending, Full), Full);
}

// The program of the test above: busy until it is killed.
TEST(TurnDownHelper, DISABLED_BusyUntilKilled)
{
    const char* ready = std::getenv("PARLET_TURN_DOWN_READY_FD");
    if (!ready) GTEST_SKIP() << "run by AKillWhileBusyIsMendedByTheNextStart";
    TVirtualLoop loop;
    TZYNClientSettings settings(std::getenv("PARLET_TURN_DOWN_SETTINGS"));
    TSoundServerMixer mixer(std::getenv("PARLET_TURN_DOWN_FILE"));
    TZYNWinAmpControl control(settings, mixer);
    control.MuteMedia();
    (void)!::write(std::atoi(ready), "x", 1);
    for (;;) ::pause();
}

TEST_P(TurnOtherProgramsDown, AServerRestartWhileBusyLosesNoVolume)
{
    auto music = std::make_unique<TPlayer>("parlet-test-music");
    ASSERT_TRUE(music->Index());
    music->SetVolume(Sixty);
    ASSERT_EQ(Saved(*music, Sixty), Sixty);
    TZYNClientSettings settings(settingsFile);
    settings.SetMediaVolume(100);
    TSoundServerMixer mixer(restoreFile);
    TZYNWinAmpControl control(settings, mixer);
    control.MuteMedia();
    EXPECT_EQ(VolumeOf(*music, 0), 0u);
    EXPECT_EQ(Saved(*music, Sixty), Sixty);

    ASSERT_TRUE(server.Run("restart"));
    music = std::make_unique<TPlayer>("parlet-test-music"); // the player comes back
    ASSERT_TRUE(music->Index());
    loop.AdvanceByMs(TSoundServerMixer::WatchMs);
    EXPECT_EQ(VolumeOf(*music, 0), 0u) << "found again, and still busy";
    control.RestoreMedia();
    loop.AdvanceByMs(4000 + 100 * 200);
    EXPECT_EQ(VolumeOf(*music, Sixty), Sixty);
    EXPECT_EQ(Saved(*music, Sixty), Sixty);
}

INSTANTIATE_TEST_SUITE_P(SessionManagers, TurnOtherProgramsDown, ::testing::Values("pulseaudio", "pipewire"),
    [](const auto& info) { return std::string(info.param); });
