#include <gtest/gtest.h>

#include "settings/IniText.h"

namespace {

TEST(IniText, NamesMatchWithoutCaseAndTheFirstSectionAndKeyWin)
{
    const std::string text = "[interface]\r\n"
                             "RIGCOMM=1\r\n"
                             "RigComm=2\r\n"
                             "[Interface]\r\n"
                             "VoxLevel=40\r\n"
                             "RigComm=3\r\n";
    EXPECT_EQ(FindIniValue(text, "Interface", "RigComm"), "1");
    // Only the first matching section is searched.
    EXPECT_EQ(FindIniValue(text, "INTERFACE", "VoxLevel"), std::nullopt);
    EXPECT_EQ(FindIniValue(text, "Media", "RigComm"), std::nullopt);
}

TEST(IniText, ValueLosesSurroundingBlanksAndOnePairOfQuotes)
{
    const std::string text = "  [ Identification ]  \n"
                             "\tOperaterName \t=  John Smith \t\n"
                             "City=\"  Quoted  \"\n"
                             "CityPart='single'\n"
                             "Callsign=\"\"inner\"\"\n"
                             "EMailAddress=\"unbalanced\n"
                             "Empty=\n"
                             "NoEquals\n"
                             "Link=a=b\n";
    EXPECT_EQ(FindIniValue(text, "Identification", "OperaterName"), "John Smith");
    EXPECT_EQ(FindIniValue(text, "Identification", "City"), "  Quoted  ");
    EXPECT_EQ(FindIniValue(text, "Identification", "CityPart"), "single");
    EXPECT_EQ(FindIniValue(text, "Identification", "Callsign"), "\"inner\"");
    EXPECT_EQ(FindIniValue(text, "Identification", "EMailAddress"), "\"unbalanced");
    EXPECT_EQ(FindIniValue(text, "Identification", "Empty"), "");
    EXPECT_EQ(FindIniValue(text, "Identification", "NoEquals"), std::nullopt);
    EXPECT_EQ(FindIniValue(text, "Identification", "Link"), "a=b");
}

TEST(IniText, CommentsKeysBeforeAnySectionAndAByteOrderMarkAreNotKeys)
{
    const std::string text = "\xEF\xBB\xBF[Media]\n"
                             ";MediaVolume=10\n"
                             "MediaVolume=20\n";
    EXPECT_EQ(FindIniValue(text, "Media", "MediaVolume"), "20");
    EXPECT_EQ(FindIniValue("Orphan=1\n[Media]\n", "Media", "Orphan"), std::nullopt);
}

TEST(IniText, ChangingAKeyTouchesOnlyItsValue)
{
    const std::string text = "; head\r\n[Interface]\r\n  RigComm =  0  \r\nVoxLevel=30\r\n";
    EXPECT_EQ(
        WithIniValue(text, "interface", "RIGCOMM", "1"), "; head\r\n[Interface]\r\n  RigComm =  1\r\nVoxLevel=30\r\n");
    // A last line without line ending keeps having none.
    EXPECT_EQ(WithIniValue("[A]\nk=1", "A", "k", "22"), "[A]\nk=22");
}

TEST(IniText, ANewKeyGoesAfterTheLastKeyOfItsSection)
{
    const std::string text = "[Interface]\r\n"
                             "RigComm=0\r\n"
                             "\r\n"
                             "; about media\r\n"
                             "[Media]\r\n"
                             "MediaVolume=50\r\n";
    EXPECT_EQ(WithIniValue(text, "Interface", "VoxLevel", "30"),
        "[Interface]\r\nRigComm=0\r\nVoxLevel=30\r\n\r\n; about media\r\n[Media]\r\nMediaVolume=50\r\n");
    EXPECT_EQ(WithIniValue("[Empty]\n\n[B]\n", "Empty", "k", "v"), "[Empty]\nk=v\n\n[B]\n");
}

TEST(IniText, ANewSectionIsAppendedWithTheFilesLineEnding)
{
    EXPECT_EQ(WithIniValue("", "Forms", "MainW", "380"), "[Forms]\r\nMainW=380\r\n");
    EXPECT_EQ(WithIniValue("[A]\nk=1\n", "Forms", "MainW", "1"), "[A]\nk=1\n[Forms]\nMainW=1\n");
    EXPECT_EQ(WithIniValue("[A]\r\nk=1", "Forms", "MainW", "1"), "[A]\r\nk=1\r\n[Forms]\r\nMainW=1\r\n");
    EXPECT_EQ(WithIniValue("[A]", "A", "k", "1"), "[A]\r\nk=1\r\n");
    // Found by fuzzing: a stray CR at the end of the file is no line ending.
    const std::string strayCr = WithIniValue("x=1\r", "Forms", "MainW", "1");
    EXPECT_EQ(strayCr, "x=1\r\r\n[Forms]\r\nMainW=1\r\n");
    EXPECT_EQ(FindIniValue(strayCr, "Forms", "MainW"), "1");
}

TEST(IniText, IntegersFollowTheProfileRules)
{
    EXPECT_EQ(ParseIniInteger("42", 7), 42);
    EXPECT_EQ(ParseIniInteger("-42", 7), -42);
    EXPECT_EQ(ParseIniInteger("+5", 7), 5);
    EXPECT_EQ(ParseIniInteger("0x1F", 7), 31);
    EXPECT_EQ(ParseIniInteger("0X1f", 7), 31);
    EXPECT_EQ(ParseIniInteger("$ff", 7), 255);
    EXPECT_EQ(ParseIniInteger("$FFFFFFFF", 7), -1);
    EXPECT_EQ(ParseIniInteger("0x80000000", 7), INT32_MIN);
    EXPECT_EQ(ParseIniInteger("2147483647", 7), INT32_MAX);
    EXPECT_EQ(ParseIniInteger("-2147483648", 7), INT32_MIN);
    // Invalid texts give the default.
    EXPECT_EQ(ParseIniInteger("0x", 7), 7); // not longer than two characters: decimal, invalid
    EXPECT_EQ(ParseIniInteger("$", 7), 7);
    EXPECT_EQ(ParseIniInteger("0xG1", 7), 7);
    EXPECT_EQ(ParseIniInteger("$100000000", 7), 7);
    EXPECT_EQ(ParseIniInteger("2147483648", 7), 7);
    EXPECT_EQ(ParseIniInteger("12abc", 7), 7);
    EXPECT_EQ(ParseIniInteger("", 7), 7);
    EXPECT_EQ(ParseIniInteger("-", 7), 7);
    EXPECT_EQ(ParseIniInteger("true", 7), 7);
    EXPECT_EQ(ParseIniInteger("1.5", 7), 7);
}

} // namespace
