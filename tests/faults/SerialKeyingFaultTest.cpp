#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "base/VirtualLoop.h"
#include "radio/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTransmitter.h"
#include "tests/faults/PtyStation.h"

namespace {

// Where in a station's life a call is made.
enum class TPhase { Open, Reconfigure, Keying, Recovery, Shutdown };

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

// One call of the clean run that the matrix fails.
struct TPoint {
    TSystemCall Call;
    int Nth; // among the main thread's calls of that kind on the port
    TPhase Phase;
};

// Enough virtual time for a text to leave the 5 s queue, key, wait the
// courtesy delay, sound and release.
constexpr int OneTextMs = 8000;

// What one run of a station's life showed.
struct TRun {
    std::vector<std::string> Reports; // error reports and exceptions caught
    bool KeyedAfterKeying = false; // RTS still up once the keying was over
    bool TxAfterKeying = false; // the sequencer still believes it keys
    bool Recovered = false; // one more text went out once the fault was gone
    std::vector<std::size_t> PhaseEnds; // trace length at the end of each phase
};

class TSerialScenario {
public:
    TSerialScenario(TVirtualLoop& loop, TSystemCallSeam& seam, TPtyStation& station)
        : FLoop(loop)
        , FSeam(seam)
        , FStation(station)
    {
        FLoop.SetErrorReport([this](const std::string& message) { FRun.Reports.push_back(message); });
    }

    // Start, a change of the interface settings, one text; then, with the
    // fault gone, one more text; then the end.
    TRun Run()
    {
        Guard([&] { FStation.Open(); });
        MarkPhaseEnd();
        if (FStation.transceiver) Guard([&] { FStation.transceiver->Settings().SetRigComUnusedHight(true); });
        MarkPhaseEnd();
        if (FStation.transceiver) {
            FStation.transceiver->SendText("fault");
            FLoop.AdvanceByMs(OneTextMs);
            FRun.KeyedAfterKeying = FStation.Rts();
            FRun.TxAfterKeying = FStation.transceiver->Transmitter().TX();
        }
        MarkPhaseEnd();
        FRun.Recovered = OneMoreTextGoesOut();
        MarkPhaseEnd();
        FStation.transceiver.reset();
        MarkPhaseEnd();
        return FRun;
    }

    // With the fault gone, one more text goes out: true when RTS went up
    // and came down again. A port that failed to open is opened again by a
    // settings change, as an operator would make it; a station that failed
    // to start is started again.
    bool OneMoreTextGoesOut()
    {
        if (!FStation.transceiver) Guard([&] { FStation.Open(); });
        if (!FStation.transceiver) return false;
        TInterface& rig = FStation.transceiver->RigInterface();
        if (!rig.ComPortOpen()) Guard([&] { FStation.transceiver->Settings().SetRigComUnusedHight(false); });
        FStation.transceiver->SendText("again");
        bool wentUp = false;
        for (int ms = 0; ms < 2 * OneTextMs; ms += 20) {
            FLoop.AdvanceByMs(20);
            wentUp = wentUp || FStation.Rts();
            if (wentUp && !FStation.transceiver->Transmitter().TX()) break;
        }
        return wentUp && !FStation.Rts() && !FStation.transceiver->Transmitter().TX() && !rig.Ptt();
    }

private:
    template <typename F> void Guard(F action)
    {
        try {
            action();
        } catch (const Exception& e) {
            FRun.Reports.push_back(e.Message());
        }
    }
    void MarkPhaseEnd() { FRun.PhaseEnds.push_back(FSeam.Trace("").size()); }

    TVirtualLoop& FLoop;
    TSystemCallSeam& FSeam;
    TPtyStation& FStation;
    TRun FRun;
};

bool OnThePort(const TSystemCallRecord& record, const std::string& port)
{
    return record.ArmingThread && (record.Path == port || record.Call == TSystemCall::Eventfd);
}

// Every main-thread call on the port in a clean run, with its phase.
std::vector<TPoint> CleanPoints()
{
    TVirtualLoop loop;
    TSystemCallSeam seam;
    TPtyStation station(seam);
    EXPECT_TRUE(station.Ok());
    TSerialScenario scenario(loop, seam, station);
    const TRun run = scenario.Run();
    EXPECT_EQ(run.Reports, std::vector<std::string> {});
    EXPECT_FALSE(run.KeyedAfterKeying);
    const std::vector<TSystemCallRecord> trace = seam.Trace("");
    std::vector<TPoint> points;
    std::vector<int> seen(32, 0);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        if (!OnThePort(trace[i], station.PortPath())) continue;
        std::size_t phase = 0;
        while (phase + 1 < run.PhaseEnds.size() && i >= run.PhaseEnds[phase]) ++phase;
        points.push_back({trace[i].Call, ++seen[static_cast<int>(trace[i].Call)], static_cast<TPhase>(phase)});
    }
    return points;
}

