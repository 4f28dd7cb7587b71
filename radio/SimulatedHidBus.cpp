#include "SimulatedHidBus.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "base/MainLoop.h"

namespace {

struct TSimDevice;

struct TSimReader {
    std::deque<THidReport> queue;
    bool cancelled = false;
    bool failed = false;
    bool waiting = false; // blocked in Read
};

struct TSimDevice {
    std::string path;
    std::string usbDevice;
    THidAttributes ids;
    bool present = true;
    int failWrite = 0;
    long shortWrite = 0;
    int failOpen = 0;
    bool failAttributes = false;
    int writers = 0;
    std::vector<TSimReader*> readers;
    std::vector<std::vector<std::uint8_t>> written;
};

struct TSimWatch {
    bool alive = true; // main thread only
    std::function<void()> notice;
};

} // namespace

struct TSimulatedHidBus::TState {
    std::mutex mutex;
    std::condition_variable changed;
    int nextNumber = 0;
    std::vector<std::string> plugged; // in plugging order
    std::map<std::string, TSimDevice> devices; // every device ever plugged
    std::map<std::string, std::string> soundCards; // output device name -> USB device
    std::vector<std::shared_ptr<TSimWatch>> watches;

    TSimDevice* Find(const std::string& path)
    {
        const auto it = devices.find(path);
        return it == devices.end() ? nullptr : &it->second;
    }
};

namespace {

using TState = TSimulatedHidBus::TState;

class TSimWriteHandle : public THidWriteHandle {
public:
    TSimWriteHandle(TSimulatedHidBus& bus, std::shared_ptr<TState> state, std::string path)
        : FBus(bus)
        , FState(std::move(state))
        , FPath(std::move(path))
    {
    }
    ~TSimWriteHandle() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        --FState->Find(FPath)->writers;
    }
    long Write(const std::vector<std::uint8_t>& report) override
    {
        long result = 0;
        {
            std::lock_guard<std::mutex> lock(FState->mutex);
            TSimDevice& device = *FState->Find(FPath);
            if (!device.present) return -ENODEV;
            if (device.failWrite) return -device.failWrite;
            device.written.push_back(report);
            result = device.shortWrite ? device.shortWrite : static_cast<long>(report.size());
        }
        if (FBus.OnWrite) FBus.OnWrite(FPath, report);
        return result;
    }

private:
    TSimulatedHidBus& FBus;
    std::shared_ptr<TState> FState;
    std::string FPath;
};

class TSimReadHandle : public THidReadHandle {
public:
    TSimReadHandle(std::shared_ptr<TState> state, std::string path)
        : FState(std::move(state))
        , FPath(std::move(path))
    {
        FState->Find(FPath)->readers.push_back(&FReader);
    }
    ~TSimReadHandle() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        auto& readers = FState->Find(FPath)->readers;
        readers.erase(std::remove(readers.begin(), readers.end(), &FReader), readers.end());
    }
    THidRead Read(THidReport& report) override
    {
        std::unique_lock<std::mutex> lock(FState->mutex);
        FReader.waiting = true;
        FState->changed.notify_all();
        FState->changed.wait(lock, [&] { return FReader.cancelled || FReader.failed || !FReader.queue.empty(); });
        FReader.waiting = false;
        if (FReader.cancelled) return THidRead::Cancelled;
        if (!FReader.queue.empty()) {
            report = FReader.queue.front();
            FReader.queue.pop_front();
            return THidRead::Report;
        }
        return THidRead::Failed;
    }
    void Cancel() override
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        FReader.cancelled = true;
        FState->changed.notify_all();
    }

private:
    std::shared_ptr<TState> FState;
    std::string FPath;
    TSimReader FReader;
};

class TSimWatchHandle : public THidWatch {
public:
    TSimWatchHandle(std::shared_ptr<TState> state, std::shared_ptr<TSimWatch> watch)
        : FState(std::move(state))
        , FWatch(std::move(watch))
    {
    }
    ~TSimWatchHandle() override
    {
        FWatch->alive = false;
        std::lock_guard<std::mutex> lock(FState->mutex);
        auto& watches = FState->watches;
        watches.erase(std::remove(watches.begin(), watches.end(), FWatch), watches.end());
    }

private:
    std::shared_ptr<TState> FState;
    std::shared_ptr<TSimWatch> FWatch;
};

} // namespace

TSimulatedHidBus::TSimulatedHidBus()
    : FState(std::make_shared<TState>())
{
}

TSimulatedHidBus::~TSimulatedHidBus() = default;

std::string TSimulatedHidBus::Plug(std::uint16_t vendorId, std::uint16_t productId)
{
    return PlugSoundCard(vendorId, productId, "");
}

std::string TSimulatedHidBus::PlugSoundCard(
    std::uint16_t vendorId, std::uint16_t productId, const std::string& soundCard)
{
    std::string path;
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        const std::string number = std::to_string(FState->nextNumber++);
        path = "/dev/simhid" + number;
        TSimDevice& device = FState->devices[path];
        device.path = path;
        device.usbDevice = "usb-" + number;
        device.ids = {vendorId, productId};
        FState->plugged.push_back(path);
        if (!soundCard.empty()) FState->soundCards[soundCard] = device.usbDevice;
    }
    NotifyChange();
    return path;
}

