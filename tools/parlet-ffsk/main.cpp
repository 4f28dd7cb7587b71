// parlet-ffsk: FFSK frames to and from WAV files, with the program's own
// modulator and receiver.
//   parlet-ffsk encode TEXT OUT.wav
//   parlet-ffsk decode [--receiver classic|soft] IN.wav
//   parlet-ffsk --help | --version
// Exit status 0 on success (decoding nothing included), 2 on any error, with
// one line on stderr naming the file and the reason.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "FileModem.h"
#include "base/InstalledFolders.h"
#include "modem/ReceiverOption.h"

namespace {

constexpr int ExitError = 2;

int Fail(const std::string& message)
{
    std::fprintf(stderr, "parlet-ffsk: %s\n", message.c_str());
    return ExitError;
}

int Written()
{
    return std::fflush(stdout) == 0 ? 0 : Fail("standard output: write error");
}

int Help()
{
    std::printf("usage: parlet-ffsk encode TEXT OUT.wav\n"
                "       parlet-ffsk decode [--receiver classic|soft] IN.wav\n"
                "       parlet-ffsk --help | --version\n"
                "\n"
                "encode  writes the FFSK frame for TEXT to OUT.wav (8-bit mono, 48000 samples/s)\n"
                "decode  prints every message heard in IN.wav, one a line: SMS or LOC, a tab, the text;\n"
                "        --receiver chooses the bit detector (default soft)\n"
                "\n"
                "Exit status 0 on success, 2 on wrong use or an unreadable file.\n");
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
        if (args.size() == 3 && args[0] == "encode" && !kind) {
            EncodeToFile(args[1], args[2]);
            return 0;
        }
        if (args.size() == 2 && args[0] == "decode") {
            const std::vector<std::string> lines = DecodeFile(args[1], kind.value_or(TDetectorKind::Soft));
            for (const std::string& line : lines) std::printf("%s\n", line.c_str());
            return Written();
        }
        return Fail("usage: parlet-ffsk encode TEXT OUT.wav | parlet-ffsk decode [--receiver classic|soft] IN.wav");
    } catch (const EFileModemError& e) {
        return Fail(e.File() + ": " + e.Message());
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
