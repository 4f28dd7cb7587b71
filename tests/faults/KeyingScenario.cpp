#include "tests/faults/KeyingScenario.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTransmitter.h"

namespace {
// Enough virtual time for a text to leave the 5 s queue, key, wait the
// courtesy delay, sound and release.
constexpr int OneTextMs = 8000;
constexpr int StepMs = 20;
} // namespace

const char* PhaseName(TPhase phase)
{
    switch (phase) {
    case TPhase::Open:
        return "open";
    case TPhase::Reconfigure:
        return "reconfigure";
    case TPhase::Keying:
        return "keying";
    case TPhase::Recovery:
        return "recovery";
    case TPhase::Shutdown:
        return "shutdown";
    }
    return "?";
}

TKeyingScenario::TKeyingScenario(TVirtualLoop& loop, TSystemCallSeam& seam, TFaultStation& station)
    : FLoop(loop)
    , FSeam(seam)
    , FStation(station)
{
    FLoop.SetErrorReport([this](const std::string& message) { FRun.Reports.push_back(message); });
}

TKeyingRun TKeyingScenario::Run()
{
    Guard([&] { FStation.Open(); });
    MarkPhaseEnd();
    if (FStation.transceiver) Guard([&] { FStation.transceiver->Settings().SetRigComUnusedHight(true); });
    MarkPhaseEnd();
    if (FStation.transceiver) {
        FStation.transceiver->SendText("fault");
        FLoop.AdvanceByMs(OneTextMs);
        FRun.KeyedAfterKeying = FStation.Keyed();
        FRun.TxAfterKeying = FStation.transceiver->Transmitter().TX();
        FRun.SquelchSettledAfterKeying = FStation.transceiver->RigInterface().SquelchSettled();
        FRun.QueuedAfterKeying = FStation.transceiver->Transmitter().Queued();
    }
    MarkPhaseEnd();
    FRun.Recovered = OneMoreTextGoesOut();
    MarkPhaseEnd();
    FStation.transceiver.reset();
    MarkPhaseEnd();
    return FRun;
}

bool TKeyingScenario::OneMoreTextGoesOut()
{
    if (!FStation.transceiver) Guard([&] { FStation.Open(); });
    if (!FStation.transceiver) return false;
    Guard([&] { FStation.Reattach(); });
    FStation.transceiver->SendText("again");
    bool wentOn = false;
    for (int ms = 0; ms < 2 * OneTextMs; ms += StepMs) {
        FLoop.AdvanceByMs(StepMs);
        wentOn = wentOn || FStation.Keyed();
        if (wentOn && !FStation.transceiver->Transmitter().TX()) break;
    }
    return wentOn && !FStation.Keyed() && !FStation.transceiver->Transmitter().TX()
        && !FStation.transceiver->RigInterface().Ptt();
}

void TKeyingScenario::Guard(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        FRun.Reports.push_back(e.Message());
    }
}

void TKeyingScenario::MarkPhaseEnd()
{
    FRun.PhaseEnds.push_back(FSeam.Trace("").size());
}

std::vector<TKeyingPoint> CleanKeyingPoints(const TStationFactory& make)
{
    TVirtualLoop loop;
    TSystemCallSeam seam;
    std::unique_ptr<TFaultStation> station = make(seam);
    EXPECT_TRUE(station->Ok());
    TKeyingScenario scenario(loop, seam, *station);
    const TKeyingRun run = scenario.Run();
    EXPECT_EQ(run.Reports, std::vector<std::string> {});
    EXPECT_TRUE(run.Recovered);
    const std::vector<TSystemCallRecord> trace = seam.Trace("");
    std::vector<TKeyingPoint> points;
    std::vector<int> seen(64, 0);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const TSystemCallRecord& record = trace[i];
        if (!record.ArmingThread) continue;
        if (record.Path != station->DevicePath() && record.Call != TSystemCall::Eventfd) continue;
        std::size_t phase = 0;
        while (phase + 1 < run.PhaseEnds.size() && i >= run.PhaseEnds[phase]) ++phase;
        points.push_back({record.Call, ++seen[static_cast<std::size_t>(record.Call)], static_cast<TPhase>(phase)});
    }
    return points;
}

std::string Describe(const TKeyingPoint& point)
{
    return std::string(SystemCallName(point.Call)) + " #" + std::to_string(point.Nth) + " at " + PhaseName(point.Phase);
}
