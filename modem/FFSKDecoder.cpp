#include "FFSKDecoder.h"

#include <algorithm>
#include <vector>

TFFSKDecoder::TFFSKDecoder(TDetectorKind Kind, TDeliver Deliver)
    : FDetector(MakeBitDetector(Kind))
    , FAssembler(std::move(Deliver))
{
    FBitTrace.reserve(TraceLength + 1);
}

TFFSKDecoder::~TFFSKDecoder() = default;

void TFFSKDecoder::DecodeBuffer(std::span<const std::int16_t> Samples)
{
    if (!Samples.empty()) FDetector->Demodulate(Samples, *this);
    FAssembler.BufferEnded();
}

void TFFSKDecoder::DecodeRecording(std::span<const std::int16_t> Samples)
{
    while (Samples.size() >= BufferSamples) {
        DecodeBuffer(Samples.first(BufferSamples));
        Samples = Samples.subspan(BufferSamples);
    }
    std::vector<std::int16_t> last(BufferSamples, 0);
    if (!Samples.empty()) {
        std::copy(Samples.begin(), Samples.end(), last.begin());
        DecodeBuffer(last);
        std::fill(last.begin(), last.end(), 0);
    }
    for (int i = 0; i < 2; ++i) DecodeBuffer(last);
}

void TFFSKDecoder::BitDecided(const TBitDecision& Decision)
{
    ++FBitCount;
    FAssembler.BitDecided(Decision);
    if (FBitTrace.size() == TraceLength) FBitTrace.erase(0, 1);
    FBitTrace.push_back(Decision.Symbol);
}
