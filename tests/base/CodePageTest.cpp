#include <gtest/gtest.h>

#include "base/CodePage.h"

TEST(CodePage, Windows1252RoundTrip)
{
    const std::string bytes = "caf\xE9 \x80 \x9F";
    const std::string utf8 = Cp1252ToUtf8(bytes);
    EXPECT_EQ(utf8, "caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8");
    EXPECT_EQ(Utf8ToCp1252(utf8), bytes);
}

TEST(CodePage, UndefinedCodesAndUnmappableCharacters)
{
    // 0x81 is undefined in Windows-1252 and still shows as a character.
    EXPECT_EQ(Cp1252ToUtf8(std::string("a\x81z")), "a\xC2\x81z");
    // A character Windows-1252 cannot hold becomes '?'.
    EXPECT_EQ(Utf8ToCp1252("x\xE2\x88\x9Ey"), "x?y");
    // 0x00 is kept.
    EXPECT_EQ(Cp1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}
