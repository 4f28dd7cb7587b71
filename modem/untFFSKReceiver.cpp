#include "untFFSKReceiver.h"

#include <algorithm>

#include "audio/WaveRecorders.h"

TFFSKReceiver::TFFSKReceiver(TSoundPlatform& platform, TDetectorKind Kind)
    : FKind(Kind)
    , FDetector(MakeBitDetector(Kind))
    , FAssembler([this](bool MessIsSMS, const std::string& RxString) { OnReceive(this, MessIsSMS, RxString); })
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
    FRecorder->OnDeactivate = [this](TObject*) {
        if (!FReopenPending) return;
        FReopenPending = false;
        FRecorder->Activate();
    };
    FAvailabilityConnection =
        FRecorder->OnAvailabilityChange.Connect([this](TObject*) { OnAvailabilityChange(this); });
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

void TFFSKReceiver::RecorderData(TObject*, std::uint8_t* Buffer, std::uint32_t BufferSize, bool&)
{
    // Only the recorded samples are demodulated: a buffer handed back while
    // the stream closes is partly filled, and the rest of its memory holds
    // audio that was already demodulated.
    const std::uint32_t samples = std::min(BufferSize / 2, BufferSamples);
    if (samples > 0) FDetector->Demodulate(Buffer, samples, *this);
    FAssembler.BufferEnded();
}

void TFFSKReceiver::BitDecided(TBitValue Value, char Symbol)
{
    if (Value == TBitValue::Zero || Value == TBitValue::One) FAssembler.ShiftBit(Value == TBitValue::One);
    if (Value == TBitValue::Lost) FAssembler.ClearRegister();
    FBitTrace.push_back(Symbol);
    if (FBitTrace.size() > TraceLength) FBitTrace.erase(0, 1);
    OnBitReceive(this, FBitTrace);
}
