#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Event.h"
#include "base/Object.h"
#include "modem/FFSKDecoder.h"

class TSoundPlatform;
class TLiveAudioRecorder;

// The FFSK receiver: listens to the default input all the time (16-bit
// signed mono, 48000 Hz) and hands every capture buffer to its decoder,
// which delivers "SMS>" and "LOC>" messages through OnReceive.
class TFFSKReceiver : public TObject {
public:
    static constexpr std::uint32_t BufferSamples = TFFSKDecoder::BufferSamples;

    explicit TFFSKReceiver(TSoundPlatform& platform, TDetectorKind kind = TDetectorKind::Soft);
    ~TFFSKReceiver() override;

    // The recorder's handlers. RecorderData demodulates the samples of one
    // capture buffer (16-bit little-endian) and then applies the end-of-message
    // rule for that buffer.
    void RecorderLevel(TObject* sender, int level);
    void RecorderData(TObject* sender, const std::uint8_t* buffer, std::uint32_t bufferSize);

    // The device the platform opens for the recorder changed (a device
    // chosen by name): the recorder closes and opens on it.
    void ReopenDevice();
    // The input device is lost and waited for; why.
    bool InputLost() const;
    const std::string& LossReason() const;

    // One symbol per bit period, newest last, at most 40.
    const std::string& BitTrace() const { return FDecoder.BitTrace(); }

    TEvent<TObject*, const TDecodedMessage&> OnReceive;
    TEvent<TObject*, int> OnInputLevel;
    // InputLost() or LossReason() changed.
    TNotifyEvent OnAvailabilityChange;

private:
    TFFSKDecoder FDecoder;
    std::vector<std::int16_t> FSamples; // the capture buffer's samples
    std::unique_ptr<TLiveAudioRecorder> FRecorder;
    bool FReopenPending = false; // the recorder opens again once closed
    std::vector<TConnection> FRecorderConnections;
};
