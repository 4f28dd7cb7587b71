#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

#include "StationFixture.h"
#include "base/RealTimeLoop.h"
#include "base/ShutdownSignals.h"
#include "base/VirtualLoop.h"
#include "rig/untInterface.h"
#include "station/untFFSKTransmitter.h"
#include "tests/support/ChildProcess.h"

namespace {

// Child exit codes that name the check that failed.
enum { Ok = 0, NotShutDown = 10, StillKeyed = 11, PortStillOpen = 12, NoPttOffReport = 13, NotKeyed = 14 };

} // namespace

TEST(ShutdownSignals, FirstSignalRunsTheOrderlyShutdownAndExitsZero)
{
    for (const int signo : {SIGINT, SIGTERM, SIGHUP}) {
        const int status = WaitStatusInChild([signo] {
            TRealTimeLoop loop;
            bool shutDown = false;
            TShutdownSignals signals([&] {
                shutDown = true;
                loop.Quit();
            });
            kill(getpid(), signo);
            loop.Run();
            return shutDown ? Ok : NotShutDown;
        });
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << signo;
        EXPECT_EQ(WEXITSTATUS(status), Ok) << "signal " << signo;
    }
}

TEST(ShutdownSignals, SecondSignalDuringShutdownEndsAtOnce)
{
    const int status = WaitStatusInChild([] {
        TRealTimeLoop loop;
        // A shutdown that never finishes.
        TShutdownSignals signals([] {});
        kill(getpid(), SIGTERM);
        loop.RunForMs(200);
        kill(getpid(), SIGTERM);
        loop.RunForMs(5000);
        return NotShutDown;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
}

TEST(ShutdownSignals, StationKeyedMidTransmissionIsReleasedOnTheWayOut)
{
    const int status = WaitStatusInChild([] {
        TVirtualLoop loop;
        std::unique_ptr<TSimulatedStation> station;
        bool shutDown = false;
        TShutdownSignals signals([&] {
            station->transceiver.reset();
            shutDown = true;
        });
        station = std::make_unique<TSimulatedStation>(RtsStationSettings("Anna", 400));
        // Keyed on the serial line first, then through a USB interface that
        // arrives mid-transmission and takes the keying over.
        TFFSKTranceiver& t = station->Open();
        t.SendText(std::string(150, 'x'));
        loop.AdvanceByMs(5600);
        if (!station->Rts() || !t.Transmitter().TX()) return NotKeyed;
        const std::string usb = station->hid.Plug(0x07A0, 0x1001);
        loop.AdvanceByMs(10);
        t.RigInterface().SetTransmitRequest(true, false);
        if (!t.RigInterface().UsbConnected()) return NotKeyed;
        station->hid.ClearWritten(usb);
        t.RigInterface().SetTransmitRequest(false, false);
        t.RigInterface().SetTransmitRequest(true, false);
        if (station->hid.Written(usb).empty()) return NotKeyed;

        kill(getpid(), SIGTERM);
        loop.WaitUntil([&] { return shutDown; }, 5000);
        if (!shutDown) return NotShutDown;
        const auto written = station->hid.Written(usb);
        // The last output report is the PTT-off one.
        if (written.empty() || written.back().size() < 9 || written.back()[7] != 0x03 || written.back()[8] != 0xFF)
            return NoPttOffReport;
        if (station->serial.IsOpen("COM1")) return PortStillOpen;
        return Ok;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), Ok);
}
