#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/VirtualLoop.h"
#include "radio/CPort.h"
#include "radio/SimulatedSerialPlatform.h"

namespace {

struct TSignal {
    std::string line;
    bool level;
    bool onMainThread;
    bool operator==(const TSignal& o) const
    {
        return line == o.line && level == o.level && onMainThread == o.onMainThread;
    }
};

std::ostream& operator<<(std::ostream& out, const TSignal& s)
{
    return out << s.line << "=" << s.level << (s.onMainThread ? "" : " (worker thread!)");
}

class ComPortTest : public ::testing::Test {
protected:
    ComPortTest()
    {
        loop.SetErrorReport([this](const std::string& m) { errors.push_back(m); });
    }

    void Record(TComPort& port)
    {
        cts = port.OnCTSChange.Connect([this, &port](TObject* sender, bool on) {
            EXPECT_EQ(sender, &port);
            signals.push_back({"CTS", on, loop.IsMainThread()});
        });
        dsr = port.OnDSRChange.Connect([this, &port](TObject* sender, bool on) {
            EXPECT_EQ(sender, &port);
            signals.push_back({"DSR", on, loop.IsMainThread()});
        });
    }

    // Serves the main loop until the event thread has handed over n signals.
    bool WaitForSignals(std::size_t n)
    {
        return loop.WaitUntil([&] { return signals.size() >= n; }, 5000);
    }

    TVirtualLoop loop;
    TSimulatedSerialPlatform serial;
    std::vector<TSignal> signals;
    std::vector<std::string> errors;
    TConnection cts;
    TConnection dsr;
};

} // namespace

TEST_F(ComPortTest, OpenCloseAndReopenEachOnlyOnce)
{
    TComPort port(serial);
    port.SetPort("COM4");
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(serial.IsOpen("COM4"));
    ASSERT_TRUE(loop.WaitUntil([&] { return serial.Watched("COM4"); }, 5000)) << "no event thread waits";

    port.OpenPort(); // already open: nothing
    EXPECT_EQ(serial.OpenCount("COM4"), 1);

    port.ClosePort();
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(serial.IsOpen("COM4"));
    EXPECT_FALSE(serial.Watched("COM4")) << "event thread still waiting after close";
    port.ClosePort(); // already closed: nothing

    port.OpenPort();
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(serial.OpenCount("COM4"), 2);
}

TEST_F(ComPortTest, PortHeldElsewhereFailsWithCode1AndStaysClosed)
{
    TComPort first(serial);
    TComPort second(serial);
    first.OpenPort();
    try {
        second.OpenPort();
        FAIL() << "second open succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_EQ(e.Error(), EBUSY);
        EXPECT_EQ(e.Message(), "Unable to open com port: open COM1: Device or resource busy");
    }
    EXPECT_FALSE(second.Connected());
    EXPECT_TRUE(first.Connected());

    serial.SetBusy("COM2", true);
    second.SetPort("COM2");
    EXPECT_THROW(second.OpenPort(), EComPort);
    serial.SetAbsent("COM3", true);
    second.SetPort("COM3");
    try {
        second.OpenPort();
        FAIL() << "absent port opened";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_EQ(e.Error(), ENOENT);
    }
    EXPECT_FALSE(second.Connected());
}

TEST_F(ComPortTest, BothLinesLowAfterOpenAndDrivenOneAtATime)
{
    TComPort port(serial);
    port.OpenPort();
    EXPECT_FALSE(serial.RTS("COM1"));
    EXPECT_FALSE(serial.DTR("COM1"));
    port.SetRTS(true);
    EXPECT_TRUE(serial.RTS("COM1"));
    EXPECT_FALSE(serial.DTR("COM1"));
    port.SetDTR(true);
    port.SetRTS(false);
    EXPECT_FALSE(serial.RTS("COM1"));
    EXPECT_TRUE(serial.DTR("COM1"));
    port.ClosePort();
    port.OpenPort();
    EXPECT_FALSE(serial.RTS("COM1"));
    EXPECT_FALSE(serial.DTR("COM1"));
}

TEST_F(ComPortTest, OpenReportsCurrentLevelsAndCloseReportsThemLow)
{
    serial.SetCTS("COM1", true);
    TComPort port(serial);
    Record(port);
    port.OpenPort();
    EXPECT_EQ(signals, (std::vector<TSignal> {{"CTS", true, true}, {"DSR", false, true}}));
    signals.clear();
    port.ClosePort();
    EXPECT_EQ(signals, (std::vector<TSignal> {{"CTS", false, true}, {"DSR", false, true}}));
}

TEST_F(ComPortTest, LineChangesArriveOnTheMainThreadWithTheLevelReadThen)
{
    TComPort port(serial);
    Record(port);
    port.OpenPort();
    signals.clear();

    serial.SetCTS("COM1", true);
    ASSERT_TRUE(WaitForSignals(1));
    serial.SetDSR("COM1", true);
    ASSERT_TRUE(WaitForSignals(2));
    serial.SetCTS("COM1", false);
    ASSERT_TRUE(WaitForSignals(3));
    EXPECT_EQ(signals, (std::vector<TSignal> {{"CTS", true, true}, {"DSR", true, true}, {"CTS", false, true}}));
    EXPECT_TRUE(errors.empty());
}

TEST_F(ComPortTest, ChangeWithoutSubscriberIsConsumedSilently)
{
    TComPort port(serial);
    Record(port);
    cts.Disconnect();
    port.OpenPort();
    signals.clear();
    serial.SetCTS("COM1", true);
    serial.SetDSR("COM1", true);
    ASSERT_TRUE(WaitForSignals(1));
    port.ClosePort();
    EXPECT_EQ(signals, (std::vector<TSignal> {{"DSR", true, true}, {"DSR", false, true}}));
    EXPECT_TRUE(errors.empty());
}

