#include "untFFSKReceiver.h"

#include <algorithm>

#include "audio/WaveRecorders.h"
#include "audio/WaveUtils.h"

TFFSKReceiver::TFFSKReceiver(TSoundPlatform& platform, TDetectorKind kind)
    : FDecoder(kind, [this](const TDecodedMessage& message) { OnReceive(this, message); })
    , FSamples(BufferSamples)
{
    FRecorder = std::make_unique<TLiveAudioRecorder>(platform);
    FRecorder->SetBufferCount(2);
    FRecorder->SetBufferLength(200);
    FRecorder->SetPCMFormat(Mono16bit48000Hz);
    FRecorderConnections.push_back(
        FRecorder->OnLevel.Connect([this](TObject* sender, int level) { RecorderLevel(sender, level); }));
    FRecorderConnections.push_back(
        FRecorder->OnData.Connect([this](TObject* sender, const std::uint8_t* buffer, std::uint32_t bufferSize) {
            RecorderData(sender, buffer, bufferSize);
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

void TFFSKReceiver::RecorderLevel(TObject*, int level)
{
    OnInputLevel(this, level);
}

void TFFSKReceiver::RecorderData(TObject*, const std::uint8_t* buffer, std::uint32_t bufferSize)
{
    // Only the recorded samples are demodulated: a buffer handed back while
    // the stream closes is partly filled, and the rest of its memory holds
    // audio that was already demodulated.
    const std::uint32_t samples = std::min(bufferSize / 2, BufferSamples);
    Samples16(buffer, samples, FSamples.data());
    FDecoder.DecodeBuffer(std::span(FSamples).first(samples));
}
