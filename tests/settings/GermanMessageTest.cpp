#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/IniFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

// The catalogues built beside the test program are the program's own: an
// error that reaches the operator's message box reads in German.
TEST(GermanMessages, AFailedSettingsWriteIsReportedInGerman)
{
    const TTempFolder folder;
    const std::string file = folder.File("missing-folder/ZYNClient.ini");
    const int rc = ExitCodeInChild([&] {
        setenv("LANG", "de_DE.UTF-8", 1);
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        try {
            TIniFile(file).WriteString("Radio", "Band", "1");
        } catch (const EIniFileException& e) {
            const std::string expected = "In " + file + " kann nicht geschrieben werden (";
            if (e.Message().rfind(expected, 0) == 0) return true;
            std::fprintf(stderr, "message: %s\n", e.what());
        }
        return false;
    });
    EXPECT_EQ(rc, 0);
}

TEST(GermanMessages, WithoutALanguageTheMessageStaysEnglish)
{
    const TTempFolder folder;
    const std::string file = folder.File("missing-folder/ZYNClient.ini");
    const int rc = ExitCodeInChild([&] {
        setenv("LANG", "C", 1);
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        try {
            TIniFile(file).WriteString("Radio", "Band", "1");
        } catch (const EIniFileException& e) {
            return e.Message().rfind("Unable to write to " + file + " (", 0) == 0;
        }
        return false;
    });
    EXPECT_EQ(rc, 0);
}
