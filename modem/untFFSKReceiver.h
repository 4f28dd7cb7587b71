#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Event.h"
#include "base/Object.h"

class TSoundPlatform;
class TLiveAudioRecorder;

// The FFSK demodulator and the receive side of the message text layer. It
// listens to the default input all the time (16-bit signed mono, 48000 Hz),
// counts zero crossings in 40-sample bit windows, takes the 8-character block
// behind every sync word 0x3B 0x28 and joins blocks into "SMS>" and "LOC>"
// messages, each delivered once through OnReceive without its prefix. A block
// without a prefix only continues an open message; on its own it is dropped.
class TFFSKReceiver : public TObject {
public:
    static constexpr std::uint32_t SamplesPerBit = 40;
    static constexpr std::uint32_t BufferSamples = 9600; // one 200 ms capture buffer
    static constexpr std::size_t TraceLength = 40;

    explicit TFFSKReceiver(TSoundPlatform& platform);
    ~TFFSKReceiver() override;

    // The recorder's handlers. RecorderData demodulates the samples of one
    // capture buffer (16-bit little-endian) and then applies the end-of-message
    // rule for that buffer.
    void RecorderLevel(TObject* Sender, int Level);
    void RecorderData(TObject* Sender, std::uint8_t* Buffer, std::uint32_t BufferSize, bool& FreeIt);

    // One symbol per bit window, newest last, at most 40.
    const std::string& BitTrace() const { return FBitTrace; }

    TEvent<TObject*, bool, const std::string&> OnReceive;
    TEvent<TObject*, const std::string&> OnBitReceive;
    TEvent<TObject*, int> OnInputLevel;

private:
    void DecideBit();
    void ShiftBit(bool Bit);
    void AddBitSymbol(char Symbol);
    void HandleChunk();
    void CompleteMessage();

    std::unique_ptr<TLiveAudioRecorder> FRecorder;
    std::uint8_t FHalfWave = 0; // 0: last seen non-negative, waiting for a negative sample
    std::int32_t FSinceCrossing = 0;
    std::int32_t FCrossings = 0; // in the current window, carry included
    std::int32_t FBitPhase = 0; // 0..39
    std::array<std::uint8_t, 10> FShiftReg {}; // the last 80 bits, byte 0 the oldest
    std::string FChunk;
    std::string FSmsText;
    std::string FLocText;
    bool FIsSMS = false;
    bool FMessageOpen = false;
    std::int32_t FIdleBuffers = 0;
    std::string FBitTrace;
};
