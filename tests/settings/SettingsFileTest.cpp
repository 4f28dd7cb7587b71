#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "settings/IniText.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/TempFolder.h"

namespace {

// A file as the suite and a text editor leave it: CRLF endings, comments,
// odd spacing, foreign sections and keys, a trailing line without ending.
const std::string SuiteFile = "; ZYN Client settings\r\n"
                              "\r\n"
                              "[Identification]\r\n"
                              "  OperaterName =  John  \r\n"
                              "Callsign=N0CALL\r\n"
                              "SuiteSecret = keep me ; not a comment\r\n"
                              "\r\n"
                              "[SuiteOnly]\r\n"
                              "Anything=goes=here\r\n"
                              "; a comment inside\r\n"
                              "[interface]\r\n"
                              "RIGCOMM=0\r\n"
                              "\tVoxLevel\t=\t30\r\n"
                              "VoxOffLevel=1\r\n"
                              "CommPort=0\r\n"
                              "\r\n"
                              "[Media]\r\n"
                              "MediaVolume=50";

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(SettingsFile, EachSetterChangesOnlyItsOwnLine)
{
    TTempFolder folder;
    const std::string file = folder.File("ZYNClient.ini");
    WriteBytes(file, SuiteFile);
    TZYNClientSettings settings(file);
    std::string expected = SuiteFile;

    settings.SetRigComKeying(true);
    expected = Replaced(expected, "RIGCOMM=0\r\n", "RIGCOMM=1\r\n");
    EXPECT_EQ(ReadBytes(file), expected);

    settings.SetOperaterName("  JANE   doe");
    expected = Replaced(expected, "  OperaterName =  John  \r\n", "  OperaterName =  Jane Doe\r\n");
    EXPECT_EQ(ReadBytes(file), expected);

    settings.SetVoxLevel(45);
    expected = Replaced(expected, "\tVoxLevel\t=\t30\r\n", "\tVoxLevel\t=\t45\r\n");
    EXPECT_EQ(ReadBytes(file), expected);

    settings.SetCommIndex(2);
    expected = Replaced(expected, "CommPort=0\r\n", "CommPort=2\r\n");
    EXPECT_EQ(ReadBytes(file), expected);

    // A key the file lacks is added behind the last key of its section.
    settings.SetRigComDtr(false);
    expected = Replaced(expected, "CommPort=2\r\n", "CommPort=2\r\nRigComDtr=0\r\n");
    EXPECT_EQ(ReadBytes(file), expected);

    // The last line, which had no line ending, keeps having none.
    settings.SetMediaVolume(70);
    expected = Replaced(expected, "MediaVolume=50", "MediaVolume=70");
    EXPECT_EQ(ReadBytes(file), expected);

    settings.SetBand(1);
    expected = Replaced(expected, "not a comment\r\n", "not a comment\r\nFBand=1\r\n");
    EXPECT_EQ(ReadBytes(file), expected);

    // A missing section is appended at the end, after a line ending for the
    // last line.
    settings.SetSendID(true);
    expected += "\r\n[RfData]\r\nSendID=1\r\n";
    EXPECT_EQ(ReadBytes(file), expected);
}

TEST(SettingsFile, ChangesOtherProgramsMadeAfterTheLoadSurvive)
{
    TTempFolder folder;
    const std::string file = folder.File("ZYNClient.ini");
    WriteBytes(file, SuiteFile);
    TZYNClientSettings settings(file);

    // The suite's client rewrites its file meanwhile.
    std::string edited = Replaced(SuiteFile, "Callsign=N0CALL\r\n", "Callsign=DL0ABC\r\n");
    edited = Replaced(edited, "CommPort=0\r\n", "CommPort=4\r\n");
    edited += "\r\n[NewSuiteSection]\r\nKey=1\r\n";
    WriteBytes(file, edited);

    settings.SetBand(1);
    const std::string now = ReadBytes(file);
    EXPECT_EQ(FindIniValue(now, "Identification", "Callsign"), "DL0ABC");
    EXPECT_EQ(FindIniValue(now, "Interface", "CommPort"), "4");
    EXPECT_EQ(FindIniValue(now, "NewSuiteSection", "Key"), "1");
    EXPECT_EQ(now, Replaced(edited, "not a comment\r\n", "not a comment\r\nFBand=1\r\n"));
    // The object itself still holds what it loaded.
    EXPECT_EQ(settings.Callsign(), "N0CALL");
    EXPECT_EQ(settings.CommIndex(), 0);
}

// The lines a writer may change, and every value it writes to them.
bool IsLineTheWriterMayLeave(const std::string& line)
{
    static const std::string allowed[] = {
        "  OperaterName =  John  \r\n",
        "  OperaterName =  John\r\n",
        "  OperaterName =  Abcdefghij Klmnopqrs\r\n",
        "\tVoxLevel\t=\t30\r\n",
        "\tVoxLevel\t=\t7\r\n",
        "\tVoxLevel\t=\t100\r\n",
        "CommPort=0\r\n",
        "CommPort=1234567\r\n",
    };
    for (const std::string& a : allowed)
        if (line == a) return true;
    return false;
}

std::vector<std::string> SplitAfterNewline(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const auto lf = text.find('\n', begin);
        const std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

// A process killed at any moment of a write leaves the old file or the new
// one, never a truncated or mixed one.
TEST(SettingsFile, AKilledWriterNeverLeavesAHalfWrittenFile)
{
    TTempFolder folder;
    const std::string file = folder.File("ZYNClient.ini");
    std::string original = SuiteFile + "\r\n";
    for (int i = 0; i < 40; ++i) original += "; padding line " + std::to_string(i) + " keeps the file long\r\n";
    WriteBytes(file, original);
    const std::vector<std::string> originalLines = SplitAfterNewline(original);

    TZYNClientSettings settings(file);
    // How long one write takes here decides the range of kill moments.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) settings.SetCommIndex(i % 2 ? 1234567 : 0);
    const auto perWriteUs =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count() / 5;
    std::mt19937 random(12345);
    std::uniform_int_distribution<long> delayUs(50, std::max<long>(300, 2 * perWriteUs));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    int kills = 0;
    int changedFiles = 0;
    while (kills < 300 && std::chrono::steady_clock::now() < deadline) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned n = 0;; ++n) {
                settings.SetOperaterName(n % 2 ? "abcdefghij klmnopqrstuvwxyz" : "JOHN");
                settings.SetVoxLevel(n % 2 ? 7 : 100);
                settings.SetCommIndex(n % 2 ? 0 : 1234567);
            }
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ++kills;

        const std::string now = ReadBytes(file);
        const std::vector<std::string> lines = SplitAfterNewline(now);
        ASSERT_EQ(lines.size(), originalLines.size()) << "after kill " << kills << ":\n" << now;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] == originalLines[i]) continue;
            ASSERT_TRUE(IsLineTheWriterMayLeave(lines[i]) && IsLineTheWriterMayLeave(originalLines[i]))
                << "after kill " << kills << ", line " << i << ": " << lines[i];
        }
        if (now != original) ++changedFiles;
        WriteBytes(file, original);
    }
    EXPECT_GE(kills, 20); // a few hundred on a quiet machine; fewer on a slow, busy disk
    // Some kills came after at least one finished write, so both sides of
    // the rename were seen.
    EXPECT_GT(changedFiles, 0);
    RecordProperty("kills", kills);
    RecordProperty("changedFiles", changedFiles);
    std::printf(
        "%d kills, %d after a finished write, %ld us per write\n", kills, changedFiles, static_cast<long>(perWriteUs));
}

} // namespace
