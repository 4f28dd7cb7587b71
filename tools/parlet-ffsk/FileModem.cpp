#include "FileModem.h"

#include <memory>
#include <optional>

#include "MessageLine.h"
#include "audio/WavFileSoundPlatform.h"
#include "base/RealTimeLoop.h"
#include "modem/untFFSK.h"
#include "modem/untFFSKReceiver.h"

namespace {

constexpr std::uint32_t SampleRate = 48000;
// Two buffers of silence after the file let the receiver deliver a message
// whose last block ends the file.
constexpr std::uint32_t TrailingSilentBuffers = 2;
// The streams run as fast as the loop serves them; this only bounds a stall.
constexpr int StreamTimeoutMs = 60000;

// Runs the streams on a loop of their own and turns what the loop reports
// (errors inside device notices) into an error naming the file.
class TFileRun {
public:
    explicit TFileRun(std::string file)
        : FFile(std::move(file))
    {
        FLoop.SetErrorReport([this](const std::string& message) {
            if (!FError) FError = message;
        });
    }
    void RunUntil(const std::function<bool()>& done)
    {
        // The file devices need no timers: serving their notices is enough.
        if (!FLoop.WaitUntil(done, StreamTimeoutMs) && !FError) FError = "the sound stream did not finish";
        Check();
    }
    void Check() const
    {
        if (FError) throw EFileModemError(FFile, *FError);
    }

private:
    const std::string FFile;
    TRealTimeLoop FLoop;
    std::optional<std::string> FError;
};

template <typename Fn> auto ForFile(const std::string& file, Fn&& fn)
{
    try {
        return fn();
    } catch (const EFileModemError&) {
        throw;
    } catch (const std::exception& e) {
        throw EFileModemError(file, e.what());
    }
}

} // namespace

void EncodeToFile(const std::string& Text, const std::string& path)
{
    ForFile(path, [&] {
        TFileRun run(path);
        TWavFileSoundPlatform platform;
        {
            TFFSK modulator(platform);
            modulator.WriteText(Text);
            // The player asks for its first buffers only when the loop runs,
            // so the frame is what it plays first.
            platform.SetPlaybackLimit(modulator.QueuedBytes());
            run.RunUntil([&] { return platform.PlaybackFinished(); });
        }
        run.Check();
        platform.SavePlayed(path);
    });
}

std::vector<std::string> DecodeFile(const std::string& path, TDetectorKind kind)
{
    return ForFile(path, [&] {
        TFileRun run(path);
        TWavFileSoundPlatform platform;
        platform.SetInputFile(path, TrailingSilentBuffers);
        const TWavData& input = platform.Input();
        if (input.Channels != 1 || input.SampleRate != SampleRate
            || (input.BitsPerSample != 8 && input.BitsPerSample != 16)) {
            throw EFileModemError(path,
                "unsupported format: " + std::to_string(input.Channels) + " channel(s), "
                    + std::to_string(input.SampleRate) + " Hz, " + std::to_string(input.BitsPerSample)
                    + "-bit (needs mono, 48000 Hz, 8- or 16-bit PCM)");
        }
        std::vector<std::string> lines;
        {
            TFFSKReceiver receiver(platform, kind);
            receiver.OnReceive = [&](TObject*, bool MessIsSMS, const std::string& RxString) {
                lines.push_back(MessageLine(MessIsSMS, RxString));
            };
            run.RunUntil([&] { return platform.InputFinished(); });
        }
        run.Check();
        return lines;
    });
}
