#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "base/Translation.h"
#include "tests/support/ChildProcess.h"

namespace fs = std::filesystem;

namespace {

fs::path MakeGermanCatalogue()
{
    const fs::path root = fs::temp_directory_path() / ("parlet-locale-" + std::to_string(getpid()));
    const fs::path dir = root / "de" / "LC_MESSAGES";
    fs::create_directories(dir);
    const fs::path po = root / "cport.po";
    std::ofstream(po) << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                      << "msgid \"Unable to open com port\"\nmsgstr \"Kann COM-Port nicht \xC3\xB6" "ffnen\"\n";
    const std::string cmd = "msgfmt -o '" + (dir / "cport.mo").string() + "' '" + po.string() + "'";
    if (std::system(cmd.c_str()) != 0) return {};
    return root;
}

} // namespace

TEST(Translation, CatalogueTranslatesWithoutAnInstalledLocale)
{
    const fs::path root = MakeGermanCatalogue();
    ASSERT_FALSE(root.empty()) << "msgfmt failed";
    const int rc = ExitCodeInChild([&] {
        setenv("LANG", "de_DE.UTF-8", 1);
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        SetLocaleRoot(root.string());
        return Translate("cport", "Unable to open com port") == "Kann COM-Port nicht \xC3\xB6" "ffnen";
    });
    EXPECT_EQ(rc, 0);
    fs::remove_all(root);
}

TEST(Translation, WithoutCatalogueTheMessageStaysEnglish)
{
    const fs::path empty = fs::temp_directory_path() / ("parlet-nolocale-" + std::to_string(getpid()));
    fs::create_directories(empty);
    const int rc = ExitCodeInChild([&] {
        setenv("LANG", "de_DE.UTF-8", 1);
        unsetenv("LANGUAGE");
        SetLocaleRoot(empty.string());
        return Translate("cport", "Unable to open com port") == "Unable to open com port";
    });
    EXPECT_EQ(rc, 0);
    fs::remove_all(empty);
}
