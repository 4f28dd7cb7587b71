#include "audio/VirtualCable.h"

#include <algorithm>

#include "audio/SignalHistory.h"
#include "audio/SimulatedClock.h"
#include "audio/SimulatedSoundCard.h"
#include "base/MainLoop.h"

TVirtualCable::TVirtualCable(TSimulatedSoundCard& from, TSimulatedSoundCard& to)
    : FFrom(from)
    , FTo(to)
{
    FFrom.FCablesOut.push_back(this);
    FTo.FCablesIn.push_back(this);
}

TVirtualCable::~TVirtualCable()
{
    std::erase(FFrom.FCablesOut, this);
    std::erase(FTo.FCablesIn, this);
}

void TVirtualCable::SetNoise(double rms, std::uint32_t seed)
{
    FNoiseRms = rms;
    FNoise.seed(seed);
    FGauss.reset();
}

void TVirtualCable::SetClockSkewPpm(double ppm)
{
    FSkewPpm = ppm;
    FSkewAnchorTick = TMainLoop::Exists() ? static_cast<double>(SimulatedClock::NowTicks()) : 0.0;
}

double TVirtualCable::ValueAt(double tick)
{
    const double source = FSkewPpm == 0.0 ? tick : FSkewAnchorTick + (tick - FSkewAnchorTick) / (1.0 + FSkewPpm * 1e-6);
    double value = FFrom.OutputSignal().ValueAt(source) * FGain + FDcOffset;
    if (FNoiseRms > 0.0) value += FGauss(FNoise) * FNoiseRms;
    return value;
}
