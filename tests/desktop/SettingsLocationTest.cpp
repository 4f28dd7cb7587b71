#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "base/Exceptions.h"
#include "desktop/SettingsLocation.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

// Root may write anywhere; a read-only folder only stops other users.
bool ReadOnlyFoldersHold()
{
    return ::geteuid() != 0;
}

namespace {
struct SettingsLocation : testing::Test {
    TTempFolder temp;
    std::string program = temp.File("bin") + "/";
    std::string config = temp.File("config");
    TScopedEnvironment xdg {"XDG_CONFIG_HOME", config};

    void SetUp() override { fs::create_directories(program); }
    void MakeProgramFolderReadOnly() { fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec); }
    void TearDown() override { fs::permissions(program, fs::perms::owner_all); }
};
} // namespace

TEST_F(SettingsLocation, CommandLineFileOrAWritableProgramFolderNeedsNoUserFolder)
{
    EXPECT_EQ(ChooseSettingsFile("/srv/radio/other.ini", program), "/srv/radio/other.ini");
    EXPECT_EQ(ChooseSettingsFile("rel.ini", program), (fs::current_path() / "rel.ini").string());
    EXPECT_EQ(ChooseSettingsFile("", program), program + "ZYNClient.ini");
    EXPECT_FALSE(fs::exists(config));
}

TEST_F(SettingsLocation, ReadOnlyProgramFolderKeepsAWritableFileElseUsesTheUsersConfigFolder)
{
    if (!ReadOnlyFoldersHold()) GTEST_SKIP() << "root writes into read-only folders";
    WriteBytes(program + "ZYNClient.ini", "[Identification]\n");
    MakeProgramFolderReadOnly();
    EXPECT_EQ(ChooseSettingsFile("", program), program + "ZYNClient.ini");

    fs::permissions(program + "ZYNClient.ini", fs::perms::owner_read);
    EXPECT_EQ(ChooseSettingsFile("", program), config + "/Parlet/ZYNClient.ini");
    EXPECT_TRUE(fs::is_directory(config + "/Parlet"));
}

TEST_F(SettingsLocation, MissingProgramFolderUsesTheUsersConfigFolderAndHomeWithoutXdg)
{
    const std::string gone = temp.File("gone") + "/";
    EXPECT_EQ(ChooseSettingsFile("", gone), config + "/Parlet/ZYNClient.ini");

    // A relative XDG_CONFIG_HOME is ignored, as the XDG rules say.
    const TScopedEnvironment relative("XDG_CONFIG_HOME", "relative/config");
    const TScopedEnvironment home("HOME", temp.File("home"));
    EXPECT_EQ(ChooseSettingsFile("", gone), temp.File("home") + "/.config/Parlet/ZYNClient.ini");
}

TEST_F(SettingsLocation, UncreatableUserFolderIsAClearError)
{
    WriteBytes(config, "a file where the folder should be");
    try {
        ChooseSettingsFile("", temp.File("gone") + "/");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find(config + "/Parlet"), std::string::npos) << e.what();
    }
}

TEST(SettingsFolder, PortsAreLookedForBesideTheSettingsFile)
{
    EXPECT_EQ(FolderOf("/home/anna/.config/Parlet/ZYNClient.ini"), "/home/anna/.config/Parlet/");
    EXPECT_EQ(FolderOf("ZYNClient.ini"), "./");
}
