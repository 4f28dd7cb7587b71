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
        : bus_(bus), state_(std::move(state)), path_(std::move(path))
    {
    }
    ~TSimWriteHandle() override
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        --state_->Find(path_)->writers;
    }
    long Write(const std::vector<std::uint8_t>& report) override
    {
        long result = 0;
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            TSimDevice& device = *state_->Find(path_);
            if (!device.present) return -ENODEV;
            if (device.failWrite) return -device.failWrite;
            device.written.push_back(report);
            result = device.shortWrite ? device.shortWrite : static_cast<long>(report.size());
        }
        if (bus_.OnWrite) bus_.OnWrite(path_, report);
        return result;
    }

private:
    TSimulatedHidBus& bus_;
    std::shared_ptr<TState> state_;
    std::string path_;
};

class TSimReadHandle : public THidReadHandle {
public:
    TSimReadHandle(std::shared_ptr<TState> state, std::string path) : state_(std::move(state)), path_(std::move(path))
    {
        state_->Find(path_)->readers.push_back(&reader_);
    }
    ~TSimReadHandle() override
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        auto& readers = state_->Find(path_)->readers;
        readers.erase(std::remove(readers.begin(), readers.end(), &reader_), readers.end());
    }
    THidRead Read(THidReport& report) override
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        reader_.waiting = true;
        state_->changed.notify_all();
        state_->changed.wait(lock, [&] { return reader_.cancelled || reader_.failed || !reader_.queue.empty(); });
        reader_.waiting = false;
        if (reader_.cancelled) return THidRead::Cancelled;
        if (!reader_.queue.empty()) {
            report = reader_.queue.front();
            reader_.queue.pop_front();
            return THidRead::Report;
        }
        return THidRead::Failed;
    }
    void Cancel() override
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        reader_.cancelled = true;
        state_->changed.notify_all();
    }

private:
    std::shared_ptr<TState> state_;
    std::string path_;
    TSimReader reader_;
};

class TSimWatchHandle : public THidWatch {
public:
    TSimWatchHandle(std::shared_ptr<TState> state, std::shared_ptr<TSimWatch> watch)
        : state_(std::move(state)), watch_(std::move(watch))
    {
    }
    ~TSimWatchHandle() override
    {
        watch_->alive = false;
        std::lock_guard<std::mutex> lock(state_->mutex);
        auto& watches = state_->watches;
        watches.erase(std::remove(watches.begin(), watches.end(), watch_), watches.end());
    }

private:
    std::shared_ptr<TState> state_;
    std::shared_ptr<TSimWatch> watch_;
};

} // namespace

TSimulatedHidBus::TSimulatedHidBus() : state_(std::make_shared<TState>()) {}

TSimulatedHidBus::~TSimulatedHidBus() = default;

std::string TSimulatedHidBus::Plug(std::uint16_t vendorId, std::uint16_t productId)
{
    std::string path;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        path = "/dev/simhid" + std::to_string(state_->nextNumber++);
        TSimDevice& device = state_->devices[path];
        device.path = path;
        device.ids = {vendorId, productId};
        state_->plugged.push_back(path);
    }
    NotifyChange();
    return path;
}

void TSimulatedHidBus::Unplug(const std::string& path)
{
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        TSimDevice* device = state_->Find(path);
        if (!device || !device->present) return;
        device->present = false;
        for (TSimReader* reader : device->readers) reader->failed = true;
        auto& plugged = state_->plugged;
        plugged.erase(std::remove(plugged.begin(), plugged.end(), path), plugged.end());
        state_->changed.notify_all();
    }
    NotifyChange();
}

void TSimulatedHidBus::FeedInput(const std::string& path, std::uint8_t reportId, const THidData& data)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    TSimDevice* device = state_->Find(path);
    if (!device || !device->present) return;
    for (TSimReader* reader : device->readers) reader->queue.push_back({reportId, data});
    state_->changed.notify_all();
}

std::vector<std::vector<std::uint8_t>> TSimulatedHidBus::Written(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    TSimDevice* device = state_->Find(path);
    return device ? device->written : std::vector<std::vector<std::uint8_t>>{};
}

void TSimulatedHidBus::ClearWritten(const std::string& path)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (TSimDevice* device = state_->Find(path)) device->written.clear();
}

void TSimulatedHidBus::FailWrites(const std::string& path, int error)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (TSimDevice* device = state_->Find(path)) device->failWrite = error;
}

void TSimulatedHidBus::ShortWrites(const std::string& path, long bytesWritten)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (TSimDevice* device = state_->Find(path)) device->shortWrite = bytesWritten;
}

void TSimulatedHidBus::FailOpen(const std::string& path, int error)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (TSimDevice* device = state_->Find(path)) device->failOpen = error;
}

void TSimulatedHidBus::FailAttributes(const std::string& path, bool fail)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (TSimDevice* device = state_->Find(path)) device->failAttributes = fail;
}

int TSimulatedHidBus::OpenReaders(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    TSimDevice* device = state_->Find(path);
    return device ? static_cast<int>(device->readers.size()) : 0;
}

int TSimulatedHidBus::OpenWriters(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    TSimDevice* device = state_->Find(path);
    return device ? device->writers : 0;
}

bool TSimulatedHidBus::InputIdle(const std::string& path) const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    TSimDevice* device = state_->Find(path);
    if (!device) return true;
    for (const TSimReader* reader : device->readers)
        if (!reader->waiting || !reader->queue.empty()) return false;
    return true;
}

std::vector<std::string> TSimulatedHidBus::EnumeratePaths()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->plugged;
}

THidQuery TSimulatedHidBus::QueryAttributes(const std::string& path, THidAttributes& attributes)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    TSimDevice* device = state_->Find(path);
    if (!device || !device->present || device->failOpen) return THidQuery::OpenFailed;
    if (device->failAttributes) return THidQuery::AttributesFailed;
    attributes = device->ids;
    return THidQuery::Ok;
}

std::unique_ptr<THidWriteHandle> TSimulatedHidBus::OpenForWrite(const std::string& path, int& error)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    TSimDevice* device = state_->Find(path);
    error = !device || !device->present ? ENOENT : device->failOpen;
    if (error) return nullptr;
    ++device->writers;
    return std::make_unique<TSimWriteHandle>(*this, state_, path);
}

std::unique_ptr<THidReadHandle> TSimulatedHidBus::OpenForRead(const std::string& path, int& error)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    TSimDevice* device = state_->Find(path);
    error = !device || !device->present ? ENOENT : device->failOpen;
    if (error) return nullptr;
    return std::make_unique<TSimReadHandle>(state_, path);
}

std::unique_ptr<THidWatch> TSimulatedHidBus::WatchDeviceChanges(std::function<void()> notice)
{
    auto watch = std::make_shared<TSimWatch>();
    watch->notice = std::move(notice);
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->watches.push_back(watch);
    return std::make_unique<TSimWatchHandle>(state_, watch);
}

void TSimulatedHidBus::NotifyChange()
{
    std::vector<std::shared_ptr<TSimWatch>> watches;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        watches = state_->watches;
    }
    for (const auto& watch : watches)
        TMainLoop::Current().Post([watch] {
            if (watch->alive) watch->notice();
        });
}
