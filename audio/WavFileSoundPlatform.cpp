#include "audio/WavFileSoundPlatform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>

#include "audio/NoticePoster.h"
#include "base/MainLoop.h"

// Records the input file into each buffer as soon as it is queued and
// recording has started; once the input has ended, holds the buffers.
class TWavFileCapture : public TSoundDevice {
public:
    TWavFileCapture(TWavFileSoundPlatform& platform, const TWaveFormat& format, TSoundNoticeSink& sink)
        : FPlatform(platform)
        , FFormat(format)
        , FPoster(sink)
    {
        FPlatform.FOpen[DirectionIndex(TWaveDirection::Capture)] = true;
        FPoster.Opened();
    }
    // The notices still queued are dropped before the device's place is
    // given up, so none of them can reach a stream on the next device.
    ~TWavFileCapture() override
    {
        FPoster.Detach();
        FPlatform.FOpen[DirectionIndex(TWaveDirection::Capture)] = false;
    }

    TWaveResult Submit(TWaveBuffer& buffer) override
    {
        FQueued.push_back(&buffer);
        Pump();
        return wrNoError;
    }
    TWaveResult Start() override
    {
        FStarted = true;
        Pump();
        return wrNoError;
    }
    TWaveResult Reset() override
    {
        FStarted = false;
        for (TWaveBuffer* buffer : FQueued) {
            buffer->BytesRecorded = 0;
            FPoster.Done(buffer);
        }
        FQueued.clear();
        return wrNoError;
    }
    TWaveResult Close() override
    {
        if (!FQueued.empty()) return EBUSY;
        FPoster.Closed();
        return wrNoError;
    }

private:
    void Pump()
    {
        while (FStarted && !FQueued.empty()) {
            TWaveBuffer* buffer = FQueued.front();
            if (!FPlatform.Record(*buffer, FFormat)) return;
            FQueued.pop_front();
            FPoster.Done(buffer);
            if (FPlatform.FInputPos >= FPlatform.FInput.Data.size() && FPlatform.FSilentBuffersLeft == 0) {
                // Posted behind the last buffer's notice, so it holds once
                // that notice has been handled.
                TMainLoop::Current().Post([finished = FPlatform.FInputFinished] { *finished = true; });
            }
        }
    }

    TWavFileSoundPlatform& FPlatform;
    const TWaveFormat FFormat;
    TNoticePoster FPoster;
    std::deque<TWaveBuffer*> FQueued;
    bool FStarted = false;
};

// Keeps the bytes of each buffer and returns it at once, up to the limit;
// the buffer that meets the limit and every later one are held.
class TWavFilePlayback : public TSoundDevice {
public:
    TWavFilePlayback(TWavFileSoundPlatform& platform, TSoundNoticeSink& sink)
        : FPlatform(platform)
        , FPoster(sink)
    {
        FPlatform.FOpen[DirectionIndex(TWaveDirection::Playback)] = true;
        FPoster.Opened();
    }
    // As for capture: the notices go before the device's place.
    ~TWavFilePlayback() override
    {
        FPoster.Detach();
        FPlatform.FOpen[DirectionIndex(TWaveDirection::Playback)] = false;
    }

    TWaveResult Submit(TWaveBuffer& buffer) override
    {
        if (!FHeld.empty() || !Play(buffer)) {
            FHeld.push_back(&buffer);
            return wrNoError;
        }
        FPoster.Done(&buffer);
        return wrNoError;
    }
    TWaveResult Start() override { return wrNoError; }
    TWaveResult Reset() override
    {
        for (TWaveBuffer* buffer : FHeld) FPoster.Done(buffer);
        FHeld.clear();
        return wrNoError;
    }
    TWaveResult Close() override
    {
        if (!FHeld.empty()) return EBUSY;
        FPoster.Closed();
        return wrNoError;
    }

private:
    // Keeps as much of the buffer as the limit allows; true if all of it.
    bool Play(const TWaveBuffer& buffer)
    {
        std::vector<std::uint8_t>& played = FPlatform.FPlayed;
        const std::uint64_t room =
            FPlatform.FPlaybackLimit > played.size() ? FPlatform.FPlaybackLimit - played.size() : 0;
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(room, buffer.BufferLength));
        played.insert(played.end(), buffer.Data, buffer.Data + take);
        return take == buffer.BufferLength;
    }

    TWavFileSoundPlatform& FPlatform;
    TNoticePoster FPoster;
    std::deque<TWaveBuffer*> FHeld;
};

