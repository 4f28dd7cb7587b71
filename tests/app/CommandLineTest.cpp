#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "base/InstalledFolders.h"
#include "tests/support/ChildProcess.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
TCommandLineResult Read(const QStringList& arguments)
{
    return ReadCommandLine(QStringList {"parlet"} + arguments);
}
} // namespace

TEST(CommandLine, ConfigAndReceiverSetTheOptionsAndDefaultsRun)
{
    const TCommandLineResult plain = Read({});
    EXPECT_TRUE(plain.Run);
    EXPECT_TRUE(plain.Options.ConfigFile.empty());
    EXPECT_EQ(plain.Options.Receiver, TDetectorKind::Soft);
    EXPECT_EQ(Read({"--config", "/srv/ZYNClient.ini"}).Options.ConfigFile, "/srv/ZYNClient.ini");
    EXPECT_EQ(Read({"--config=other.ini"}).Options.ConfigFile, "other.ini");
    EXPECT_EQ(Read({"--receiver", "classic"}).Options.Receiver, TDetectorKind::Classic);
    EXPECT_EQ(Read({"--receiver=soft"}).Options.Receiver, TDetectorKind::Soft);
}

TEST(CommandLine, HelpAndVersionPrintAndEndWithZero)
{
    const TCommandLineResult help = Read({"--help"});
    EXPECT_FALSE(help.Run);
    EXPECT_EQ(help.ExitStatus, 0);
    for (const char* part : {"Usage: parlet [options]", "--config <FILE>", "--receiver <NAME>"})
        EXPECT_NE(help.Output.find(part), std::string::npos) << help.Output;
    EXPECT_TRUE(help.Error.empty());

    const TCommandLineResult version = Read({"--version"});
    EXPECT_FALSE(version.Run);
    EXPECT_EQ(version.ExitStatus, 0);
    EXPECT_EQ(version.Output, "parlet " + ProgramVersion() + "\n");
}

TEST(CommandLine, EveryWrongArgumentIsOneLineAndTheUsageWithStatusTwo)
{
    const std::vector<std::pair<QStringList, std::string>> cases = {
        {{"--bogus"}, "parlet: unknown option '--bogus'\n"},
        {{"-x"}, "parlet: unknown option '-x'\n"},
        {{"extra"}, "parlet: unexpected argument 'extra'\n"},
        {{"--config"}, "parlet: the option '--config' needs a value\n"},
        {{"--receiver", "fast"}, "parlet: unknown receiver 'fast' (use classic or soft)\n"},
    };
    for (const auto& [wrong, line] : cases) {
        const TCommandLineResult result = Read(wrong);
        EXPECT_FALSE(result.Run) << line;
        EXPECT_EQ(result.ExitStatus, 2) << line;
        EXPECT_TRUE(result.Output.empty()) << line;
        EXPECT_EQ(result.Error, line + Read({"--help"}).Output);
    }
}

// The help and the errors come from the program's catalogues (the German
// ones here), not in Qt's English.
TEST(CommandLine, HelpAndErrorsAreInTheUsersLanguage)
{
    EXPECT_EQ(ExitCodeInChild([] {
        setenv("LANG", "de_DE.UTF-8", 1);
        setenv("LANGUAGE", "de_DE", 1);
        const TCommandLineResult help = Read({"--help"});
        const TCommandLineResult wrong = Read({"--bogus"});
        std::fprintf(stderr, "%s%s", help.Output.c_str(), wrong.Error.c_str());
        return help.Output.rfind("Aufruf: parlet [Optionen]\n", 0) == 0
            && help.Output.find("Zeigt diese Hilfe.") != std::string::npos
            && wrong.Error.rfind("parlet: unbekannte Option '--bogus'\n", 0) == 0;
    }),
        0);
}
