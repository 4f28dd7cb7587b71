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

// A German catalogue for the "cport" domain under root; false when msgfmt
// fails.
bool MakeGermanCatalogue(const fs::path& root)
{
    const fs::path dir = root / "de" / "LC_MESSAGES";
    fs::create_directories(dir);
    const fs::path po = root / "cport.po";
    std::ofstream(po) << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                      << "msgid \"Unable to open com port\"\nmsgstr \"Kann COM-Port nicht \xC3\xB6"
                         "ffnen\"\n";
    const std::string cmd = "msgfmt -o '" + (dir / "cport.mo").string() + "' '" + po.string() + "'";
    return std::system(cmd.c_str()) == 0;
}

} // namespace

TEST(Translation, CatalogueTranslatesWithoutAnInstalledLocale)
{
    const TTempFolder folder;
    const fs::path& root = folder.Path();
    ASSERT_TRUE(MakeGermanCatalogue(root)) << "msgfmt failed";
    const int rc = ExitCodeInChild([&] {
        setenv("LANG", "de_DE.UTF-8", 1);
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        SetLocaleRoot(root.string());
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
