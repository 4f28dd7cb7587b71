#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "base/InstalledFolders.h"

namespace {
TCommandLineResult Read(const QStringList& arguments)
{
    return ReadCommandLine(QStringList {"parlet"} + arguments);
}
} // namespace

TEST(CommandLine, NoOptionsRunsWithTheUsualSettingsFile)
{
    const TCommandLineResult result = Read({});
    EXPECT_TRUE(result.Run);
    EXPECT_TRUE(result.Options.ConfigFile.empty());
}

TEST(CommandLine, ConfigNamesTheSettingsFile)
{
    EXPECT_EQ(Read({"--config", "/srv/ZYNClient.ini"}).Options.ConfigFile, "/srv/ZYNClient.ini");
    EXPECT_EQ(Read({"--config=other.ini"}).Options.ConfigFile, "other.ini");
    const TCommandLineResult missing = Read({"--config"});
    EXPECT_FALSE(missing.Run);
    EXPECT_EQ(missing.ExitStatus, 2);
}

TEST(CommandLine, HelpAndVersionPrintAndEndWithZero)
{
    const TCommandLineResult help = Read({"--help"});
    EXPECT_FALSE(help.Run);
    EXPECT_EQ(help.ExitStatus, 0);
    EXPECT_NE(help.Output.find("Usage: parlet [options]"), std::string::npos) << help.Output;
    EXPECT_NE(help.Output.find("--config <FILE>"), std::string::npos) << help.Output;
    EXPECT_TRUE(help.Error.empty());

    const TCommandLineResult version = Read({"--version"});
    EXPECT_FALSE(version.Run);
    EXPECT_EQ(version.ExitStatus, 0);
    EXPECT_EQ(version.Output, "parlet " + ProgramVersion() + "\n");
}

TEST(CommandLine, UnknownOptionOrStrayArgumentGivesTheUsageAndStatusTwo)
{
    for (const QStringList& wrong : {QStringList {"--bogus"}, QStringList {"extra"}, QStringList {"-x"}}) {
        const TCommandLineResult result = Read(wrong);
        EXPECT_FALSE(result.Run) << wrong.join(' ').toStdString();
        EXPECT_EQ(result.ExitStatus, 2);
        EXPECT_TRUE(result.Output.empty());
        EXPECT_NE(result.Error.find("Usage: parlet"), std::string::npos) << result.Error;
    }
}

TEST(CommandLine, ReceiverChoosesTheBitDetector)
{
    EXPECT_EQ(Read({}).Options.Receiver, TDetectorKind::Soft);
    EXPECT_EQ(Read({"--receiver", "classic"}).Options.Receiver, TDetectorKind::Classic);
    EXPECT_EQ(Read({"--receiver=soft"}).Options.Receiver, TDetectorKind::Soft);
    EXPECT_NE(Read({"--help"}).Output.find("--receiver <NAME>"), std::string::npos);

    const TCommandLineResult unknown = Read({"--receiver", "fast"});
    EXPECT_FALSE(unknown.Run);
    EXPECT_EQ(unknown.ExitStatus, 2);
    EXPECT_EQ(unknown.Error, "parlet: unknown receiver \"fast\" (use classic or soft)\n");
}
