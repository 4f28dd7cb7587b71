#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/IniFile.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path)
{
    struct stat st { };
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

TEST(IniFile, MissingFileSectionOrKeyGivesTheDefault)
{
    TTempFolder folder;
    TIniFile missing(folder.File("none.ini"));
    EXPECT_EQ(missing.ReadString("A", "k", "dflt"), "dflt");
    EXPECT_EQ(missing.ReadInteger("A", "k", 17), 17);
    EXPECT_TRUE(missing.ReadBool("A", "k", true));

    WriteBytes(folder.File("a.ini"), "[A]\nk=v\nnum=zz\n");
    TIniFile ini(folder.File("a.ini"));
    EXPECT_EQ(ini.ReadString("B", "k", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("A", "other", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("a", "K", "dflt"), "v");
    EXPECT_EQ(ini.ReadInteger("A", "num", -5), -5);
}

TEST(IniFile, StringsAreCutAt2047Characters)
{
    TTempFolder folder;
    const std::string longValue(3000, 'x');
    WriteBytes(folder.File("a.ini"), "[A]\nlong=" + longValue + "\nexact=" + std::string(2047, 'y') + "\n");
    TIniFile ini(folder.File("a.ini"));
    EXPECT_EQ(ini.ReadString("A", "long", ""), std::string(2047, 'x'));
    EXPECT_EQ(ini.ReadString("A", "exact", ""), std::string(2047, 'y'));
}

TEST(IniFile, BooleansReadAnyNonZeroAsTrueAndWriteOneOrZero)
{
    TTempFolder folder;
    WriteBytes(folder.File("a.ini"), "[B]\ntwo=2\nzero=0\nminus=-1\nhex=0x10\nword=yes\nempty=\n");
    TIniFile ini(folder.File("a.ini"));
    EXPECT_TRUE(ini.ReadBool("B", "two", false));
    EXPECT_FALSE(ini.ReadBool("B", "zero", true));
    EXPECT_TRUE(ini.ReadBool("B", "minus", false));
    EXPECT_TRUE(ini.ReadBool("B", "hex", false));
    EXPECT_TRUE(ini.ReadBool("B", "word", true));
    EXPECT_FALSE(ini.ReadBool("B", "word", false));
    EXPECT_FALSE(ini.ReadBool("B", "empty", false));

    ini.WriteBool("B", "two", true);
    ini.WriteBool("B", "zero", false);
    ini.WriteInteger("B", "minus", -42);
    EXPECT_EQ(ReadBytes(folder.File("a.ini")), "[B]\ntwo=1\nzero=0\nminus=-42\nhex=0x10\nword=yes\nempty=\n");
}

TEST(IniFile, WritingCreatesFileSectionAndKeyWithTheUmasksMode)
{
    TTempFolder folder;
    const mode_t old = ::umask(027);
    TIniFile ini(folder.File("new.ini"));
    ini.WriteString("Identification", "OperaterName", "John");
    ini.WriteInteger("Interface", "VoxLevel", 30);
    ::umask(old);
    EXPECT_EQ(
        ReadBytes(folder.File("new.ini")), "[Identification]\r\nOperaterName=John\r\n[Interface]\r\nVoxLevel=30\r\n");
    EXPECT_EQ(ModeOf(folder.File("new.ini")), 0640u);
    // Nothing but the file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

TEST(IniFile, AWriteKeepsTheFilesModeAndFollowsASymbolicLink)
{
    TTempFolder folder;
    WriteBytes(folder.File("real.ini"), "[A]\nk=1\n");
    ASSERT_EQ(::chmod(folder.File("real.ini").c_str(), 0604), 0);
    fs::create_symlink("real.ini", folder.File("link.ini"));

    TIniFile ini(folder.File("link.ini"));
    ini.WriteString("A", "k", "2");
    EXPECT_TRUE(fs::is_symlink(folder.File("link.ini")));
    EXPECT_EQ(ReadBytes(folder.File("real.ini")), "[A]\nk=2\n");
    EXPECT_EQ(ModeOf(folder.File("real.ini")), 0604u);
}

TEST(IniFile, AValueIsCutAtALineBreakSoItCannotAddLines)
{
    TTempFolder folder;
    WriteBytes(folder.File("a.ini"), "[Identification]\nCity=Old\n[Interface]\nRigComm=0\n");
    TIniFile ini(folder.File("a.ini"));
    ini.WriteString("Identification", "City", "Town\r\n[Interface]\r\nRigComm=1");
    EXPECT_EQ(ReadBytes(folder.File("a.ini")), "[Identification]\nCity=Town\n[Interface]\nRigComm=0\n");
    ini.WriteString("Identification", "City", std::string("Nul\0After", 9));
    EXPECT_EQ(ini.ReadString("Identification", "City", ""), "Nul");
}

TEST(IniFile, ARefusedWriteRaisesTheFileNameAndLeavesNoTrace)
{
    TTempFolder folder;
    const std::string inMissingFolder = folder.File("no-such-folder/ZYNClient.ini");
    TIniFile lost(inMissingFolder);
    try {
        lost.WriteInteger("Identification", "FBand", 1);
        FAIL() << "the write should have been refused";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message().rfind("Unable to write to " + inMissingFolder + " (", 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find("No such file or directory)"), std::string::npos) << e.Message();
    }

    // A folder where the file should be is neither read as an empty file
    // nor replaced.
    fs::create_directory(folder.File("dir.ini"));
    WriteBytes(folder.File("dir.ini/keep"), "x");
    TIniFile dir(folder.File("dir.ini"));
    EXPECT_EQ(dir.ReadString("A", "k", "dflt"), "dflt");
    EXPECT_THROW(dir.WriteString("A", "k", "v"), EIniFileException);
    EXPECT_TRUE(fs::is_directory(folder.File("dir.ini")));
    EXPECT_EQ(ReadBytes(folder.File("dir.ini/keep")), "x");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

} // namespace
