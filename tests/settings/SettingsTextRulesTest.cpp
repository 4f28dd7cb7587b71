#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "settings/CountryList.h"
#include "settings/SettingsTextRules.h"

namespace {

TEST(NameRule, CleansAndCapitalisesNames)
{
    EXPECT_EQ(NormalizeName("  JOHN   smith-jones", true), "John Smith-Jones");
    EXPECT_EQ(NormalizeName("my server  one", true), "My One");
    EXPECT_EQ(NormalizeName("Server", true), "");
    EXPECT_EQ(NormalizeName("", true), "");
    EXPECT_EQ(NormalizeName("abcdefghij klmnopqrstuvwxyz", true), "Abcdefghij Klmnopqrs");
    EXPECT_EQ(NormalizeName("o'ne (ri)/ba.x<y>[z]", true), "O'ne (Ri)/Ba.X<Y>[Z]");
    EXPECT_EQ(NormalizeName("a\\b-c d", true), "A\\B-C D");
    // Each word goes once: the second "link" stays.
    EXPECT_EQ(NormalizeName("link gateway link server server", true), "Link Server");
    // Bytes outside A-Z/a-z keep their case.
    EXPECT_EQ(NormalizeName("\xC4rger \xE4rger", true), "\xC4rger \xE4rger");
}

TEST(NameRule, WithoutCapitalsOnlyLowerCaseWordsAreRemoved)
{
    EXPECT_EQ(NormalizeName("JOHN  smith-jones", false), "JOHN smith-jones");
    EXPECT_EQ(NormalizeName("SERVER server", false), "SERVER");
    EXPECT_EQ(NormalizeName("   ", false), "");
}

TEST(NameRule, TheCutComesBeforeSpacesShrink)
{
    // 20 characters are kept first; shrinking the run of spaces then leaves
    // a shorter name.
    EXPECT_EQ(NormalizeName("abc          defghijklmnop", true), "Abc Defghij");
}

TEST(CallsignRule, TidiesSpacesAndCutsAfterward)
{
    EXPECT_EQ(NormalizeCallsign("  N0CALL   portable "), "N0CALL portable");
    EXPECT_EQ(NormalizeCallsign("n0call"), "n0call");
    EXPECT_EQ(NormalizeCallsign("   "), "");
    // 23 characters whose 20th is a space: the cut leaves it.
    EXPECT_EQ(NormalizeCallsign("ABCDEFGHIJKLMNOPQRS TUV"), "ABCDEFGHIJKLMNOPQRS ");
    // Only one trailing space goes before the cut.
    EXPECT_EQ(NormalizeCallsign("AB  "), "AB");
}

TEST(ComposedTexts, BandAndChannel)
{
    EXPECT_EQ(FormatBandAndChannel(0, 6, mdFM, sqCTCSS, 20), "PC Only");
    EXPECT_EQ(FormatBandAndChannel(1, 6, mdFM, sqCTCSS, 20), "Crosslink");
    EXPECT_EQ(FormatBandAndChannel(25, 6, mdFM, sqCTCSS, 20), "025 Ch06 FM CTC20");
    EXPECT_EQ(FormatBandAndChannel(25, 6, mdFM, sqDCS, 23), "025 Ch06 FM DCS023");
    EXPECT_EQ(FormatBandAndChannel(25, 6, mdFM, sqNone, 23), "025 Ch06 FM ");
    EXPECT_EQ(FormatBandAndChannel(123, 12, mdDIG, sqCTCSS, 5), "123 Ch12 DIG CID005");
    EXPECT_EQ(FormatBandAndChannel(123, 12, mdDIG, sqNone, 5), "123 Ch12 DIG CID005");
    EXPECT_EQ(FormatBandAndChannel(999, 99, mdAM, sqCTCSS, 7), "999 Ch99 AM CTC07");
}

TEST(ComposedTexts, CallsignAndUserAndCity)
{
    EXPECT_EQ(FormatCallsignAndUser("", "John"), "John");
    EXPECT_EQ(FormatCallsignAndUser("N0CALL", "John"), "N0CALL, John");
    EXPECT_EQ(FormatCityCityPart("Berlin", "Mitte"), "Berlin - Mitte");
    EXPECT_EQ(FormatCityCityPart("", ""), " - ");
}

TEST(CountryList, HoldsTheFixedNamesAndComparesWithoutCase)
{
    TCountryList list;
    ASSERT_EQ(list.Count(), 239);
    EXPECT_EQ(list.Names(0), "Afghanistan");
    EXPECT_EQ(list.Names(238), "Zimbabwe");
    EXPECT_TRUE(list.Contains("germany"));
    EXPECT_TRUE(list.Contains("CONGO, THE DEMOCRATIC REPUBLIC OF THE"));
    EXPECT_TRUE(list.Contains("Cote D'ivoire"));
    EXPECT_TRUE(list.Contains("Virgin Islands (U.S.)"));
    EXPECT_FALSE(list.Contains("Atlantis"));
    EXPECT_FALSE(list.Contains("Germany "));
    EXPECT_FALSE(list.Contains(""));
    EXPECT_THROW(list.Names(239), EListError);
}

} // namespace