void TSimulatedHidBus::Unplug(const std::string& path)
{
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        TSimDevice* device = FState->Find(path);
        if (!device || !device->present) return;
        device->present = false;
        for (TSimReader* reader : device->readers) reader->failed = true;
        auto& plugged = FState->plugged;
        plugged.erase(std::remove(plugged.begin(), plugged.end(), path), plugged.end());
        FState->changed.notify_all();
    }
    NotifyChange();
}

void TSimulatedHidBus::FeedInput(const std::string& path, std::uint8_t reportId, const THidData& data)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TSimDevice* device = FState->Find(path);
    if (!device || !device->present) return;
    for (TSimReader* reader : device->readers) reader->queue.push_back({reportId, data});
    FState->changed.notify_all();
}

std::vector<std::vector<std::uint8_t>> TSimulatedHidBus::Written(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TSimDevice* device = FState->Find(path);
    return device ? device->written : std::vector<std::vector<std::uint8_t>> {};
}

void TSimulatedHidBus::ClearWritten(const std::string& path)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    if (TSimDevice* device = FState->Find(path)) device->written.clear();
}

void TSimulatedHidBus::FailWrites(const std::string& path, int error)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    if (TSimDevice* device = FState->Find(path)) device->failWrite = error;
}

void TSimulatedHidBus::ShortWrites(const std::string& path, long bytesWritten)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    if (TSimDevice* device = FState->Find(path)) device->shortWrite = bytesWritten;
}

void TSimulatedHidBus::FailOpen(const std::string& path, int error)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    if (TSimDevice* device = FState->Find(path)) device->failOpen = error;
}

void TSimulatedHidBus::FailAttributes(const std::string& path, bool fail)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    if (TSimDevice* device = FState->Find(path)) device->failAttributes = fail;
}

int TSimulatedHidBus::OpenReaders(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TSimDevice* device = FState->Find(path);
    return device ? static_cast<int>(device->readers.size()) : 0;
}

int TSimulatedHidBus::OpenWriters(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TSimDevice* device = FState->Find(path);
    return device ? device->writers : 0;
}

bool TSimulatedHidBus::InputIdle(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TSimDevice* device = FState->Find(path);
    if (!device) return true;
    for (const TSimReader* reader : device->readers)
        if (!reader->waiting || !reader->queue.empty()) return false;
    return true;
}

std::vector<std::string> TSimulatedHidBus::EnumeratePaths()
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    return FState->plugged;
}

THidQuery TSimulatedHidBus::QueryAttributes(const std::string& path, THidAttributes& attributes)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TSimDevice* device = FState->Find(path);
    if (!device || !device->present || device->failOpen) return THidQuery::OpenFailed;
    if (device->failAttributes) return THidQuery::AttributesFailed;
    attributes = device->ids;
    return THidQuery::Ok;
}

std::unique_ptr<THidWriteHandle> TSimulatedHidBus::OpenForWrite(const std::string& path, int& error)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TSimDevice* device = FState->Find(path);
    error = !device || !device->present ? ENOENT : device->failOpen;
    if (error) return nullptr;
    ++device->writers;
    return std::make_unique<TSimWriteHandle>(*this, FState, path);
}

std::unique_ptr<THidReadHandle> TSimulatedHidBus::OpenForRead(const std::string& path, int& error)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    TSimDevice* device = FState->Find(path);
    error = !device || !device->present ? ENOENT : device->failOpen;
    if (error) return nullptr;
    return std::make_unique<TSimReadHandle>(FState, path);
}

std::unique_ptr<THidWatch> TSimulatedHidBus::WatchDeviceChanges(std::function<void()> notice)
{
    auto watch = std::make_shared<TSimWatch>();
    watch->notice = std::move(notice);
    std::lock_guard<std::mutex> lock(FState->mutex);
    FState->watches.push_back(watch);
    return std::make_unique<TSimWatchHandle>(FState, watch);
}

std::string TSimulatedHidBus::UsbDeviceOfHid(const std::string& hidPath)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    const TSimDevice* device = FState->Find(hidPath);
    return device && device->present ? device->usbDevice : std::string();
}

std::string TSimulatedHidBus::UsbDeviceOfSoundCard(const std::string& outputDevice)
{
    std::lock_guard<std::mutex> lock(FState->mutex);
    const auto it = FState->soundCards.find(outputDevice);
    return it == FState->soundCards.end() ? std::string() : it->second;
}

void TSimulatedHidBus::NotifyChange()
{
    std::vector<std::shared_ptr<TSimWatch>> watches;
    {
        std::lock_guard<std::mutex> lock(FState->mutex);
        watches = FState->watches;
    }
    for (const auto& watch : watches)
        TMainLoop::Current().Post([watch] {
            if (watch->alive) watch->notice();
        });
}
