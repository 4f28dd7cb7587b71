#include <gtest/gtest.h>

#include <filesystem>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "desktop/InstanceLock.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {
// A child that takes the lock with no XDG_RUNTIME_DIR at all, tells the
// parent through a pipe, and waits to be killed.
pid_t HoldInChild(const std::string& settings)
{
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        unsetenv("XDG_RUNTIME_DIR");
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

TEST(InstanceLock, OneHolderPerSettingsFileWhateverTheEnvironmentUntilItIsKilled)
{
    TTempFolder temp;
    const std::string settings = temp.File("ZYNClient.ini");
    WriteBytes(settings, "[Identification]\n");
    const pid_t holder = HoldInChild(settings);
    ASSERT_GT(holder, 0);

    // The second one lives in another session's runtime folder.
    const TScopedEnvironment runtime("XDG_RUNTIME_DIR", temp.File("elsewhere"));
    try {
        const TInstanceLock second(settings);
        ADD_FAILURE() << "second lock taken";
    } catch (const EAlreadyRunning& e) {
        EXPECT_NE(std::string(e.what()).find(settings), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("process " + std::to_string(holder)), std::string::npos) << e.what();
    }
    // The settings file replaced by a rename, as every write does it: still
    // the same settings file.
    WriteBytes(temp.File("new.ini"), "[Identification]\nFBand=1\n");
    fs::rename(temp.File("new.ini"), settings);
    EXPECT_THROW(TInstanceLock {settings}, EAlreadyRunning);
    // Another name of the same file takes the same lock.
    const std::string link = temp.File("link.ini");
    fs::create_symlink(settings, link);
    EXPECT_THROW(TInstanceLock {link}, EAlreadyRunning);
    // Another settings file, in this folder or a read-only one, is free.
    EXPECT_NO_THROW(TInstanceLock {temp.File("other.ini")});
    fs::create_directory(temp.File("ro"));
    chmod(temp.File("ro").c_str(), 0555);
    EXPECT_NO_THROW(TInstanceLock {temp.File("ro/ZYNClient.ini")});
    chmod(temp.File("ro").c_str(), 0755);

    // A killed holder leaves nothing that blocks the next start, and nothing
    // on disk.
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    std::unique_ptr<TInstanceLock> next;
    ASSERT_NO_THROW(next = std::make_unique<TInstanceLock>(settings));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 3)
        << "the settings file, its link and the read-only folder";
    // Freed on destruction: a later start in this process takes it again.
    next.reset();
    EXPECT_NO_THROW(TInstanceLock {settings});
}
