#include "CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include "base/InstalledFolders.h"
#include "base/Translation.h"
#include "modem/ReceiverOption.h"

namespace {

constexpr int UsageStatus = 2;

std::string OptionLine(const std::string& names, const std::string& description)
{
    constexpr std::size_t Column = 22;
    std::string line = "  " + names;
    line += line.size() < Column ? std::string(Column - line.size(), ' ') : std::string("  ");
    return line + description + "\n";
}

// Written here rather than taken from Qt, so that every line is in the
// program's own catalogues.
std::string Usage()
{
    return Translated("Usage: parlet [options]") + "\n"
        + Translated("Sends and receives short text messages over a two-way FM radio as FFSK audio.") + "\n\n"
        + Translated("Options:") + "\n" + OptionLine("-h, --help", Translated("Shows this help."))
        + OptionLine("-v, --version", Translated("Shows the program's version."))
        + OptionLine(
            "--config <FILE>", Translated("Uses FILE as the settings file instead of the usual ZYNClient.ini."))
        + OptionLine("--receiver <NAME>",
            Translated("Takes the bits from the input with NAME: soft (the default) or classic (the zero-crossing "
                       "counter)."))
        + OptionLine("--headless",
            Translated("Runs without a window: messages as JSON lines on stdout, texts to send on stdin."))
        + OptionLine("--send <TEXT>", Translated("Hands TEXT to the Parlet running on the settings file, over D-Bus."));
}

// Every wrong command line the same way: one line naming the fault, then the
// usage, on stderr, status 2.
TCommandLineResult Wrong(const std::string& fault)
{
    TCommandLineResult result;
    result.Run = false;
    result.ExitStatus = UsageStatus;
    result.Error = "parlet: " + fault + "\n" + Usage();
    return result;
}

// Qt names the option whose value is missing in quotes; its own words stay
// out of the message.
std::string QuotedIn(const QString& text)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("'([^']*)'")).match(text);
    return match.hasMatch() ? match.captured(1).toStdString() : text.toStdString();
}

} // namespace

TCommandLineResult ReadCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList {QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption config(QStringLiteral("config"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption receiver(QStringLiteral("receiver"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption send(QStringLiteral("send"), QString(), QStringLiteral("TEXT"));
    parser.addOptions({help, version, config, receiver, headless, send});

    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().first();
            return Wrong(Translated("unknown option '%1'", {(name.size() == 1 ? "-" : "--") + name.toStdString()}));
        }
        return Wrong(Translated("the option '%1' needs a value", {QuotedIn(parser.errorText())}));
    }
    if (!parser.positionalArguments().isEmpty())
        return Wrong(Translated("unexpected argument '%1'", {parser.positionalArguments().first().toStdString()}));

    TCommandLineResult result;
    if (parser.isSet(help)) {
        result.Run = false;
        result.Output = Usage();
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
        const std::string name = parser.value(receiver).toStdString();
        try {
            result.Options.Receiver = ReceiverNamed(name);
        } catch (const EReceiverOption&) {
            return Wrong(Translated("unknown receiver '%1' (use classic or soft)", {name}));
        }
    }
    return result;
}
