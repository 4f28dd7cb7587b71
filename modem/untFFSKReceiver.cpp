#include "untFFSKReceiver.h"

#include <algorithm>

#include "audio/WaveRecorders.h"
#include "audio/WaveUtils.h"

TFFSKReceiver::TFFSKReceiver(TSoundPlatform& platform, TDetectorKind Kind)
    : FDecoder(Kind, [this](const TDecodedMessage& message) { OnReceive(this, message); })
    , FSamples(BufferSamples)
{
    FRecorder = std::make_unique<TLiveAudioRecorder>(platform);
    FRecorder->SetBufferCount(2);
    FRecorder->SetBufferLength(200);
    FRecorder->SetPCMFormat(Mono16bit48000Hz);
    FRecorderConnections.push_back(
        FRecorder->OnLevel.Connect([this](TObject* Sender, int Level) { RecorderLevel(Sender, Level); }));
    FRecorderConnections.push_back(FRecorder->OnData.Connect(
        [this](TObject* Sender, const std::uint8_t* Buffer, std::uint32_t BufferSize) {
            RecorderData(Sender, Buffer, BufferSize);
        }));
    FRecorderConnections.push_back(FRecorder->OnDeactivate.Connect([this](TObject*) {
        if (!FReopenPending) return;
        FReopenPending = false;
        FRecorder->Activate();
    }));
    FRecorderConnections.push_back(
        FRecorder->OnAvailabilityChange.Connect([this](TObject*) { OnAvailabilityChange(this); }));
    FRecorder->Activate();
}

bool TFFSKReceiver::InputLost() const
{
    return FRecorder->DeviceLost();
}

const std::string& TFFSKReceiver::LossReason() const
{
    return FRecorder->LossReason();
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

void TFFSKReceiver::RecorderData(TObject*, const std::uint8_t* Buffer, std::uint32_t BufferSize)
{
    // Only the recorded samples are demodulated: a buffer handed back while
    // the stream closes is partly filled, and the rest of its memory holds
    // audio that was already demodulated.
    const std::uint32_t samples = std::min(BufferSize / 2, BufferSamples);
    for (std::uint32_t i = 0; i < samples; ++i) FSamples[i] = Sample16(Buffer + 2 * i);
    FDecoder.DecodeBuffer(std::span(FSamples).first(samples));
}
