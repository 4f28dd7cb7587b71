#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/VirtualLoop.h"
#include "settings/IniFile.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

const std::string Suite = "[Identification]\r\nOperaterName=Anna\r\n[Interface]\r\nCourtesyDelay=400\r\n";
constexpr uid_t Nobody = 65534;

// Runs body as an ordinary user: root may write anywhere. The folder is
// handed to that user first when the case says so.
bool AsOrdinaryUser(const std::function<bool()>& body)
{
    return ExitCodeInChild([&] {
        if (geteuid() == 0 && (setresgid(Nobody, Nobody, Nobody) != 0 || setresuid(Nobody, Nobody, Nobody) != 0))
            return false;
        return body();
    }) == 0;
}

struct TReadOnlyCase {
    const char* Name;
    mode_t FolderMode;
    mode_t FileMode;
    const char* Step; // the step the notice names
};

class ReadOnlySettings : public testing::TestWithParam<TReadOnlyCase> { };

// A read-only folder or file: the settings load, the start-up's write is
// covered by one notice, a later change holds for the session (its event
// fires) and says it was not saved; the file is left exactly as it was.
TEST_P(ReadOnlySettings, AreUsedAsTheyAreWithOneNoticeAndEveryLaterChangeSaysItWasNotSaved)
{
    const TReadOnlyCase& c = GetParam();
    TTempFolder temp;
    const std::string folder = temp.File("suite");
    const std::string file = folder + "/ZYNClient.ini";
    fs::create_directory(folder);
    WriteBytes(file, Suite);
    chmod(temp.Path().c_str(), 0755);
    // The ordinary user owns what it would own on a desktop.
    [[maybe_unused]] const int owned =
        geteuid() == 0 ? chown(folder.c_str(), Nobody, Nobody) | chown(file.c_str(), Nobody, Nobody) : 0;
    chmod(file.c_str(), c.FileMode);
    chmod(folder.c_str(), c.FolderMode);

    EXPECT_TRUE(AsOrdinaryUser([&] {
        TVirtualLoop loop;
        std::vector<std::string> reports;
        loop.SetErrorReport([&](const std::string& message) { reports.push_back(message); });
        TZYNClientSettings settings(file);
        int events = 0;
        const TConnection connection = settings.OnInterfaceChange.Connect([&](TObject*) { ++events; });
        settings.SetBand(1); // what every start writes
        loop.RunPending();
        bool held = reports.size() == 1 && reports[0].find(file) != std::string::npos
            && reports[0].find(std::string("(") + c.Step + " ") != std::string::npos
            && reports[0].find("Permission denied") != std::string::npos && settings.Band() == 1;

        settings.SetCourtesyDelay(750);
        loop.RunPending();
        held = held && settings.CourtesyDelay() == 750 && events == 2 && reports.size() == 2
            && reports[1].rfind("Unable to save CourtesyDelay to " + file + " (" + c.Step + " ", 0) == 0;
        for (const auto& report : reports) std::fprintf(stderr, "report: %s\n", report.c_str());
        return held;
    }));
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(ReadBytes(file), Suite);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Settings, ReadOnlySettings,
    testing::Values(TReadOnlyCase {"Folder", 0555, 0644, "create"}, TReadOnlyCase {"File", 0755, 0444, "write"}),
    [](const auto& info) { return std::string(info.param.Name); });

// A file that is there and cannot be read is never taken for an empty one:
// the settings refuse to load, naming the read.
TEST(UnreadableSettings, AFolderOrAFileWithoutReadPermissionSaysItCouldNotBeRead)
{
    TTempFolder temp;
    chmod(temp.Path().c_str(), 0755);
    const std::string folderInstead = temp.File("folder.ini");
    fs::create_directory(folderInstead);
    const std::string locked = temp.File("locked.ini");
    WriteBytes(locked, Suite);
    chmod(locked.c_str(), 0200);
    [[maybe_unused]] const int owned = geteuid() == 0 ? chown(locked.c_str(), Nobody, Nobody) : 0;

    for (const auto& [file, reason] :
        {std::pair {folderInstead, "Is a directory)"}, std::pair {locked, "Permission denied)"}}) {
        EXPECT_TRUE(AsOrdinaryUser([&] {
            try {
                const TZYNClientSettings settings(file);
            } catch (const EIniFileException& e) {
                std::fprintf(stderr, "error: %s\n", e.what());
                return e.Message() == "Unable to read " + file + " (read " + file + ": " + reason;
            }
            return false;
        })) << file;
    }
    EXPECT_EQ(ReadBytes(locked), Suite);
}

} // namespace
