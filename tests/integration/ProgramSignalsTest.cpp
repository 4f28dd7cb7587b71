#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "base/ProgramFolder.h"
#include "tests/support/TempFolder.h"

// The real program, started as the desktop starts it (offscreen here): one
// per settings file whatever the session's runtime folder, and a shutdown
// signal ends it with status 0 even while a start-up box is open.
namespace {

using namespace std::chrono_literals;

class TRunningParlet {
public:
    // Runs parlet with these arguments; runtimeFolder empty: no
    // XDG_RUNTIME_DIR at all. stderr goes to a file.
    TRunningParlet(const std::vector<std::string>& arguments, const std::string& runtimeFolder, std::string log,
        const std::vector<std::pair<std::string, std::string>>& environment = {})
        : FLog(std::move(log))
    {
        FPid = fork();
        if (FPid != 0) return;
        const int fd = ::open(FLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, STDERR_FILENO);
        dup2(fd, STDOUT_FILENO);
        if (runtimeFolder.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", runtimeFolder.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        const std::string program = ProgramFolder() + "parlet";
        std::vector<char*> argv {const_cast<char*>(program.c_str())};
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ~TRunningParlet()
    {
        if (FPid > 0 && !FStatus) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }

    std::string Log() const { return ReadBytes(FLog); }
    // Waits (real time: a real program) until its output holds text.
    bool Says(const std::string& text, std::chrono::milliseconds within = 10s) const
    {
        for (const auto end = std::chrono::steady_clock::now() + within; std::chrono::steady_clock::now() < end;) {
            if (Log().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(20ms);
        }
        return Log().find(text) != std::string::npos;
    }
    // The exit status after SIGTERM, or nothing when it did not end in time.
    std::optional<int> TerminatedWithin(std::chrono::milliseconds within)
    {
        kill(FPid, SIGTERM);
        for (const auto end = std::chrono::steady_clock::now() + within; std::chrono::steady_clock::now() < end;) {
            int status = 0;
            if (waitpid(FPid, &status, WNOHANG) == FPid) {
                FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return FStatus;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

private:
    std::string FLog;
    pid_t FPid = -1;
    std::optional<int> FStatus;
};

} // namespace

TEST(ProgramSignals, OneParletPerSettingsFileAndSigtermEndsItWithZeroWhateverBoxIsOpen)
{
    TTempFolder folder;
    const std::string settings = folder.File("ZYNClient.ini");
    WriteBytes(settings, "[Identification]\r\nOperaterName=Anna\r\n[Interface]\r\nRigComm=0\r\n");
    std::filesystem::create_directory(folder.File("run"));

    // The first one without any runtime folder, as under a bare su or ssh.
    TRunningParlet first({"--config", settings}, "", folder.File("first.log"));
    ASSERT_TRUE(first.Says("parlet: settings file " + settings)) << first.Log();
    for (int i = 0; i < 500 && ReadBytes(settings).find("FBand=1") == std::string::npos; ++i)
        std::this_thread::sleep_for(20ms);
    ASSERT_NE(ReadBytes(settings).find("FBand=1"), std::string::npos) << first.Log();

    // The second one in another session's runtime folder: refused, its box
    // open until the signal.
    TRunningParlet second({"--config", settings}, folder.File("run"), folder.File("second.log"));
    ASSERT_TRUE(second.Says("already running")) << second.Log();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(second.TerminatedWithin(1s), 0) << second.Log();

    // A start-up error box: a folder given as the settings file.
    TRunningParlet wrong({"--config", folder.Path().string()}, folder.File("run"), folder.File("wrong.log"));
    ASSERT_TRUE(wrong.Says("parlet: Unable to read " + folder.Path().string() + " (read ")) << wrong.Log();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(wrong.TerminatedWithin(1s), 0) << wrong.Log();

    EXPECT_EQ(first.TerminatedWithin(5s), 0) << first.Log();
}

// No sound server and no ALSA device at all: whatever the device choice, the
// program starts, says what it waits for, and ends normally.
TEST(ProgramSignals, WithoutAnySoundDeviceTheProgramStartsAndWaitsForIt)
{
    TTempFolder folder;
    WriteBytes(folder.File("empty-alsa.conf"), "");
    const std::vector<std::pair<std::string, std::string>> nothing {
        {"PULSE_SERVER", "unix:" + folder.File("no-server")}, {"ALSA_CONFIG_PATH", folder.File("empty-alsa.conf")}};
    struct TChoice {
        const char* parlet;
        const char* playbackSays;
        const char* captureSays;
    };
    for (const TChoice choice :
        {TChoice {"", "playback device \"System default\"", "capture device \"System default\""},
            TChoice {"[Parlet]\r\nOutputDevice=radio-out\r\nInputDevice=radio-in\r\n", "playback device \"radio-out\"",
                "capture device \"radio-in\""}}) {
        const std::string settings = folder.File("ZYNClient.ini");
        WriteBytes(settings, std::string("[Interface]\r\nRigComm=0\r\n") + choice.parlet);
        TRunningParlet parlet({"--config", settings}, "", folder.File("parlet.log"), nothing);
        EXPECT_TRUE(parlet.Says(choice.playbackSays)) << parlet.Log();
        EXPECT_TRUE(parlet.Says(choice.captureSays)) << parlet.Log();
        EXPECT_TRUE(parlet.Says("waiting for it")) << parlet.Log();
        std::this_thread::sleep_for(500ms);
        EXPECT_EQ(parlet.TerminatedWithin(2s), 0) << "still running until told to end\n" << parlet.Log();
    }
}
