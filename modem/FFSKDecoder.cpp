#include "FFSKDecoder.h"

#include <algorithm>
#include <vector>

TFFSKDecoder::TFFSKDecoder(TDetectorKind kind, TDeliver deliver)
    : FDetector(MakeBitDetector(kind))
    , FAssembler(std::move(deliver))
{
    FBitTrace.reserve(TraceLength + 1);
}

TFFSKDecoder::~TFFSKDecoder() = default;

void TFFSKDecoder::DecodeBuffer(std::span<const std::int16_t> samples)
{
    if (!samples.empty()) FDetector->Demodulate(samples, *this);
    FAssembler.BufferEnded();
}

void TFFSKDecoder::DecodeRecording(std::span<const std::int16_t> samples)
{
    while (samples.size() >= BufferSamples) {
        DecodeBuffer(samples.first(BufferSamples));
        samples = samples.subspan(BufferSamples);
    }
    std::vector<std::int16_t> last(BufferSamples, 0);
    if (!samples.empty()) {
        std::copy(samples.begin(), samples.end(), last.begin());
        DecodeBuffer(last);
        std::fill(last.begin(), last.end(), 0);
    }
    for (int i = 0; i < 2; ++i) DecodeBuffer(last);
}

void TFFSKDecoder::BitDecided(const TBitDecision& decision)
{
    FAssembler.BitDecided(decision);
    if (FBitTrace.size() == TraceLength) FBitTrace.erase(0, 1);
    FBitTrace.push_back(decision.Symbol);
}
