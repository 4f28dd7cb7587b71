#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "base/InstalledFolders.h"

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

TEST(CommandLine, WrongArgumentsEndWithStatusTwo)
{
    for (const QStringList& wrong : {QStringList {"--bogus"}, QStringList {"extra"}, QStringList {"-x"},
             QStringList {"--config"}, QStringList {"--receiver", "fast"}}) {
        const TCommandLineResult result = Read(wrong);
        EXPECT_FALSE(result.Run) << wrong.join(' ').toStdString();
        EXPECT_EQ(result.ExitStatus, 2) << wrong.join(' ').toStdString();
    }
    for (const QStringList& wrong : {QStringList {"--bogus"}, QStringList {"extra"}, QStringList {"-x"}}) {
        const TCommandLineResult result = Read(wrong);
        EXPECT_TRUE(result.Output.empty());
        EXPECT_NE(result.Error.find("Usage: parlet"), std::string::npos) << result.Error;
    }
    EXPECT_EQ(Read({"--receiver", "fast"}).Error, "parlet: unknown receiver \"fast\" (use classic or soft)\n");
}
