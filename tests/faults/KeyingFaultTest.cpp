#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <tuple>
#include <vector>

#include "rig/untInterface.h"
#include "station/untFFSKTransmitter.h"
#include "tests/faults/KeyingScenario.h"

namespace {

enum class TKeyingDevice { Serial, Usb };

std::unique_ptr<TFaultStation> MakeStation(TKeyingDevice device, TSystemCallSeam& seam)
{
    if (device == TKeyingDevice::Serial) return std::make_unique<TSerialFaultStation>(seam);
    return std::make_unique<TUsbFaultStation>();
}

bool IsPttWrite(TKeyingDevice device, TSystemCall call)
{
    if (device == TKeyingDevice::Usb) return call == TSystemCall::Write;
    return call == TSystemCall::LinesSet || call == TSystemCall::LinesClear;
}

// The message of a failed PTT write with EIO.
std::string PttWriteError(TKeyingDevice device, TSystemCall call, const std::string& path)
{
    if (device == TKeyingDevice::Usb)
        return "Unable to write to the USB device. (" + path + ": error " + std::to_string(EIO)
            + ", Input/output error)";
    return std::string("Unable to set a control line of the com port: ioctl ")
        + (call == TSystemCall::LinesSet ? "TIOCMBIS " : "TIOCMBIC ") + path + ": Input/output error";
}

} // namespace

TEST(KeyingFaults, TheCleanRunKeysAndReleasesThroughTheRealBackEnds)
{
    for (const TKeyingDevice device : {TKeyingDevice::Serial, TKeyingDevice::Usb}) {
        TVirtualLoop loop;
        TSystemCallSeam seam;
        std::unique_ptr<TFaultStation> station = MakeStation(device, seam);
        ASSERT_TRUE(station->Ok());
        station->Open();
        EXPECT_FALSE(station->Keyed()) << "the PTT must be off after the open";
        TKeyingScenario scenario(loop, seam, *station);
        EXPECT_TRUE(scenario.OneMoreTextGoesOut());
    }
}

// The worker that watches a device's input (the serial line watcher, the
// HID reader) meets a failing read: it ends without a word, and keying goes
// on.
TEST(KeyingFaults, AWorkerWhoseReadFailsEndsQuietlyAndKeyingGoesOn)
{
    for (const TKeyingDevice device : {TKeyingDevice::Serial, TKeyingDevice::Usb}) {
        SCOPED_TRACE(device == TKeyingDevice::Serial ? "serial" : "USB");
        const std::size_t descriptors = OpenDescriptorCount();
        {
            TVirtualLoop loop;
            TSystemCallSeam seam;
            std::unique_ptr<TFaultStation> station = MakeStation(device, seam);
            ASSERT_TRUE(station->Ok());
            TKeyingScenario scenario(loop, seam, *station);
            station->Open();
            const TSystemCall read = device == TKeyingDevice::Serial ? TSystemCall::LinesGet : TSystemCall::Read;
            seam.Fail({read, 1, EIO, station->DevicePath(), true});
            station->StirInput();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (seam.Injected() == 0 && std::chrono::steady_clock::now() < deadline) {
                loop.RunPending();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ASSERT_EQ(seam.Injected(), 1);
            EXPECT_TRUE(scenario.OneMoreTextGoesOut());
            station->transceiver.reset();
            EXPECT_EQ(scenario.Run().Reports, std::vector<std::string> {}) << "a second life of the station failed";
        }
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
    }
}

// Each call a keying device's back end makes on the main thread in one phase
// of a station's life, failed in turn with EIO.
class KeyingFaultMatrix : public ::testing::TestWithParam<std::tuple<TKeyingDevice, TPhase>> { };

TEST_P(KeyingFaultMatrix, EachCallFailedLeavesTheRadioUnkeyedReportsOnceAndKeyingWorksAgain)
{
    const auto [device, phase] = GetParam();
    const TStationFactory make = [device](TSystemCallSeam& seam) { return MakeStation(device, seam); };
    std::vector<TKeyingPoint> points = CleanKeyingPoints(make);
    std::erase_if(points, [phase](const TKeyingPoint& point) { return point.Phase != phase; });
    ASSERT_FALSE(points.empty());
    // The first PTT write of the keying keys the radio; a text whose keying
    // failed stays queued for the next turn.
    const auto key = std::find_if(
        points.begin(), points.end(), [device](const TKeyingPoint& point) { return IsPttWrite(device, point.Call); });
    for (const TKeyingPoint& point : points) {
        SCOPED_TRACE(Describe(point));
        const std::size_t descriptors = OpenDescriptorCount();
        {
            TVirtualLoop loop;
            TSystemCallSeam seam;
            std::unique_ptr<TFaultStation> station = make(seam);
            ASSERT_TRUE(station->Ok());
            seam.Fail({point.Call, point.Nth, EIO,
                point.Call == TSystemCall::Eventfd ? std::string("eventfd") : station->DevicePath()});
            TKeyingScenario scenario(loop, seam, *station);
            const TKeyingRun run = scenario.Run();

            EXPECT_EQ(seam.Injected(), 1);
            EXPECT_FALSE(run.KeyedAfterKeying) << "the radio was left keyed";
            EXPECT_FALSE(run.TxAfterKeying) << "the sequencer still believes it keys";
            EXPECT_LE(run.Reports.size(), 1u) << (run.Reports.empty() ? "" : run.Reports.back());
            const bool transmitting = phase == TPhase::Keying || phase == TPhase::Recovery;
            if (transmitting && IsPttWrite(device, point.Call)) {
                EXPECT_EQ(
                    run.Reports, std::vector<std::string> {PttWriteError(device, point.Call, station->DevicePath())});
            }
            EXPECT_TRUE(run.Recovered) << "keying did not work again";
            if (phase == TPhase::Keying) {
                EXPECT_TRUE(run.SquelchSettledAfterKeying);
                const bool keyFailed = key != points.end() && key->Call == point.Call && key->Nth == point.Nth;
                EXPECT_EQ(run.QueuedAfterKeying, keyFailed ? 1u : 0u);
            }
            EXPECT_FALSE(station->Keyed());
            // Nothing of the device is left held: a new station takes it.
            if (phase == TPhase::Shutdown) {
                EXPECT_TRUE(scenario.OneMoreTextGoesOut());
            }
        }
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
    }
}

std::string MatrixName(const ::testing::TestParamInfo<std::tuple<TKeyingDevice, TPhase>>& info)
{
    std::string phase = PhaseName(std::get<1>(info.param));
    phase[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(phase[0])));
    return (std::get<0>(info.param) == TKeyingDevice::Serial ? "Serial" : "Usb") + phase;
}

INSTANTIATE_TEST_SUITE_P(Serial, KeyingFaultMatrix,
    ::testing::Combine(::testing::Values(TKeyingDevice::Serial),
        ::testing::Values(TPhase::Open, TPhase::Reconfigure, TPhase::Keying, TPhase::Recovery, TPhase::Shutdown)),
    MatrixName);
// A change of the interface settings leaves the USB interface as it is.
INSTANTIATE_TEST_SUITE_P(Usb, KeyingFaultMatrix,
    ::testing::Combine(::testing::Values(TKeyingDevice::Usb),
        ::testing::Values(TPhase::Open, TPhase::Keying, TPhase::Recovery, TPhase::Shutdown)),
    MatrixName);
