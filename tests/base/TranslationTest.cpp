#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Translation.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// A German catalogue of the domain under root, with the entries given as
// .po text; false when msgfmt fails.
bool MakeCatalogue(const fs::path& root, const std::string& domain, const std::string& entries)
{
    const fs::path dir = root / "de" / "LC_MESSAGES";
    fs::create_directories(dir);
    const fs::path po = root / (domain + ".po");
    std::ofstream(po) << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" << entries;
    const std::string cmd = "msgfmt -o '" + (dir / (domain + ".mo")).string() + "' '" + po.string() + "'";
    return std::system(cmd.c_str()) == 0;
}

bool MakeGermanCatalogue(const fs::path& root)
{
    return MakeCatalogue(root, "cport",
        "msgid \"Unable to open com port\"\nmsgstr \"Kann COM-Port nicht \xC3\xB6"
        "ffnen\"\n");
}

void UseGerman(const fs::path& root)
{
    setenv("LANG", "de_DE.UTF-8", 1);
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    SetLocaleRoot(root.string());
}

} // namespace

TEST(Translation, CatalogueTranslatesWithoutAnInstalledLocale)
{
    const TTempFolder folder;
    const fs::path& root = folder.Path();
    ASSERT_TRUE(MakeGermanCatalogue(root)) << "msgfmt failed";
    const int rc = ExitCodeInChild([&] {
        UseGerman(root);
        return Translate("cport", "Unable to open com port")
            == "Kann COM-Port nicht \xC3\xB6"
               "ffnen";
    });
    EXPECT_EQ(rc, 0);
}

TEST(Translation, WithoutCatalogueTheMessageStaysEnglish)
{
    const TTempFolder folder;
    const fs::path& empty = folder.Path();
    const int rc = ExitCodeInChild([&] {
        setenv("LANG", "de_DE.UTF-8", 1);
        unsetenv("LANGUAGE");
        SetLocaleRoot(empty.string());
        return Translate("cport", "Unable to open com port") == "Unable to open com port";
    });
    EXPECT_EQ(rc, 0);
}

TEST(Translation, PlaceholdersAreFilledOnceAndInTheCataloguesOrder)
{
    const TTempFolder folder;
    ASSERT_TRUE(MakeCatalogue(folder.Path(), "default",
        "msgid \"Copy %1 to %2\"\nmsgstr \"Nach %2 kopieren: %1\"\n"
        "msgid \"Broken %1\"\nmsgstr \"Kaputt %s %d %9 %\"\n"));
    const int rc = ExitCodeInChild([&] {
        UseGerman(folder.Path());
        bool ok = true;
        // The translation puts the values the other way round.
        ok &= Translated("Copy %1 to %2", {"a", "b"}) == "Nach b kopieren: a";
        // A value that holds a placeholder is not filled again.
        ok &= Translated("Copy %1 to %2", {"%2", "%1"}) == "Nach %1 kopieren: %2";
        // A catalogue with printf codes or a number past the values is text.
        ok &= Translated("Broken %1", {"x"}) == "Kaputt %s %d %9 %";
        // Without an entry the English text is filled.
        ok &= Translated("Open %1 (%2)", {"com1", "busy"}) == "Open com1 (busy)";
        ok &= Translated("Only %1 and %2", {"one"}) == "Only one and %2";
        return ok;
    });
    EXPECT_EQ(rc, 0);
}
