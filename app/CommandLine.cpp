#include "CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include "base/InstalledFolders.h"
#include "modem/ReceiverOption.h"

namespace {

constexpr int UsageStatus = 2;

QString Usage(const QCommandLineParser& parser)
{
    // helpText() names the program after the application object's file (or a
    // placeholder before it exists); the usage names the program.
    return parser.helpText().replace(
        QRegularExpression(QStringLiteral("^Usage: \\S+")), QStringLiteral("Usage: parlet"));
}

} // namespace

TCommandLineResult ReadCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends and receives short text messages over a two-way FM radio as FFSK audio."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help."));
    const QCommandLineOption version(
        {QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Shows the program's version."));
    const QCommandLineOption config(QStringLiteral("config"),
        QStringLiteral("Uses FILE as the settings file instead of the usual ZYNClient.ini."), QStringLiteral("FILE"));
    parser.addOption(help);
    parser.addOption(version);
    const QCommandLineOption receiver(
        QStringLiteral("receiver"), QString::fromLatin1(ReceiverOptionHelp), QStringLiteral("NAME"));
    parser.addOption(config);
    parser.addOption(receiver);
    const QCommandLineOption headless(QStringLiteral("headless"),
        QStringLiteral("Runs without a window: messages as JSON lines on stdout, texts to send on stdin."));
    const QCommandLineOption send(QStringLiteral("send"),
        QStringLiteral("Hands TEXT to the Parlet running on the settings file, over D-Bus."), QStringLiteral("TEXT"));
    parser.addOption(headless);
    parser.addOption(send);

    TCommandLineResult result;
    if (!parser.parse(arguments)) {
        result.Run = false;
        result.ExitStatus = UsageStatus;
        result.Error = "parlet: " + parser.errorText().toStdString() + "\n" + Usage(parser).toStdString();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.Run = false;
        result.ExitStatus = UsageStatus;
        result.Error = "parlet: unexpected argument '" + parser.positionalArguments().first().toStdString() + "'\n"
            + Usage(parser).toStdString();
        return result;
    }
    if (parser.isSet(help)) {
        result.Run = false;
        result.Output = Usage(parser).toStdString();
        return result;
    }
    if (parser.isSet(version)) {
        result.Run = false;
        result.Output = "parlet " + ProgramVersion() + "\n";
        return result;
    }
    result.Options.ConfigFile = parser.value(config).toStdString();
    result.Options.Headless = parser.isSet(headless);
    result.Options.Send = parser.isSet(send);
    result.Options.SendText = parser.value(send).toStdString();
    if (parser.isSet(receiver)) {
        try {
            result.Options.Receiver = ReceiverNamed(parser.value(receiver).toStdString());
        } catch (const EReceiverOption& e) {
            result.Run = false;
            result.ExitStatus = UsageStatus;
            result.Error = std::string("parlet: ") + e.what() + "\n";
        }
    }
    return result;
}
