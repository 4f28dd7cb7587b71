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
    explicit TScenario(TVirtualLoop& loop) : loop_(loop) {}

    void Run(TFuzzInput& in)
    {
        usb_ = std::make_unique<TUsbInterface>(bus_);
        Watch();
        Settle();
        Check();
        for (std::size_t step = 0; step < MaxSteps && !in.Empty(); ++step) {
            Step(in);
            Settle();
            Check();
        }
        usb_.reset();
        loop_.RunPending();
        for (const TDevice& d : devices_)
            FuzzCheck(bus_.OpenReaders(d.path) == 0 && bus_.OpenWriters(d.path) == 0,
                      "a device stays open after the interface is gone");
    }

private:
    void Watch()
    {
        usb_->OnConnected = [this](TObject*) {
            FuzzCheck(!connectedByEvents_, "connected twice without a disconnect");
            connectedByEvents_ = true;
        };
        usb_->OnDisconnected = [this](TObject*) {
            FuzzCheck(connectedByEvents_, "disconnected while not connected");
            connectedByEvents_ = false;
        };
        usb_->OnRigRxIn = [this](TObject*, bool on) { rx_.push_back(on); };
    }

    TDevice* Pick(TFuzzInput& in)
    {
        if (devices_.empty()) return nullptr;
        return &devices_[in.Byte() % devices_.size()];
    }

    void Plug(std::uint16_t vendor, std::uint16_t product)
    {
        devices_.push_back({bus_.Plug(vendor, product), vendor == TUsbInterface::VendorID && product == TUsbInterface::ProductID, true});
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
                bus_.Unplug(d->path);
                d->present = false;
            }
            break;
        case 4:
            if (TDevice* d = Pick(in)) {
                const std::uint8_t reportId = in.Byte();
                THidData data{};
                for (auto& b : data) b = in.Byte();
                Feed(*d, reportId, data);
            }
            break;
        case 5:
            try {
                usb_->SetPttOutput(in.Byte() & 1);
            } catch (const EUSBException&) {
                // A refused write is reported to the caller; the invariants still hold.
            }
            break;
        case 6:
            if (TDevice* d = Pick(in)) {
                static constexpr int errors[] = {0, EIO, ENODEV, EPIPE};
                bus_.FailWrites(d->path, errors[in.Byte() % 4]);
            }
            break;
        case 7:
            if (TDevice* d = Pick(in)) bus_.FailOpen(d->path, in.Byte() & 1 ? EACCES : 0);
            break;
        case 8:
            if (TDevice* d = Pick(in)) bus_.FailAttributes(d->path, in.Byte() & 1);
            break;
        case 9:
            if (TDevice* d = Pick(in)) bus_.ShortWrites(d->path, in.Byte() % 9);
            break;
        }
    }

    void Feed(const TDevice& d, std::uint8_t reportId, const THidData& data)
    {
        const bool ours = usb_->Connected() && bus_.OpenReaders(d.path) > 0;
        const std::size_t before = rx_.size();
        bus_.FeedInput(d.path, reportId, data);
        Settle();
        if (!usb_->Connected() || !ours) {
            // The reader may have found the device gone meanwhile; a removal
            // reports the receive line high. Nothing else may come.
            for (std::size_t i = before; i < rx_.size(); ++i) FuzzCheck(rx_[i], "a report on a foreign device was heard");
            return;
        }
        FuzzCheck(rx_.size() == before + 1, "an input report on the interface gave " +
                                                std::to_string(rx_.size() - before) + " receive events");
        FuzzCheck(rx_.back() == (data[7] == 0xFF), "the receive line does not follow data byte 7");
    }

    bool ReadersIdle() const
    {
        for (const TDevice& d : devices_)
            if (!bus_.InputIdle(d.path)) return false;
        return true;
    }

    // Serve device notices and reader hand-offs until every reader waits.
    // Readers usually get there within microseconds: spin briefly before
    // the loop's own wait, which looks again only every 10 ms.
    void Settle()
    {
        loop_.RunPending();
        for (int spin = 0; spin < SettleSpins && !ReadersIdle(); ++spin) {
            std::this_thread::yield();
            loop_.RunPending();
        }
        FuzzCheck(loop_.WaitUntil([this] { return ReadersIdle(); }, SettleTimeoutMs), "the HID readers did not settle");
        loop_.RunPending();
    }

    void Check()
    {
        FuzzCheck(usb_->Connected() == connectedByEvents_, "Connected() disagrees with the events raised");
        int openDevices = 0;
        for (const TDevice& d : devices_) {
            const int readers = bus_.OpenReaders(d.path);
            FuzzCheck(readers <= 1, "a device has more than one reader");
            if (readers == 0) continue;
            ++openDevices;
            FuzzCheck(d.isInterface && d.present, "a reader is open on a device that is not a present interface");
            for (const TBytes& report : bus_.Written(d.path))
                FuzzCheck(report == PttOn || report == PttOff, "a report other than PTT on/off was written");
        }
        for (const TDevice& d : devices_)
            if (!d.isInterface) FuzzCheck(bus_.Written(d.path).empty(), "a report was written to a foreign device");
        FuzzCheck(openDevices == (usb_->Connected() ? 1 : 0), "connected, but " + std::to_string(openDevices) +
                                                                  " devices are open");
    }

    TVirtualLoop& loop_;
    TSimulatedHidBus bus_;
    std::unique_ptr<TUsbInterface> usb_;
    std::vector<TDevice> devices_;
    std::vector<bool> rx_;
    bool connectedByEvents_ = false;
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
