#include "untFFSKReceiver.h"

#include <algorithm>

#include "audio/WaveRecorders.h"

namespace {
constexpr std::uint8_t SyncHigh = 0x3B; // ';'
constexpr std::uint8_t SyncLow = 0x28; // '('
constexpr std::size_t PrefixLength = 4;
// A crossing after this many samples without one starts a transmission.
constexpr std::int32_t SilenceSamples = 2 * TFFSKReceiver::SamplesPerBit;
// The count of samples since the last crossing stops here: hours of a
// silent input must not run it over.
constexpr std::int32_t SinceLimit = 1 << 20;
} // namespace

TFFSKReceiver::TFFSKReceiver(TSoundPlatform& platform)
{
    FBitTrace.reserve(TraceLength + 1);
    FRecorder = std::make_unique<TLiveAudioRecorder>(platform);
    FRecorder->SetAsync(false);
    FRecorder->SetBufferCount(2);
    FRecorder->SetBufferLength(200);
    FRecorder->SetPCMFormat(Mono16bit48000Hz);
    FRecorder->OnLevel = [this](TObject* Sender, int Level) { RecorderLevel(Sender, Level); };
    FRecorder->OnData = [this](TObject* Sender, std::uint8_t* Buffer, std::uint32_t BufferSize, bool& FreeIt) {
        RecorderData(Sender, Buffer, BufferSize, FreeIt);
    };
    FRecorder->Activate();
}

TFFSKReceiver::~TFFSKReceiver()
{
    FRecorder->Deactivate();
    FRecorder.reset();
}

void TFFSKReceiver::RecorderLevel(TObject*, int Level)
{
    OnInputLevel(this, Level);
}

void TFFSKReceiver::RecorderData(TObject*, std::uint8_t* Buffer, std::uint32_t BufferSize, bool&)
{
    // Only the recorded samples are demodulated: a buffer handed back while
    // the stream closes is partly filled, and the rest of its memory holds
    // audio that was already demodulated.
    const std::uint32_t samples = std::min(BufferSize / 2, BufferSamples);
    // Only the high byte of each sample is looked at: above 0x80 is a
    // negative sample, below 0x7F a non-negative one; the two extreme values
    // (beyond +-32512) never count as a crossing. Flipping every bit of the
    // byte while waiting for a non-negative sample turns both tests into one
    // comparison (h < 0x7F is ~h > 0x80). The state lives in locals and is
    // stored at each bit decision.
    std::uint8_t waitMask = FHalfWave ? 0xFF : 0x00;
    std::int32_t since = FSinceCrossing;
    std::int32_t crossings = FCrossings;
    std::int32_t phase = FBitPhase;
    const std::uint8_t* high = samples > 0 ? Buffer + 1 : Buffer;
    for (std::uint32_t i = 0; i < samples; ++i, high += 2) {
        since += since < SinceLimit;
        const bool candidate = static_cast<std::uint8_t>(*high ^ waitMask) > 0x80;
        // A crossing is accepted at least 10 samples after the last one.
        const bool accepted = candidate && since > 9;
        const bool startsTransmission = accepted && since >= SilenceSamples;
        crossings += accepted;
        since = accepted ? 0 : since;
        waitMask ^= accepted ? 0xFF : 0x00;
        // The bit clock is pulled both ways towards a boundary crossing at
        // position 7: an accepted crossing at 8..12 (a boundary drifting
        // late, from a slower sender or windows that settled late in noise)
        // walks the window back one sample per bit, and any candidate early
        // in a window moves the window on to 7. A clean, aligned signal
        // crosses at 7 and is never moved. Without the walk back a boundary
        // more than about 5 samples late loses or invents bits.
        phase -= accepted && static_cast<std::uint32_t>(phase - 8) <= 4;
        phase = candidate && phase < 7 ? 7 : phase;
        // Every frame begins with a 1800 Hz bit. Its first crossing is the
        // bit's start, or half a cycle later when the wave first heads to the
        // side the idle level already sits on; placing it at 7 puts the
        // window edges between crossings either way. Left to chance, a
        // window edge can sit on the bit boundaries, where a sample of
        // jitter moves crossings between windows and spoils bits.
        phase = startsTransmission ? 7 : phase;
        if (++phase > 39) {
            FHalfWave = waitMask ? 1 : 0;
            FSinceCrossing = since;
            FCrossings = crossings;
            FBitPhase = 0;
            DecideBit();
            crossings = FCrossings;
            phase = 0;
        }
    }
    FHalfWave = waitMask ? 1 : 0;
    FSinceCrossing = since;
    FCrossings = crossings;
    FBitPhase = phase;
    if (FMessageOpen && ++FIdleBuffers > 1) {
        FMessageOpen = false;
        CompleteMessage();
    }
}

