// The USB radio interface and the HID input dispatch under arbitrary
// sequences of plugging, unplugging, input reports, PTT requests and failing
// devices. After every step, once the bus is quiet: nothing crashed, the
// interface is connected exactly when it holds one open reader on a present
// 0x07A0:0x1001 device, connect and disconnect events alternate, an input
// report on that device reports its receive line from data byte 7 (and one on
// any other device reports nothing), only PTT reports are ever written, and
// nothing stays open after the interface is gone.
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FuzzInput.h"
#include "base/VirtualLoop.h"
#include "radio/SimulatedHidBus.h"
#include "radio/untUsbInterface.h"

namespace {

using TBytes = std::vector<std::uint8_t>;
const TBytes PttOff = {0, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x03, 0xFF};
const TBytes PttOn = {0, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x00};
constexpr std::size_t MaxSteps = 120;
constexpr int SettleTimeoutMs = 5000;
constexpr int SettleSpins = 20000;

struct TDevice {
    std::string path;
    bool isInterface = false;
    bool present = true;
};

class TScenario {
public:
    explicit TScenario(TVirtualLoop& loop)
        : FLoop(loop)
    {
    }

    void Run(TFuzzInput& in)
    {
        FUsb = std::make_unique<TUsbInterface>(FBus);
        Watch();
        Settle();
        Check();
        for (std::size_t step = 0; step < MaxSteps && !in.Empty(); ++step) {
            Step(in);
            Settle();
            Check();
        }
        FUsb.reset();
        FLoop.RunPending();
        for (const TDevice& d : FDevices)
            FuzzCheck(FBus.OpenReaders(d.path) == 0 && FBus.OpenWriters(d.path) == 0,
                "a device stays open after the interface is gone");
    }

private:
    void Watch()
    {
        FListeners.push_back(FUsb->OnConnected.Connect([this](TObject*) {
            FuzzCheck(!FConnectedByEvents, "connected twice without a disconnect");
            FConnectedByEvents = true;
        }));
        FListeners.push_back(FUsb->OnDisconnected.Connect([this](TObject*) {
            FuzzCheck(FConnectedByEvents, "disconnected while not connected");
            FConnectedByEvents = false;
        }));
        FListeners.push_back(FUsb->OnRigRxIn.Connect([this](TObject*, bool on) { FRx.push_back(on); }));
    }

    TDevice* Pick(TFuzzInput& in)
    {
        if (FDevices.empty()) return nullptr;
        return &FDevices[in.Byte() % FDevices.size()];
    }

    void Plug(std::uint16_t vendor, std::uint16_t product)
    {
        FDevices.push_back({FBus.Plug(vendor, product),
            vendor == TUsbInterface::VendorID && product == TUsbInterface::ProductID, true});
    }

    void Step(TFuzzInput& in)
    {
        switch (in.Byte() % 10) {
        case 0:
            Plug(TUsbInterface::VendorID, TUsbInterface::ProductID);
            break;
        case 1: {
            const std::uint16_t vendor = in.Word();
            Plug(vendor, in.Word());
            break;
        }
        case 2:
            // Many devices at once, towards the most a list can number.
            for (int n = in.Byte() % 24 + 1; n > 0; --n) Plug(0x046D, 0xC52B);
            break;
        case 3:
            if (TDevice* d = Pick(in); d && d->present) {
                FBus.Unplug(d->path);
                d->present = false;
            }
            break;
        case 4:
            if (TDevice* d = Pick(in)) {
                const std::uint8_t reportId = in.Byte();
                THidData data {};
                for (auto& b : data) b = in.Byte();
                Feed(*d, reportId, data);
            }
            break;
        case 5:
            try {
                FUsb->SetPttOutput(in.Byte() & 1);
            } catch (const EUSBException&) {
                // A refused write is reported to the caller; the invariants still hold.
            }
            break;
        case 6:
            if (TDevice* d = Pick(in)) {
                static constexpr int errors[] = {0, EIO, ENODEV, EPIPE};
                FBus.FailWrites(d->path, errors[in.Byte() % 4]);
            }
            break;
        case 7:
            if (TDevice* d = Pick(in)) FBus.FailOpen(d->path, in.Byte() & 1 ? EACCES : 0);
            break;
        case 8:
            if (TDevice* d = Pick(in)) FBus.FailAttributes(d->path, in.Byte() & 1);
            break;
        case 9:
            if (TDevice* d = Pick(in)) FBus.ShortWrites(d->path, in.Byte() % 9);
            break;
        }
    }

    void Feed(const TDevice& d, std::uint8_t reportId, const THidData& data)
    {
        const bool ours = FUsb->Connected() && FBus.OpenReaders(d.path) > 0;
        const std::size_t before = FRx.size();
        FBus.FeedInput(d.path, reportId, data);
        Settle();
        if (!FUsb->Connected() || !ours) {
            // The reader may have found the device gone meanwhile; a removal
            // reports the receive line high. Nothing else may come.
            for (std::size_t i = before; i < FRx.size(); ++i)
                FuzzCheck(FRx[i], "a report on a foreign device was heard");
            return;
        }
        FuzzCheck(FRx.size() == before + 1,
            "an input report on the interface gave " + std::to_string(FRx.size() - before) + " receive events");
        FuzzCheck(FRx.back() == (data[7] == 0xFF), "the receive line does not follow data byte 7");
    }

    bool ReadersIdle() const
    {
        for (const TDevice& d : FDevices)
            if (!FBus.InputIdle(d.path)) return false;
        return true;
    }

    // Serve device notices and reader hand-offs until every reader waits.
    // Readers usually get there within microseconds: spin briefly before
    // the loop's own wait, which looks again only every 10 ms.
    void Settle()
    {
        FLoop.RunPending();
        for (int spin = 0; spin < SettleSpins && !ReadersIdle(); ++spin) {
            std::this_thread::yield();
            FLoop.RunPending();
        }
        FuzzCheck(FLoop.WaitUntil([this] { return ReadersIdle(); }, SettleTimeoutMs), "the HID readers did not settle");
        FLoop.RunPending();
    }

    void Check()
    {
        FuzzCheck(FUsb->Connected() == FConnectedByEvents, "Connected() disagrees with the events raised");
        int openDevices = 0;
        for (const TDevice& d : FDevices) {
            const int readers = FBus.OpenReaders(d.path);
            FuzzCheck(readers <= 1, "a device has more than one reader");
            if (readers == 0) continue;
            ++openDevices;
            FuzzCheck(d.isInterface && d.present, "a reader is open on a device that is not a present interface");
            for (const TBytes& report : FBus.Written(d.path))
                FuzzCheck(report == PttOn || report == PttOff, "a report other than PTT on/off was written");
        }
        for (const TDevice& d : FDevices)
            if (!d.isInterface) FuzzCheck(FBus.Written(d.path).empty(), "a report was written to a foreign device");
        FuzzCheck(openDevices == (FUsb->Connected() ? 1 : 0),
            "connected, but " + std::to_string(openDevices) + " devices are open");
    }

    TVirtualLoop& FLoop;
    TSimulatedHidBus FBus;
    std::unique_ptr<TUsbInterface> FUsb;
    std::vector<TDevice> FDevices;
    std::vector<bool> FRx;
    bool FConnectedByEvents = false;
    std::vector<TConnection> FListeners;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TVirtualLoop loop;
    static const bool quiet = [] {
        // Errors the interface reports (a device that takes no report) are
        // expected here; they must not flood the fuzzer's output.
        loop.SetErrorReport([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    TFuzzInput in(data, size);
    TScenario scenario(loop);
    scenario.Run(in);
    return 0;
}
