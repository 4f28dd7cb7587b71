#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "audio/SimulatedDeviceList.h"
#include "audio/SoundPlatform.h"
#include "audio/VirtualCable.h"

class TSimulatedPlayback;
class TSimulatedCapture;
class TSignalHistory;

// A virtual sound card for tests: one output jack and one input jack, paced
// by the main loop's clock (the virtual loop: time moves only when the test
// advances it). Device numbers -1 and 0..deviceCount-1 all reach the same
// jacks; any other number fails with ENODEV. One stream per direction may be
// open at a time (a second open fails with EBUSY).
//
// Timing is sample-exact: every rate's samples sit on one grid of virtual
// time (sample k at 48000 Hz is at k/48000 s since the loop started), a
// playback buffer's notice comes when its last sample has been played, a
// capture buffer's notice when its last sample has been taken. A playback
// stream that runs dry restarts on the next grid point (counted in
// Underruns); a started capture stream with no buffer queued loses those
// samples (counted in Overruns).
//
// Devices chosen by name are those of DeviceList(), which a test fills:
// while the chosen one is not listed, device -1 fails with ENODEV, and
// removing it fails the open stream as Unplug does.
//
// With no cable plugged into its input, a card records silence. Cables
// (TVirtualCable) carry an output to an input, this card's own or another's.
// A card must outlive the streams opened on it and the cables plugged into
// it.
class TSimulatedSoundCard : public TSoundPlatform {
public:
    explicit TSimulatedSoundCard(int deviceCount = 1);
    ~TSimulatedSoundCard() override;

    TWaveResult QueryFormat(TWaveDirection direction, int deviceId, const TWaveFormat& format) override;
    TWaveResult Open(TWaveDirection direction, int deviceId, const TWaveFormat& format, TSoundNoticeSink& sink,
        std::unique_ptr<TSoundDevice>& device) override;
    TWaveResult ValidateDevice(TWaveDirection direction, int deviceId) override;
    std::string ErrorText(TWaveResult code) const override;
    TSoundDeviceList* DeviceList() override { return &FNamed; }

    // Named devices: add one, or take one out (an open stream on it fails).
    void AddNamed(TWaveDirection direction, const TSoundDeviceInfo& device);
    void RemoveNamed(TWaveDirection direction, const std::string& name);

    // How many numbered devices exist (besides the default, -1).
    void SetDeviceCount(int count) { FDeviceCount = count; }
    // From now on, QueryFormat and Open in this direction fail with `code`
    // (0 clears it): a broken or busy device.
    void SetOpenError(TWaveDirection direction, TWaveResult code);
    // Pull the device of that direction out, as a USB sound card: an open
    // stream fails at once (ENODEV; what it has not played yet is never
    // heard, what it has not recorded yet is lost), and until Replug every
    // device number of that direction fails with ENODEV.
    void Unplug(TWaveDirection direction);
    void Replug(TWaveDirection direction);
    bool Plugged(TWaveDirection direction) const;

    // The device number of the open stream in that direction, if any.
    std::optional<int> OpenDeviceID(TWaveDirection direction) const;
    // How often playback ran dry and restarted, and how often capture had no
    // buffer queued and lost samples.
    std::uint64_t Underruns() const { return FUnderruns; }
    std::uint64_t Overruns() const { return FOverruns; }

    // Keep the bytes played (in the output format, without the gaps) so a
    // test can read them; off by default.
    void SetRecordPlayback(bool record) { FRecordPlayback = record; }
    // A stalled output takes buffers and never plays them, as a card that
    // hangs does.
    void SetPlaybackStalled(bool stalled) { FPlaybackStalled = stalled; }
    // The bytes played since the last call.
    std::vector<std::uint8_t> TakePlayed();

private:
    friend class TSimulatedPlayback;
    friend class TSimulatedCapture;
    friend class TVirtualCable;

    TWaveResult CheckDevice(TWaveDirection direction, int deviceId) const;
    void DeviceGone(TWaveDirection direction);
    TSignalHistory& OutputSignal() { return *FOutput; }
    // Sum of every cable into this input at a moment (ticks, see
    // TSignalHistory), in full-scale units.
    double InputValueAt(double tick);

    int FDeviceCount;
    TSimulatedDeviceList FNamed;
    TWaveResult FOpenError[2] = {wrNoError, wrNoError};
    std::optional<int> FOpenIds[2];
    bool FUnplugged[2] = {false, false};
    TSimulatedPlayback* FPlayback = nullptr; // the open streams, if any
    TSimulatedCapture* FCapture = nullptr;
    std::unique_ptr<TSignalHistory> FOutput;
    std::vector<TVirtualCable*> FCablesIn;
    std::vector<TVirtualCable*> FCablesOut;
    std::uint64_t FUnderruns = 0;
    std::uint64_t FOverruns = 0;
    bool FRecordPlayback = false;
    bool FPlaybackStalled = false;
    std::vector<std::uint8_t> FPlayed;
};