TWavFileSoundPlatform::TWavFileSoundPlatform()
    : TSoundPlatform("WAV file")
    , FInputFinished(std::make_shared<bool>(false))
{
}

void TWavFileSoundPlatform::SetInputFile(const std::string& path, std::uint32_t silentBuffersAfter)
{
    FInput = ReadWavFile(path);
    FHaveInput = true;
    FInputPos = 0;
    FSilentBuffersLeft = silentBuffersAfter;
    *FInputFinished = false;
}

void TWavFileSoundPlatform::SavePlayed(const std::string& path) const
{
    TWavData wav;
    wav.Channels = FPlayedFormat.Channels;
    wav.SampleRate = FPlayedFormat.SamplesPerSec;
    wav.BitsPerSample = FPlayedFormat.BitsPerSample;
    wav.Data = FPlayed;
    WriteWavFile(path, wav);
}

TWaveResult TWavFileSoundPlatform::ValidateDevice(TWaveDirection, int deviceId)
{
    return deviceId == -1 || deviceId == 0 ? wrNoError : ENODEV;
}

TWaveResult TWavFileSoundPlatform::CheckFormat(TWaveDirection direction, const TWaveFormat& format) const
{
    if (format.FormatTag != WAVE_FORMAT_PCM || (format.BitsPerSample != 8 && format.BitsPerSample != 16)) return EINVAL;
    if (direction == TWaveDirection::Playback) return wrNoError;
    if (!FHaveInput) return ENODATA;
    if (format.Channels != 1 || format.SamplesPerSec != FInput.SampleRate || FInput.Channels == 0
        || (FInput.BitsPerSample != 8 && FInput.BitsPerSample != 16))
        return EINVAL;
    return wrNoError;
}

TWaveResult TWavFileSoundPlatform::QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format)
{
    if (const TWaveResult code = ValidateDevice(direction, deviceId)) return code;
    return CheckFormat(direction, format);
}

TWaveResult TWavFileSoundPlatform::Open(TWaveDirection direction, int deviceId, const TWaveFormat& format,
    TSoundNoticeSink& sink, std::unique_ptr<TSoundDevice>& device)
{
    if (const TWaveResult code = QueryFormat(direction, deviceId, format)) return code;
    if (FOpen[DirectionIndex(direction)]) return EBUSY;
    if (direction == TWaveDirection::Playback) {
        FPlayedFormat = format;
        FPlayed.clear();
        device = std::make_unique<TWavFilePlayback>(*this, sink);
    } else {
        device = std::make_unique<TWavFileCapture>(*this, format, sink);
    }
    return wrNoError;
}

std::string TWavFileSoundPlatform::ErrorText(TWaveResult code) const
{
    if (code == ENODATA) return "No input file for the capture device";
    if (code == EINVAL) return "The WAV file device cannot take this format";
    return std::strerror(static_cast<int>(code));
}

bool TWavFileSoundPlatform::Record(TWaveBuffer& buffer, const TWaveFormat& format)
{
    const std::vector<std::uint8_t>& data = FInput.Data;
    const std::size_t frameBytes = std::size_t {FInput.Channels} * (FInput.BitsPerSample / 8);
    if (FInputPos + frameBytes > data.size()) {
        if (FSilentBuffersLeft == 0) return false;
        --FSilentBuffersLeft;
        FInputPos = data.size();
    }
    const std::uint32_t samples = buffer.BufferLength / (format.BitsPerSample / 8);
    for (std::uint32_t i = 0; i < samples; ++i) {
        // Full scale of either width as a 16-bit value; past the end: silence.
        std::int32_t value = 0;
        if (FInputPos + frameBytes <= data.size()) {
            const std::uint8_t* p = data.data() + FInputPos;
            value = FInput.BitsPerSample == 8 ? (p[0] - 128) * 256 : Sample16(p);
            FInputPos += frameBytes;
        }
        if (format.BitsPerSample == 16) {
            buffer.Data[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
            buffer.Data[2 * i + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        } else {
            buffer.Data[i] = static_cast<std::uint8_t>((value >> 8) + 128);
        }
    }
    // A partial sample at the end of the file is dropped.
    if (FInputPos + frameBytes > data.size()) FInputPos = data.size();
    buffer.BytesRecorded = buffer.BufferLength;
    return true;
}
