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

    const std::vector<TTurnedDownStreams::TStream> streams {
        {7, 1234, false, "front-left,front-right", {65536, 32768}, {0, 0},
            "sink-input-by-application-name:Music Player"},
        {std::nullopt, 99, true, "mono", {40000}, {20000}, "sink-input-by-media-role:music"},
        {12, 5, false, "mono", {1}, {1}, ""},
    };
    file.Save(streams);
    EXPECT_EQ(file.Load(), streams);

    file.Save({});
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(TurnedDownStreams, DamagedLinesAreSkippedAndAnUnwritableFolderDoesNotThrow)
{
    TTempFolder folder;
    const std::string path = folder.File("turned-down-streams");
    WriteBytes(path,
        "garbage\n5 77\n6 78 0 mono 1 100 50\tkey\n7 78 0 mono 2 100 50\tshort\nx 1 0 mono 1 1 1\tbad index\n"
        "- 3 2 mono 1 1 1\tbad mute\n8 9 0 mono 1 1 1\n");
    const auto loaded = TTurnedDownStreams(path).Load();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].Index, 6u);
    EXPECT_EQ(loaded[0].Volumes, (std::vector<std::uint32_t> {100}));
    EXPECT_EQ(loaded[0].Lowered, (std::vector<std::uint32_t> {50}));
    EXPECT_EQ(loaded[0].RestoreKey, "key");

    // A file where a folder should be: the list cannot be kept, and says so.
    WriteBytes(folder.File("blocked"), "");
    TTurnedDownStreams blocked(folder.File("blocked/parlet/turned-down-streams"));
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(blocked.Save({{1, 2, false, "mono", {3}, {1}, "k"}}));
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
