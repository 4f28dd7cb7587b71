#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ModemTestKit.h"
#include "audio/WavFile.h"
#include "base/InstalledFolders.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"
#include "tools/parlet-ffsk/MessageLine.h"

using namespace modemtest;

namespace {

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

class ParletFfskTool : public ::testing::Test {
protected:
    // Runs the tool with these arguments (bytes passed as they are).
    TRun Run(const std::vector<std::string>& args) const
    {
        const std::string out = Folder.File("stdout"), err = Folder.File("stderr");
        const int status = WaitStatusInChild([&] {
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(o, 1);
            dup2(e, 2);
            std::vector<char*> argv {const_cast<char*>(PARLET_FFSK_PATH)};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(PARLET_FFSK_PATH, argv.data());
            return 127;
        });
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
    }

    // Expects the error contract: status 2, nothing on stdout, one line on
    // stderr holding every one of `words`.
    void ExpectError(const TRun& run, const std::vector<std::string>& words) const
    {
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Out, "");
        ASSERT_FALSE(run.Err.empty());
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
        for (const auto& w : words) EXPECT_NE(run.Err.find(w), std::string::npos) << w << " in " << run.Err;
    }

    void WriteWav(const std::string& name, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
        std::vector<std::uint8_t> data) const
    {
        TWavData wav;
        wav.Channels = channels;
        wav.SampleRate = rate;
        wav.BitsPerSample = bits;
        wav.Data = std::move(data);
        WriteWavFile(Folder.File(name), wav);
    }

    TTempFolder Folder;
};

} // namespace

TEST_F(ParletFfskTool, EncodeWritesExactlyTheFrameAsAn8BitMonoWavFile)
{
    const std::string text = "SMS>Anna>>\x80\xE9 high bytes";
    const TRun run = Run({"encode", "--raw", text, Folder.File("out.wav")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    const std::string file = ReadBytes(Folder.File("out.wav"));
    const auto frame = RenderFrame(text);
    ASSERT_EQ(file.size(), 44 + frame.size());
    const TWavData wav = ReadWavFile(Folder.File("out.wav"));
    EXPECT_EQ(wav.Channels, 1);
    EXPECT_EQ(wav.SampleRate, 48000u);
    EXPECT_EQ(wav.BitsPerSample, 8);
    EXPECT_EQ(wav.Data, frame);
}

TEST_F(ParletFfskTool, DecodePrintsEachMessageWithUnprintableBytesEscaped)
{
    ASSERT_EQ(Run({"encode", "--raw", "SMS>a\\b\tc~\x7F\xFF", Folder.File("sms.wav")}).Status, 0);
    TRun run = Run({"decode", Folder.File("sms.wav")});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "SMS\ta\\x5cb\\x09c~\\x7f\\xff\\x00\\x00\\x00\\x00\n");
    EXPECT_EQ(run.Err, "");

    ASSERT_EQ(Run({"encode", "--loc", "12345678", Folder.File("loc.wav")}).Status, 0);
    run = Run({"decode", Folder.File("loc.wav")});
    EXPECT_EQ(run.Out, "LOC\t12345678\\x00\\x00\\x00\\x00\n");
}

TEST_F(ParletFfskTool, DecodeReads16BitFilesAndFindsEveryMessage)
{
    // Two frames with silence around them, as 16-bit samples.
    std::vector<std::uint8_t> samples(3000 * 2, 0);
    for (const char* text : {"SMS>first", "SMS>second one"}) {
        const auto capture = ToCapture(RenderFrame(text), 3.0);
        samples.insert(samples.end(), capture.begin(), capture.end());
        samples.insert(samples.end(), 30000 * 2, 0);
    }
    WriteWav("two.wav", 1, 48000, 16, samples);
    const TRun run = Run({"decode", Folder.File("two.wav")});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "SMS\tfirst\\x00\\x00\\x00\\x00\\x00\\x00\\x00\nSMS\tsecond one\\x00\\x00\n");
}

TEST_F(ParletFfskTool, DecodingNothingIsNotAnError)
{
    WriteWav("silence.wav", 1, 48000, 16, std::vector<std::uint8_t>(48000 * 2, 0));
    WriteWav("empty.wav", 1, 48000, 8, {});
    for (const char* name : {"silence.wav", "empty.wav"}) {
        const TRun run = Run({"decode", Folder.File(name)});
        EXPECT_EQ(run.Status, 0) << name << run.Err;
        EXPECT_EQ(run.Out, "") << name;
        EXPECT_EQ(run.Err, "") << name;
    }
}