void TFFSKReceiver::DecideBit()
{
    // 3 crossings are an 1800 Hz bit, 2 a 1200 Hz bit; 4 and 1 are those bits
    // with a crossing moved across the window edge, carried to the next window.
    switch (FCrossings) {
    case 4:
        ShiftBit(true);
        AddBitSymbol('^');
        FCrossings = 1;
        break;
    case 3:
        ShiftBit(true);
        AddBitSymbol('1');
        FCrossings = 0;
        break;
    case 2:
        ShiftBit(false);
        AddBitSymbol('0');
        FCrossings = 0;
        break;
    case 1:
        ShiftBit(false);
        AddBitSymbol('_');
        FCrossings = -1;
        break;
    default:
        AddBitSymbol('-');
        FCrossings = 0;
        // A whole window without a crossing: the signal has stopped. A sync
        // word heard just before (a frame cut short) must not take the first
        // bits of the next transmission as its block.
        if (FSinceCrossing >= static_cast<std::int32_t>(SamplesPerBit)) FShiftReg.fill(0);
        break;
    }
}

void TFFSKReceiver::ShiftBit(bool Bit)
{
    for (std::size_t i = 0; i + 1 < FShiftReg.size(); ++i)
        FShiftReg[i] = static_cast<std::uint8_t>((FShiftReg[i] << 1) | (FShiftReg[i + 1] >> 7));
    FShiftReg.back() = static_cast<std::uint8_t>((FShiftReg.back() << 1) | (Bit ? 1 : 0));

    if (FShiftReg[0] != SyncHigh || FShiftReg[1] != SyncLow) return;
    FChunk.assign(FShiftReg.begin() + 2, FShiftReg.end());
    // Cleared so that no bit of this block can be part of the next match.
    FShiftReg.fill(0);
    HandleChunk();
}

void TFFSKReceiver::AddBitSymbol(char Symbol)
{
    FBitTrace.push_back(Symbol);
    if (FBitTrace.size() > TraceLength) FBitTrace.erase(0, 1);
    OnBitReceive(this, FBitTrace);
}

void TFFSKReceiver::HandleChunk()
{
    if (FChunk.compare(0, PrefixLength, "SMS>") == 0) {
        if (FMessageOpen) CompleteMessage();
        FSmsText = FChunk;
        FIsSMS = true;
    } else if (FChunk.compare(0, PrefixLength, "LOC>") == 0) {
        if (FMessageOpen) CompleteMessage();
        FLocText = FChunk;
        FIsSMS = false;
    } else if (FMessageOpen) {
        (FIsSMS ? FSmsText : FLocText) += FChunk;
    } else {
        // A block without a type while no message is open is the rest of a
        // message whose first block was not heard, or noise that matched the
        // sync word: delivering it would hand the operator a message nobody
        // sent, under a name cut from the middle of a text.
        return;
    }
    FMessageOpen = true;
    FIdleBuffers = 0;
}

void TFFSKReceiver::CompleteMessage()
{
    std::string& text = FIsSMS ? FSmsText : FLocText;
    text.erase(0, std::min(PrefixLength, text.size()));
    // Moved out first, so that a handler sees a receiver ready for the next
    // message.
    const std::string message = std::move(text);
    text.clear();
    OnReceive(this, FIsSMS, message);
}
