#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/IniFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace {

// The message of a settings write that fails, in a child process running
// under the language `lang`; its message must begin with `prefix`.
bool WriteFailsWithMessage(const char* lang, const std::string& file, const std::string& prefix)
{
    const int rc = ExitCodeInChild([&] {
        setenv("LANG", lang, 1);
        // An earlier test may have set up the translations in this process
        // already; gettext reads LANGUAGE at every lookup.
        const std::string language(lang);
        if (language == "C")
            unsetenv("LANGUAGE");
        else
            setenv("LANGUAGE", language.substr(0, language.find('.')).c_str(), 1);
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        try {
            TIniFile(file).WriteString("Radio", "Band", "1");
        } catch (const EIniFileException& e) {
            if (e.Message().rfind(prefix, 0) == 0) return true;
            std::fprintf(stderr, "message: %s\n", e.what());
        }
        return false;
    });
    return rc == 0;
}

} // namespace

// The catalogues built beside the test program are the program's own: an
// error that reaches the operator's message box reads in German.
TEST(GermanMessages, AFailedSettingsWriteIsReportedInGerman)
{
    const TTempFolder folder;
    const std::string file = folder.File("missing-folder/ZYNClient.ini");
    EXPECT_TRUE(WriteFailsWithMessage("de_DE.UTF-8", file, "In " + file + " kann nicht geschrieben werden ("));
}

TEST(GermanMessages, WithoutALanguageTheMessageStaysEnglish)
{
    const TTempFolder folder;
    const std::string file = folder.File("missing-folder/ZYNClient.ini");
    EXPECT_TRUE(WriteFailsWithMessage("C", file, "Unable to write to " + file + " ("));
}
