#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <unistd.h>

#include "desktop/MessageHistory.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {
using namespace std::chrono;

// 2026-12-08 06:21:18 UTC and a second before the day ends.
const TMessageHistory::TClock::time_point Morning {seconds {1796710878}};
const TMessageHistory::TClock::time_point Midnight {seconds {1796774399}};

// A history in the temporary folder that collects its error reports.
struct MessageHistory : testing::Test {
    TTempFolder temp;
    const std::string folder = temp.File("history");
    std::vector<std::string> reports;
    TMessageHistory history {folder, [this](const std::string& m) { reports.push_back(m); }};

    // Two failing appends give one report holding the given words.
    void ExpectOneReportOf(const std::string& words)
    {
        EXPECT_NO_THROW(history.Append(THistoryEntry::Heard, "Bob", "one", Morning));
        EXPECT_NO_THROW(history.Append(THistoryEntry::Heard, "Bob", "two", Morning));
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find(words), std::string::npos) << reports[0];
    }
};
} // namespace

TEST(MessageHistoryLine, TimeDirectionSenderTabTextWithEscapesAndUtf8)
{
    EXPECT_EQ(
        TMessageHistory::Line(THistoryEntry::Sent, "Anna", "hello", Morning), "2026-12-08T06:21:18Z > Anna\thello");
    EXPECT_EQ(TMessageHistory::Line(THistoryEntry::Heard, "", "no name", Morning), "2026-12-08T06:21:18Z < \tno name");
    // A line break or a tab inside a message cannot break the one-line-a-
    // message layout, and an escape in the text cannot pass for one.
    EXPECT_EQ(TMessageHistory::Line(THistoryEntry::Heard, "Bo\tb",
                  std::string("a\r\nb\x7f"
                              "c\\d\x01",
                      9),
                  Morning),
        "2026-12-08T06:21:18Z < Bo\\x09b\ta\\x0D\\x0Ab\\x7Fc\\x5Cd\\x01");
    EXPECT_EQ(TMessageHistory::Line(THistoryEntry::Heard, "J\xF6rg", "5 \x80", Morning),
        "2026-12-08T06:21:18Z < J\xC3\xB6rg\t5 \xE2\x82\xAC");
    // A 0x00 given is written like any control byte; a text not sent
    // carries its reason.
    EXPECT_EQ(TMessageHistory::Line(THistoryEntry::Heard, "Bob", std::string("a\0b", 3), Morning),
        "2026-12-08T06:21:18Z < Bob\ta\\x00b");
    EXPECT_EQ(TMessageHistory::Line(THistoryEntry::NotSent, "Anna", "hi", Morning, "no card\nat all"),
        "2026-12-08T06:21:18Z ! Anna\thi\tno card at all");
    // Doubt is marked before the character, a character not heard stands
    // as \!, a sender in doubt starts with \?.
    EXPECT_EQ(TMessageHistory::Line(THistoryEntry::Heard, "Bob", std::string("5 \x80\t\0x", 6), Morning, {},
                  THistoryMarks {{2, 3, 4}, {4}, true}),
        "2026-12-08T06:21:18Z < \\?Bob\t5 \\?\xE2\x82\xAC\\?\\x09\\!x");
}

// On a machine 14 hours ahead of UTC, where every local date differs from
// the UTC one at these times, the stamps and the day files stay UTC.
TEST_F(MessageHistory, AppendsToOneFileADayCreatingTheFolder)
{
    const TScopedEnvironment kiritimati("TZ", "Pacific/Kiritimati");
    tzset();
    TMessageHistory nested(temp.File("data/Parlet/history"), [this](const std::string& m) { reports.push_back(m); });
    nested.Append(THistoryEntry::Sent, "Anna", "hello", Morning);
    nested.Append(THistoryEntry::Heard, "Bob", "hi", Midnight);
    nested.Append(THistoryEntry::Heard, "Bob", "next day", Midnight + seconds {1});
    EXPECT_EQ(ReadBytes(temp.File("data/Parlet/history/2026-12-08.log")),
        "2026-12-08T06:21:18Z > Anna\thello\n2026-12-08T23:59:59Z < Bob\thi\n");
    EXPECT_EQ(ReadBytes(temp.File("data/Parlet/history/2026-12-09.log")), "2026-12-09T00:00:00Z < Bob\tnext day\n");
    EXPECT_TRUE(reports.empty());

    const TScopedEnvironment data("XDG_DATA_HOME", "/srv/anna/data");
    EXPECT_EQ(TMessageHistory::DefaultFolder(), "/srv/anna/data/Parlet/history");
    unsetenv("TZ");
    tzset();
}

TEST_F(MessageHistory, FailedWritesAreReportedOnceAndNeverThrow)
{
    // A file where the folder should be fails for root too.
    WriteBytes(folder, "");
    ExpectOneReportOf(folder);
}

TEST_F(MessageHistory, ReadOnlyFolderIsReported)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    ExpectOneReportOf("Permission denied");
    fs::permissions(folder, fs::perms::owner_all);
}

TEST_F(MessageHistory, FullDiskIsReportedOnceAndAgainOnlyAfterAWriteSucceeded)
{
    const std::string day = folder + "/2026-12-08.log";
    fs::create_directory(folder);
    // The day's file on a device that is always full.
    fs::create_symlink("/dev/full", day);
    ExpectOneReportOf("No space left");

    fs::remove(day);
    history.Append(THistoryEntry::Heard, "Bob", "three", Morning);
    EXPECT_EQ(ReadBytes(day), "2026-12-08T06:21:18Z < Bob\tthree\n");
    fs::remove(day);
    fs::create_symlink("/dev/full", day);
    history.Append(THistoryEntry::Heard, "Bob", "four", Morning);
    EXPECT_EQ(reports.size(), 2u);
}
