#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ModemTestKit.h"
#include "audio/WavFile.h"

using namespace modemtest;

namespace {

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ParletFfskTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/parlet-ffsk-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        Dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }

    std::string Path(const std::string& name) const { return (Dir / name).string(); }

    // Runs the tool with these arguments (bytes passed as they are).
    TRun Run(const std::vector<std::string>& args) const
    {
        const std::string out = Path("stdout"), err = Path("stderr");
        const pid_t pid = fork();
        if (pid == 0) {
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(o, 1);
            dup2(e, 2);
            std::vector<char*> argv{const_cast<char*>(PARLET_FFSK_PATH)};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(PARLET_FFSK_PATH, argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
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
        WriteWavFile(Path(name), wav);
    }

    std::filesystem::path Dir;
};

} // namespace

TEST_F(ParletFfskTool, EncodeWritesExactlyTheFrameAsAn8BitMonoWavFile)
{
    const std::string text = "SMS>Anna>>\x80\xE9 high bytes";
    const TRun run = Run({"encode", text, Path("out.wav")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    const std::string file = ReadAll(Path("out.wav"));
    const auto frame = RenderFrame(text);
    ASSERT_EQ(file.size(), 44 + frame.size());
    const TWavData wav = ReadWavFile(Path("out.wav"));
    EXPECT_EQ(wav.Channels, 1);
    EXPECT_EQ(wav.SampleRate, 48000u);
    EXPECT_EQ(wav.BitsPerSample, 8);
    EXPECT_EQ(wav.Data, frame);
}

TEST_F(ParletFfskTool, DecodePrintsEachMessageWithUnprintableBytesEscaped)
{
    ASSERT_EQ(Run({"encode", "SMS>a\\b\tc~\x7F\xFF", Path("sms.wav")}).Status, 0);
    TRun run = Run({"decode", Path("sms.wav")});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "SMS\ta\\x5cb\\x09c~\\x7f\\xff\\x00\\x00\\x00\\x00\n");
    EXPECT_EQ(run.Err, "");

    ASSERT_EQ(Run({"encode", "LOC>12345678", Path("loc.wav")}).Status, 0);
    run = Run({"decode", Path("loc.wav")});
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
    const TRun run = Run({"decode", Path("two.wav")});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "SMS\tfirst\\x00\\x00\\x00\\x00\\x00\\x00\\x00\nSMS\tsecond one\\x00\\x00\n");
}

TEST_F(ParletFfskTool, DecodingNothingIsNotAnError)
{
    WriteWav("silence.wav", 1, 48000, 16, std::vector<std::uint8_t>(48000 * 2, 0));
    WriteWav("empty.wav", 1, 48000, 8, {});
    for (const char* name : {"silence.wav", "empty.wav"}) {
        const TRun run = Run({"decode", Path(name)});
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
}

TEST_F(ParletFfskTool, UnreadableOrUnsupportedFilesNameTheFileAndTheReason)
{
    ExpectError(Run({"decode", Path("missing.wav")}), {Path("missing.wav"), "No such file"});
    ExpectError(Run({"decode", Dir.string()}), {Dir.string(), "directory"});

    std::ofstream(Path("text.wav")) << "this is not a sound file at all";
    ExpectError(Run({"decode", Path("text.wav")}), {Path("text.wav"), "not a RIFF WAVE"});

    WriteWav("stereo.wav", 2, 48000, 16, std::vector<std::uint8_t>(400, 0));
    ExpectError(Run({"decode", Path("stereo.wav")}), {Path("stereo.wav"), "2 channel"});
    WriteWav("cd.wav", 1, 44100, 16, std::vector<std::uint8_t>(400, 0));
    ExpectError(Run({"decode", Path("cd.wav")}), {Path("cd.wav"), "44100 Hz"});
    WriteWav("deep.wav", 1, 48000, 24, std::vector<std::uint8_t>(300, 0));
    ExpectError(Run({"decode", Path("deep.wav")}), {Path("deep.wav"), "24-bit"});

    // IEEE float (format tag 3) is not PCM.
    std::string header = ReadAll(Path("cd.wav"));
    header[20] = 3;
    std::ofstream(Path("float.wav"), std::ios::binary) << header;
    ExpectError(Run({"decode", Path("float.wav")}), {Path("float.wav"), "not PCM"});

    ExpectError(Run({"encode", "SMS>x", Path("no/such/folder/out.wav")}), {Path("no/such/folder/out.wav")});
    EXPECT_FALSE(std::filesystem::exists(Path("no")));
}
