#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/SoundPlatform.h"
#include "audio/WavFile.h"

class TWavFileCapture;
class TWavFilePlayback;

// A sound back end on WAV files, for the command-line tools: the capture
// device records the samples of a WAV file, the playback device keeps what
// it plays so it can be saved as a WAV file. Neither runs in real time: a
// buffer is done as soon as it is handed over, and its notice waits only for
// the main loop. So that a stream on them comes to an end, both stop taking
// buffers at a set point and keep the ones they hold until Reset:
// - capture: after the file's samples (the last buffer padded with zeros)
//   and a set number of buffers of silence;
// - playback: once it has played a set number of bytes.
//
// Device numbers -1 and 0 are the one device of each direction; one stream
// per direction may be open at a time. Result codes are errno numbers.
class TWavFileSoundPlatform : public TSoundPlatform {
public:
    TWavFileSoundPlatform();

    TWaveResult QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format) override;
    TWaveResult Open(TWaveDirection direction, int deviceId, const TWaveFormat& format, TSoundNoticeSink& sink,
        std::unique_ptr<TSoundDevice>& device) override;
    TWaveResult ValidateDevice(TWaveDirection direction, int deviceId) override;
    std::string ErrorText(TWaveResult code) const override;

    // The capture source: a PCM WAV file, read at once (EWavFileError if it
    // cannot be). A capture device records its first channel at the file's
    // rate, 8-bit samples widened as (v - 128) * 256 and 16-bit ones narrowed
    // to their high byte + 128 as the open format needs; then
    // silentBuffersAfter whole buffers of silence.
    void SetInputFile(const std::string& path, std::uint32_t silentBuffersAfter);
    const TWavData& Input() const { return FInput; }
    // Every input buffer has been recorded and its notice delivered.
    bool InputFinished() const { return *FInputFinished; }

    // The playback device plays at most this many bytes (default 0).
    void SetPlaybackLimit(std::uint64_t bytes) { FPlaybackLimit = bytes; }
    bool PlaybackFinished() const { return FPlayed.size() >= FPlaybackLimit; }
    // Writes the bytes played so far, in the format of the last playback
    // open, as a WAV file (EWavFileError if it cannot).
    void SavePlayed(const std::string& path) const;

private:
    friend class TWavFileCapture;
    friend class TWavFilePlayback;

    TWaveResult CheckFormat(TWaveDirection direction, const TWaveFormat& format) const;
    // Fill one capture buffer of the open format from the input; false when
    // the input has ended.
    bool Record(TWaveBuffer& buffer, const TWaveFormat& format);

    TWavData FInput;
    bool FHaveInput = false;
    std::size_t FInputPos = 0; // bytes of FInput.Data recorded
    std::uint32_t FSilentBuffersLeft = 0;
    std::shared_ptr<bool> FInputFinished;

    std::uint64_t FPlaybackLimit = 0;
    TWaveFormat FPlayedFormat;
    std::vector<std::uint8_t> FPlayed;

    bool FOpen[2] = {false, false};
};