std::string Describe(const TPoint& point)
{
    return std::string(SystemCallName(point.Call)) + " #" + std::to_string(point.Nth) + " at " + PhaseName(point.Phase);
}

} // namespace

TEST(SerialKeyingFaults, TheCleanRunKeysAndReleasesRtsThroughTheRealBackEnd)
{
    TVirtualLoop loop;
    TSystemCallSeam seam;
    TPtyStation station(seam);
    ASSERT_TRUE(station.Ok());
    station.Open();
    EXPECT_TRUE(station.transceiver->RigInterface().ComPortOpen());
    EXPECT_FALSE(station.Rts()) << "RTS is raised by the open and must be dropped";
    TSerialScenario scenario(loop, seam, station);
    EXPECT_TRUE(scenario.OneMoreTextGoesOut());
    station.transceiver.reset();
    EXPECT_EQ(seam.ModemLines(station.PortPath()) & (TIOCM_RTS | TIOCM_DTR), 0);
}

// Each call the serial port makes on the main thread in one phase of a
// station's life, failed in turn.
class SerialKeyingFaultMatrix : public ::testing::TestWithParam<TPhase> { };

TEST_P(SerialKeyingFaultMatrix, EachCallFailedLeavesTheRadioUnkeyedReportsOnceAndKeyingWorksAgain)
{
    std::vector<TPoint> points = CleanPoints();
    std::erase_if(points, [](const TPoint& point) { return point.Phase != GetParam(); });
    ASSERT_FALSE(points.empty());
    for (const TPoint& point : points) {
        SCOPED_TRACE(Describe(point));
        const std::size_t descriptors = OpenDescriptorCount();
        {
            TVirtualLoop loop;
            TSystemCallSeam seam;
            TPtyStation station(seam);
            ASSERT_TRUE(station.Ok());
            seam.Fail({point.Call, point.Nth, EIO,
                point.Call == TSystemCall::Eventfd ? std::string("eventfd") : station.PortPath()});
            TSerialScenario scenario(loop, seam, station);
            const TRun run = scenario.Run();

            EXPECT_EQ(seam.Injected(), 1);
            EXPECT_FALSE(run.KeyedAfterKeying) << "the radio was left keyed";
            EXPECT_FALSE(run.TxAfterKeying) << "the sequencer still believes it keys";
            EXPECT_LE(run.Reports.size(), 1u) << (run.Reports.empty() ? "" : run.Reports.back());
            const bool lineWrite = point.Call == TSystemCall::LinesSet || point.Call == TSystemCall::LinesClear;
            if ((point.Phase == TPhase::Keying || point.Phase == TPhase::Recovery) && lineWrite) {
                EXPECT_EQ(run.Reports.size(), 1u);
                if (!run.Reports.empty()) {
                    EXPECT_EQ(run.Reports[0],
                        "EscapeCommFunction function failed (win error code: " + std::to_string(EIO) + ")");
                }
            }
            EXPECT_TRUE(run.Recovered) << "keying did not work again";
            EXPECT_EQ(seam.ModemLines(station.PortPath()) & (TIOCM_RTS | TIOCM_DTR), 0);
            // Nothing of the port is left held: a new station takes it.
            if (point.Phase == TPhase::Shutdown) {
                EXPECT_TRUE(scenario.OneMoreTextGoesOut());
            }
        }
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
    }
}

INSTANTIATE_TEST_SUITE_P(Phases, SerialKeyingFaultMatrix,
    ::testing::Values(TPhase::Open, TPhase::Reconfigure, TPhase::Keying, TPhase::Recovery, TPhase::Shutdown),
    [](const ::testing::TestParamInfo<TPhase>& info) {
        std::string name = PhaseName(info.param);
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        return name;
    });