TEST_F(ComPortTest, SameNameDoesNothingNewNameReopens)
{
    TComPort port(serial);
    Record(port);
    port.OpenPort();
    signals.clear();
    port.SetPort("COM1");
    EXPECT_TRUE(signals.empty());
    EXPECT_EQ(serial.OpenCount("COM1"), 1);

    serial.SetDSR("COM5", true);
    port.SetPort("COM5");
    EXPECT_EQ(port.Port(), "COM5");
    EXPECT_TRUE(port.Connected());
    EXPECT_FALSE(serial.IsOpen("COM1"));
    EXPECT_TRUE(serial.IsOpen("COM5"));
    EXPECT_EQ(signals,
        (std::vector<TSignal> {{"CTS", false, true}, {"DSR", false, true}, {"CTS", false, true}, {"DSR", true, true}}));

    port.ClosePort();
    port.SetPort("COM6"); // closed: only the name changes
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(serial.OpenCount("COM6"), 0);
}

TEST_F(ComPortTest, FailingCallsRaiseTheirCodes)
{
    TComPort port(serial);
    const struct {
        TSerialCall call;
        int code;
    } openSteps[] = {{TSerialCall::SetLineState, 7}, {TSerialCall::SetTimeouts, 8}};
    for (const auto& step : openSteps) {
        serial.FailCall("COM1", step.call, EIO);
        try {
            port.OpenPort();
            ADD_FAILURE() << "open succeeded";
        } catch (const EComPort& e) {
            EXPECT_EQ(e.Code(), step.code);
            EXPECT_EQ(e.Error(), EIO);
        }
        EXPECT_FALSE(port.Connected());
        EXPECT_FALSE(serial.IsOpen("COM1"));
        serial.FailCall("COM1", step.call, 0);
    }

    port.OpenPort();
    serial.FailCall("COM1", TSerialCall::SetRTS, EIO);
    try {
        port.SetRTS(true);
        ADD_FAILURE() << "SetRTS succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 12);
        EXPECT_EQ(e.Message(), "Unable to set a control line of the com port: ioctl TIOCMBIS COM1: Input/output error");
    }
    serial.FailCall("COM1", TSerialCall::SetDTR, EPERM);
    EXPECT_THROW(port.SetDTR(true), EComPort);

    serial.FailCall("COM1", TSerialCall::GetModemLines, EIO);
    try {
        port.ModemSignals();
        ADD_FAILURE() << "ModemSignals succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 11);
    }
    serial.FailCall("COM1", TSerialCall::GetModemLines, 0);

    serial.FailCall("COM1", TSerialCall::Purge, EIO);
    try {
        port.ClosePort();
        ADD_FAILURE() << "close succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 5);
    }
    EXPECT_TRUE(port.Connected()) << "a failed purge leaves the port open";
    serial.FailCall("COM1", TSerialCall::Purge, 0);
    port.ClosePort();
    EXPECT_FALSE(serial.IsOpen("COM1"));

    try {
        port.SetRTS(true);
        ADD_FAILURE() << "SetRTS on a closed port succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 12);
    }
}

TEST_F(ComPortTest, UnreadableLinesAtOpenLeaveThePortClosed)
{
    TComPort port(serial);
    Record(port);
    serial.FailCall("COM1", TSerialCall::GetModemLines, EIO);
    try {
        port.OpenPort();
        FAIL() << "open succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 11);
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(serial.IsOpen("COM1"));
    serial.FailCall("COM1", TSerialCall::GetModemLines, 0);
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortTest, FailedReadInDispatchIsReportedAndTheThreadCarriesOn)
{
    TComPort port(serial);
    Record(port);
    port.OpenPort();
    signals.clear();
    serial.FailCall("COM1", TSerialCall::GetModemLines, EIO);
    serial.SetCTS("COM1", true);
    ASSERT_TRUE(loop.WaitUntil([&] { return !errors.empty(); }, 5000));
    EXPECT_EQ(errors[0], "Unable to read the com port's input lines: ioctl TIOCMGET COM1: Input/output error");
    serial.FailCall("COM1", TSerialCall::GetModemLines, 0);
    serial.SetDSR("COM1", true);
    ASSERT_TRUE(WaitForSignals(1));
    EXPECT_EQ(signals, (std::vector<TSignal> {{"DSR", true, true}}));
}

TEST_F(ComPortTest, ClosingFromInsideALineEventDoesNotDeadlock)
{
    TComPort port(serial);
    port.OpenPort();
    bool closed = false;
    TConnection closer = port.OnCTSChange.Connect([&](TObject*, bool on) {
        if (on && port.Connected()) {
            port.ClosePort();
            closed = true;
        }
    });
    serial.SetCTS("COM1", true);
    ASSERT_TRUE(loop.WaitUntil([&] { return closed; }, 5000));
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(serial.IsOpen("COM1"));
    closer.Disconnect();
    port.OpenPort(); // and the port is usable again
    EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortTest, DestroyingWithAChangeInFlightEndsTheThread)
{
    for (int i = 0; i < 20; ++i) {
        auto port = std::make_unique<TComPort>(serial);
        Record(*port);
        port->OpenPort();
        serial.SetCTS("COM1", i % 2 == 0);
        serial.SetDSR("COM1", i % 2 == 0);
        port.reset(); // the hand-off may be pending: the close serves it
        EXPECT_FALSE(serial.IsOpen("COM1"));
        EXPECT_FALSE(serial.Watched("COM1"));
    }
    loop.RunPending();
    for (const TSignal& s : signals) EXPECT_TRUE(s.onMainThread);
}
