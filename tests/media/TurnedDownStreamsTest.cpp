// The file of turned-down streams: what a run leaves for the next start.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "media/TurnedDownStreams.h"
#include "tests/support/TempFolder.h"

TEST(TurnedDownStreams, SavedStreamsLoadBackAndAnEmptyListRemovesTheFile)
{
    TTempFolder folder;
    const std::string path = folder.File("state/parlet/turned-down-streams");
    TTurnedDownStreams file(path);
    EXPECT_TRUE(file.Load().empty()) << "no file yet";

    std::map<std::uint32_t, TTurnedDownStreams::TStream> streams;
    streams[7] = {1234, {65536, 32768}};
    streams[12] = {99, {40000}};
    file.Save(streams);
    const auto loaded = file.Load();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded.at(7).ProcessId, 1234u);
    EXPECT_EQ(loaded.at(7).Volumes, (std::vector<std::uint32_t> {65536, 32768}));
    EXPECT_EQ(loaded.at(12).Volumes, (std::vector<std::uint32_t> {40000}));

    file.Save({});
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(TurnedDownStreams, DamagedLinesAreSkippedAndAnUnwritableFolderDoesNotThrow)
{
    TTempFolder folder;
    const std::string path = folder.File("turned-down-streams");
    WriteBytes(path, "garbage\n5 77\n6 78 100 200\n\n8 x 1\n");
    const auto loaded = TTurnedDownStreams(path).Load();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded.at(6).Volumes, (std::vector<std::uint32_t> {100, 200}));

    // A file where a folder should be: the list cannot be kept, and says so.
    WriteBytes(folder.File("blocked"), "");
    TTurnedDownStreams blocked(folder.File("blocked/parlet/turned-down-streams"));
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(blocked.Save({{1, {2, {3}}}}));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("could not be kept"), std::string::npos);
}

TEST(TurnedDownStreams, FileLivesInTheUsersStateFolder)
{
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::setenv("XDG_STATE_HOME", "/somewhere/state", 1);
    EXPECT_EQ(TTurnedDownStreams::DefaultPath(), "/somewhere/state/parlet/turned-down-streams");
    ::setenv("XDG_STATE_HOME", "relative", 1);
    ::setenv("HOME", "/home/anna", 1);
    EXPECT_EQ(TTurnedDownStreams::DefaultPath(), "/home/anna/.local/state/parlet/turned-down-streams");
    ::unsetenv("XDG_STATE_HOME");
    ::setenv("HOME", savedHome.c_str(), 1);
}
