#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/SystemCallSeam.h"
#include "base/VirtualLoop.h"
#include "tests/faults/FaultStations.h"

// Where in a station's life a call is made.
enum class TPhase { Open, Reconfigure, Keying, Recovery, Shutdown };
const char* PhaseName(TPhase phase);

// What one run of a station's life showed.
struct TKeyingRun {
    std::vector<std::string> Reports; // error reports and exceptions caught
    bool KeyedAfterKeying = false; // the PTT still on once the keying was over
    bool TxAfterKeying = false; // the sequencer still believes it keys
    bool SquelchSettledAfterKeying = false; // receive reports are let through again
    std::size_t QueuedAfterKeying = 0; // texts still waiting in the queue
    bool Recovered = false; // one more text went out once the fault was gone
    std::vector<std::size_t> PhaseEnds; // trace length at the end of each phase
};

// A station's life on the virtual clock: start, a change of the interface
// settings, one text; then, with the fault gone, one more text; then the
// end.
class TKeyingScenario {
public:
    TKeyingScenario(TVirtualLoop& loop, TSystemCallSeam& seam, TFaultStation& station);
    TKeyingRun Run();
    // With the fault gone, one more text goes out: true when the PTT went on
    // and came off again, and nobody believes it is still on. A device that
    // failed to open is attached again first; a station that failed to
    // start is started again.
    bool OneMoreTextGoesOut();

private:
    void Guard(const std::function<void()>& action);
    void MarkPhaseEnd();

    TVirtualLoop& FLoop;
    TSystemCallSeam& FSeam;
    TFaultStation& FStation;
    TKeyingRun FRun;
};

// One call of a clean run for the matrix to fail.
struct TKeyingPoint {
    TSystemCall Call;
    int Nth; // among the main thread's calls of that kind on the device
    TPhase Phase;
};

using TStationFactory = std::function<std::unique_ptr<TFaultStation>(TSystemCallSeam&)>;

// Every main-thread call on the device (and every wake-up descriptor made)
// in a clean run, with its phase.
std::vector<TKeyingPoint> CleanKeyingPoints(const TStationFactory& make);
std::string Describe(const TKeyingPoint& point);
