#include <gtest/gtest.h>

#include <filesystem>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "desktop/InstanceLock.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {
struct InstanceLock : testing::Test {
    TTempFolder temp;
    TScopedEnvironment runtime {"XDG_RUNTIME_DIR", temp.File("run")};
    std::string settings = temp.File("ZYNClient.ini");

    void SetUp() override
    {
        fs::create_directory(temp.File("run"), ec);
        WriteBytes(settings, "");
    }
    std::error_code ec;
};

// A child that takes the lock, tells the parent through a pipe, and waits to
// be killed.
pid_t HoldInChild(const std::string& settings)
{
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        try {
            const TInstanceLock lock(settings);
            const char ok = 1;
            if (write(ready[1], &ok, 1) != 1) _exit(2);
            pause();
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    close(ready[1]);
    char ok = 0;
    const bool locked = read(ready[0], &ok, 1) == 1;
    close(ready[0]);
    return locked ? pid : -1;
}
} // namespace

TEST_F(InstanceLock, SecondHolderIsRefusedUntilTheFirstIsKilled)
{
    const pid_t holder = HoldInChild(settings);
    ASSERT_GT(holder, 0);
    try {
        const TInstanceLock second(settings);
        ADD_FAILURE() << "second lock taken";
    } catch (const EAlreadyRunning& e) {
        EXPECT_NE(std::string(e.what()).find(settings), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("process " + std::to_string(holder)), std::string::npos) << e.what();
    }
    // Another name of the same file takes the same lock.
    const std::string link = temp.File("link.ini");
    fs::create_symlink(settings, link);
    EXPECT_THROW(TInstanceLock {link}, EAlreadyRunning);
    // Another settings file is free.
    EXPECT_NO_THROW(TInstanceLock {temp.File("other.ini")});

    // A killed holder leaves nothing that blocks the next start.
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    std::unique_ptr<TInstanceLock> next;
    ASSERT_NO_THROW(next = std::make_unique<TInstanceLock>(settings));
    EXPECT_TRUE(fs::exists(next->LockFile())) << "the stale lock file is reused";
    // Freed on destruction: a later start in this process takes it again.
    next.reset();
    EXPECT_NO_THROW(TInstanceLock {settings});
}

TEST_F(InstanceLock, RuntimeFolderIsMadePrivateAndAForeignOneRefused)
{
    const std::string made = temp.File("made");
    {
        const TScopedEnvironment fresh("XDG_RUNTIME_DIR", made);
        const TInstanceLock lock(settings);
        EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    // A symbolic link in place of the folder could point anywhere.
    fs::create_directory_symlink(temp.File("run"), temp.File("linked"));
    const TScopedEnvironment linked("XDG_RUNTIME_DIR", temp.File("linked"));
    EXPECT_THROW(TInstanceLock {settings}, Exception);
}
