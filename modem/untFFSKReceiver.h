#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/Event.h"
#include "base/Object.h"
#include "modem/BitDetector.h"
#include "modem/FrameFormat.h"
#include "modem/MessageAssembler.h"

class TSoundPlatform;
class TLiveAudioRecorder;

// The FFSK receiver: listens to the default input all the time (16-bit
// signed mono, 48000 Hz), takes bits out of every capture buffer with its
// bit detector, and hands them to the message assembler, which delivers
// "SMS>" and "LOC>" messages through OnReceive without their prefix.
class TFFSKReceiver : public TObject, private TBitSink {
public:
    static constexpr std::uint32_t SamplesPerBit = FFSKFrame::SamplesPerBit;
    static constexpr std::uint32_t BufferSamples = 9600; // one 200 ms capture buffer
    static constexpr std::size_t TraceLength = 40;

    explicit TFFSKReceiver(TSoundPlatform& platform, TDetectorKind Kind = TDetectorKind::Soft);
    ~TFFSKReceiver() override;

    // The recorder's handlers. RecorderData demodulates the samples of one
    // capture buffer (16-bit little-endian) and then applies the end-of-message
    // rule for that buffer.
    void RecorderLevel(TObject* Sender, int Level);
    void RecorderData(TObject* Sender, std::uint8_t* Buffer, std::uint32_t BufferSize, bool& FreeIt);

    // The device the platform opens for the recorder changed (a device
    // chosen by name): the recorder closes and opens on it.
    void ReopenDevice();
    // The input device is lost and waited for; why.
    bool InputLost() const;
    const std::string& LossReason() const;

    // One symbol per bit period, newest last, at most 40.
    const std::string& BitTrace() const { return FBitTrace; }
    TDetectorKind DetectorKind() const { return FKind; }

    TEvent<TObject*, bool, const std::string&> OnReceive;
    TEvent<TObject*, const std::string&> OnBitReceive;
    TEvent<TObject*, int> OnInputLevel;
    // InputLost() or LossReason() changed.
    TNotifyEvent OnAvailabilityChange;

private:
    void BitDecided(TBitValue Value, char Symbol) override;

    const TDetectorKind FKind;
    std::unique_ptr<TLiveAudioRecorder> FRecorder;
    std::unique_ptr<TBitDetector> FDetector;
    TMessageAssembler FAssembler;
    bool FReopenPending = false; // the recorder opens again once closed
    std::string FBitTrace;
    TConnection FAvailabilityConnection;
};