TEST_F(ParletFfskTool, WrongUseIsOneLineOnStderrAndStatus2)
{
    ExpectError(Run({}), {"usage"});
    ExpectError(Run({"play", "x.wav"}), {"usage"});
    ExpectError(Run({"decode"}), {"usage"});
    ExpectError(Run({"decode", "a.wav", "b.wav"}), {"usage"});
    ExpectError(Run({"encode", "text"}), {"usage"});
    ExpectError(Run({"encode", "--raw", "--loc", "text", "x.wav"}), {"usage"});
    ExpectError(Run({"encode", "text", "x.wav", "--name"}), {"--name"});
    ExpectError(Run({"encode", "--receiver", "soft", "text", "x.wav"}), {"usage"});
}

TEST_F(ParletFfskTool, HelpAndVersionGoToStdoutWithStatus0)
{
    for (const std::string option : {"--help", "-h"}) {
        const TRun help = Run({option});
        EXPECT_EQ(help.Status, 0) << option;
        EXPECT_EQ(help.Err, "");
        EXPECT_EQ(help.Out.rfind("usage: parlet-ffsk encode [--name NAME | --loc | --raw] TEXT OUT.wav\n", 0), 0u)
            << help.Out;
        EXPECT_NE(help.Out.find("parlet-ffsk decode [--receiver classic|soft] [--json] IN.wav"), std::string::npos)
            << help.Out;
    }
    const TRun version = Run({"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Err, "");
    EXPECT_EQ(version.Out, "parlet-ffsk " + ProgramVersion() + "\n");

    // An option among other arguments, or one the tool lacks, is wrong use.
    ExpectError(Run({"--help", "extra"}), {"usage"});
    ExpectError(Run({"--verbose"}), {"usage"});
    ExpectError(Run({"--help", "--receiver", "soft"}), {"usage"});
}

TEST_F(ParletFfskTool, UnreadableOrUnsupportedFilesNameTheFileAndTheReason)
{
    ExpectError(Run({"decode", Folder.File("missing.wav")}), {Folder.File("missing.wav"), "No such file"});
    ExpectError(Run({"decode", Folder.Path().string()}), {Folder.Path().string(), "directory"});

    std::ofstream(Folder.File("text.wav")) << "this is not a sound file at all";
    ExpectError(Run({"decode", Folder.File("text.wav")}), {Folder.File("text.wav"), "not a RIFF WAVE"});

    WriteWav("stereo.wav", 2, 48000, 16, std::vector<std::uint8_t>(400, 0));
    ExpectError(Run({"decode", Folder.File("stereo.wav")}), {Folder.File("stereo.wav"), "2 channel"});
    WriteWav("cd.wav", 1, 44100, 16, std::vector<std::uint8_t>(400, 0));
    ExpectError(Run({"decode", Folder.File("cd.wav")}), {Folder.File("cd.wav"), "44100 Hz"});
    WriteWav("deep.wav", 1, 48000, 24, std::vector<std::uint8_t>(300, 0));
    ExpectError(Run({"decode", Folder.File("deep.wav")}), {Folder.File("deep.wav"), "24-bit"});

    // IEEE float (format tag 3) is not PCM.
    std::string header = ReadBytes(Folder.File("cd.wav"));
    header[20] = 3;
    std::ofstream(Folder.File("float.wav"), std::ios::binary) << header;
    ExpectError(Run({"decode", Folder.File("float.wav")}), {Folder.File("float.wav"), "not PCM"});

    ExpectError(Run({"encode", "x", Folder.File("no/such/folder/out.wav")}), {Folder.File("no/such/folder/out.wav")});
    EXPECT_FALSE(std::filesystem::exists(Folder.File("no")));
}

TEST_F(ParletFfskTool, DecodeTakesTheReceiverBeforeOrAfterTheFile)
{
    ASSERT_EQ(Run({"encode", "--raw", "SMS>both ways", Folder.File("f.wav")}).Status, 0);
    const std::string expected = "SMS\tboth ways\\x00\\x00\\x00\n";
    for (const std::vector<std::string>& args : {std::vector<std::string> {"decode", "--receiver", "classic", ""},
             {"decode", "", "--receiver", "soft"}, {"decode", "--receiver=classic", ""}}) {
        std::vector<std::string> withFile = args;
        for (auto& a : withFile)
            if (a.empty()) a = Folder.File("f.wav");
        const TRun run = Run(withFile);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, expected) << withFile[1];
    }
    ExpectError(Run({"decode", "--receiver", "fast", Folder.File("f.wav")}), {"fast", "classic or soft"});
    ExpectError(Run({"decode", Folder.File("f.wav"), "--receiver"}), {"--receiver"});
}

TEST_F(ParletFfskTool, EncodeSendsAPlainTextAsATextMessage)
{
    // No option: a text message with no sender; --name gives one.
    for (const auto& [args, line] : std::vector<std::pair<std::vector<std::string>, std::string>> {
             {{"Hello"}, "SMS\t>>Hello\\x00\\x00\\x00\\x00\\x00\n"},
             {{"--name", "Anna", "Hi"}, "SMS\tAnna>>Hi\\x00\\x00\\x00\\x00\n"}}) {
        std::vector<std::string> encode {"encode"};
        encode.insert(encode.end(), args.begin(), args.end());
        encode.push_back(Folder.File("plain.wav"));
        ASSERT_EQ(Run(encode).Status, 0) << args.back();
        EXPECT_EQ(Run({"decode", Folder.File("plain.wav")}).Out, line) << args.back();
    }
}

TEST_F(ParletFfskTool, DecodeJsonGivesOneObjectPerMessage)
{
    // Two frames, the second 1.5 s in, as 16-bit samples; the fill goes,
    // Windows-1252 becomes UTF-8, quotes and control bytes are escaped.
    std::vector<std::uint8_t> samples;
    for (const char* text : {"SMS>Anna>>\"caf\xE9\"\t", "LOC>12345678"}) {
        const auto capture = ToCapture(RenderFrame(text), 3.0);
        samples.insert(samples.end(), capture.begin(), capture.end());
        samples.resize(std::size_t {72000} * 2 * (samples.size() / 144000 + 1), 0);
    }
    WriteWav("two.wav", 1, 48000, 16, samples);
    const TRun run = Run({"decode", "--json", Folder.File("two.wav")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string first = run.Out.substr(0, run.Out.find('\n'));
    const std::string second = run.Out.substr(first.size() + 1);
    // The first sync word is 1280 samples into each frame.
    EXPECT_EQ(
        first.rfind("{\"type\":\"SMS\",\"text\":\"Anna>>\\\"caf\xC3\xA9\\\"\\u0009\",\"doubt\":[],\"start\":0.026", 0),
        0u)
        << first;
    EXPECT_EQ(second.rfind("{\"type\":\"LOC\",\"text\":\"12345678\",\"doubt\":[],\"start\":1.526", 0), 0u) << second;
    EXPECT_NE(first.find(",\"snr_db\":"), std::string::npos) << first;
    EXPECT_EQ(std::count(run.Out.begin(), run.Out.end(), '\n'), 2);
}

TEST(MessageJson, DoubtAndPlaceholdersIndexTheTextAfterTheFill)
{
    const auto Replacements = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += "\xEF\xBF\xBD";
        return s;
    };
    // A lost block (placeholders, U+FFFD), a doubtful byte, the fill cut
    // off, and no SNR measured.
    TDecodedMessage message;
    message.Body = std::string("Bo>>ab") + std::string(8, '\0') + "c\xE9" + std::string(4, '\0');
    message.Certainty.assign(message.Body.size(), TCharCertainty::Sure);
    for (std::size_t i = 6; i < 14; ++i) message.Certainty[i] = TCharCertainty::NotHeard;
    message.Certainty[15] = TCharCertainty::Doubtful;
    message.StartSample = 72000;
    EXPECT_EQ(MessageJson(message),
        "{\"type\":\"SMS\",\"text\":\"Bo>>ab" + Replacements(8)
            + "c\xC3\xA9\","
              "\"doubt\":[6,7,8,9,10,11,12,13,15],\"start\":1.5000,\"snr_db\":null}");
}

// A recording of an FM link (flat send, de-emphasised receive) beside the
// texts it carries: the default receiver hears every one of them, and sure
// of every character.
TEST_F(ParletFfskTool, RecordedFmLinkIsHeardWholeAndSure)
{
    const std::string recording = std::string(PARLET_MODEM_TEST_DATA) + "/fm-flat-in-deemphasised-out";
    const TRun plain = Run({"decode", recording + ".wav"});
    EXPECT_EQ(plain.Status, 0);
    EXPECT_EQ(plain.Out, ReadBytes(recording + ".txt"));
    const TRun json = Run({"decode", "--json", recording + ".wav"});
    std::istringstream lines(json.Out);
    int sure = 0;
    for (std::string line; std::getline(lines, line);) sure += line.find("\"doubt\":[]") != std::string::npos;
    EXPECT_EQ(sure, 10) << json.Out;
}
