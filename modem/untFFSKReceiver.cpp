#include "untFFSKReceiver.h"

#include <algorithm>

#include "audio/WaveRecorders.h"
#include "audio/WaveUtils.h"

TFFSKReceiver::TFFSKReceiver(TSoundPlatform& platform, TDetectorKind Kind)
    : FDecoder(Kind, [this](const TDecodedMessage& message) { OnReceive(this, message); })
    , FSamples(BufferSamples)
{
    FRecorder = std::make_unique<TLiveAudioRecorder>(platform);
    FRecorder->SetAsync(false);
    FRecorder->SetBufferCount(2);
    FRecorder->SetBufferLength(200);
    FRecorder->SetPCMFormat(Mono16bit48000Hz);
    FRecorder->OnLevel = [this](TObject* Sender, int Level) { RecorderLevel(Sender, Level); };
    FRecorder->OnData = [this](TObject* Sender, std::uint8_t* Buffer, std::uint32_t BufferSize, bool& FreeIt) {
        RecorderData(Sender, Buffer, BufferSize, FreeIt);
    };
    FRecorder->OnDeactivate = [this](TObject*) {
        if (!FReopenPending) return;
        FReopenPending = false;
        FRecorder->Activate();
    };
    FRecorder->Activate();
}

TFFSKReceiver::~TFFSKReceiver()
{
    FReopenPending = false;
    FRecorder->Deactivate();
    FRecorder.reset();
}

void TFFSKReceiver::ReopenDevice()
{
    if (FRecorder->Active()) {
        // It opens again once its close is done.
        FReopenPending = true;
        FRecorder->Deactivate();
        return;
    }
    FRecorder->Deactivate();
    FRecorder->Activate();
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
    for (std::uint32_t i = 0; i < samples; ++i) FSamples[i] = Sample16(Buffer + 2 * i);
    FDecoder.DecodeBuffer(std::span(FSamples).first(samples));
}
