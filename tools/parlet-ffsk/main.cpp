// parlet-ffsk: FFSK frames to and from WAV files, with the program's own
// frame renderer and decoder.
//   parlet-ffsk encode [--name NAME | --loc | --raw] TEXT OUT.wav
//   parlet-ffsk decode [--receiver classic|soft] [--json] IN.wav
//   parlet-ffsk --help | --version
// Exit status 0 on success (decoding nothing included), 2 on any error, with
// one line on stderr naming the file and the reason.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "FileModem.h"
#include "MessageLine.h"
#include "base/InstalledFolders.h"
#include "modem/FrameFormat.h"
#include "modem/ReceiverOption.h"

namespace {

constexpr int ExitError = 2;
constexpr const char* Usage = "usage: parlet-ffsk encode [--name NAME | --loc | --raw] TEXT OUT.wav\n"
                              "       parlet-ffsk decode [--receiver classic|soft] [--json] IN.wav\n"
                              "       parlet-ffsk --help | --version\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "parlet-ffsk: %s\n", message.c_str());
    return ExitError;
}

int WrongUse()
{
    return Fail("usage: parlet-ffsk encode [--name NAME | --loc | --raw] TEXT OUT.wav | parlet-ffsk decode "
                "[--receiver classic|soft] [--json] IN.wav");
}

int Written()
{
    return std::fflush(stdout) == 0 ? 0 : Fail("standard output: write error");
}

int Help()
{
    std::printf("%s\n"
                "encode  writes the FFSK frame for TEXT to OUT.wav (8-bit mono, 48000 samples/s); TEXT goes as\n"
                "        a text message from NAME (no name without --name); --loc sends it as a LOC message,\n"
                "        --raw as it is, for a TEXT that carries its own SMS> or LOC> prefix\n"
                "decode  prints every message heard in IN.wav, one a line: SMS or LOC, a tab, the text;\n"
                "        --receiver chooses the bit detector (default soft); --json prints one JSON object a\n"
                "        line instead: type, text, doubt, start, snr_db\n"
                "\n"
                "Exit status 0 on success, 2 on wrong use or an unreadable file.\n",
        Usage);
    return Written();
}

// Takes a flag out of args; true when it was there.
bool TakeFlag(std::vector<std::string>& args, const std::string& flag)
{
    const auto found = std::find(args.begin(), args.end(), flag);
    if (found == args.end()) return false;
    args.erase(found);
    return true;
}

// Takes "--name NAME" out of args; nothing when absent, throws on a missing value.
std::optional<std::string> TakeName(std::vector<std::string>& args)
{
    const auto found = std::find(args.begin(), args.end(), "--name");
    if (found == args.end()) return std::nullopt;
    if (found + 1 == args.end()) throw std::invalid_argument("--name needs a name");
    std::string name = *(found + 1);
    args.erase(found, found + 2);
    return name;
}

int Encode(std::vector<std::string> args)
{
    const std::optional<std::string> name = TakeName(args);
    const bool loc = TakeFlag(args, "--loc");
    const bool raw = TakeFlag(args, "--raw");
    if (args.size() != 2 || (loc + raw + name.has_value()) > 1) return WrongUse();
    const std::string& text = args[0];
    const std::string onAir = raw ? text
        : loc                     ? std::string(FFSKFrame::LocPrefix) + text
                                  : FFSKFrame::SmsText(name.value_or(""), text);
    EncodeToFile(onAir, args[1]);
    return 0;
}

int Decode(std::vector<std::string> args, TDetectorKind kind)
{
    const bool json = TakeFlag(args, "--json");
    if (args.size() != 1) return WrongUse();
    for (const TDecodedMessage& message : DecodeFile(args[0], kind)) {
        const std::string line = json ? MessageJson(message) : MessageLine(message);
        std::printf("%s\n", line.c_str());
    }
    return Written();
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<TDetectorKind> kind;
    try {
        kind = TakeReceiverOption(args);
    } catch (const EReceiverOption& e) {
        return Fail(e.what());
    }
    try {
        if (args.size() == 1 && !kind && (args[0] == "--help" || args[0] == "-h")) return Help();
        if (args.size() == 1 && !kind && args[0] == "--version") {
            std::printf("parlet-ffsk %s\n", ProgramVersion().c_str());
            return Written();
        }
        if (!args.empty() && args[0] == "encode" && !kind) return Encode({args.begin() + 1, args.end()});
        if (!args.empty() && args[0] == "decode")
            return Decode({args.begin() + 1, args.end()}, kind.value_or(TDetectorKind::Soft));
        return WrongUse();
    } catch (const EFileModemError& e) {
        return Fail(e.File() + ": " + e.Message());
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
