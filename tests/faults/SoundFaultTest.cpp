#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "audio/AlsaSoundPlatform.h"
#include "base/SystemCallSeam.h"
#include "base/VirtualLoop.h"
#include "tests/support/TempFolder.h"

namespace {

// ALSA's "default" device is its null device for this test program: the
// back end runs its real calls with no sound card or server. Set before ALSA
// first reads its configuration, and kept (ALSA reads it again when it
// changes).
void UseNullDefaultDevice()
{
    static const TTempFolder home;
    static const bool done = [] {
        WriteBytes(home.File(".asoundrc"), "pcm.!default { type null }\n");
        setenv("HOME", home.Path().c_str(), 1);
        return true;
    }();
    (void)done;
}

class TRecordingSink : public TSoundNoticeSink {
public:
    void DeviceOpened() override { ++Opened; }
    void BufferDone(TWaveBuffer* buffer) override { Done.push_back(buffer); }
    void DeviceClosed() override { ++Closed; }
    void DeviceFailed(TWaveResult code) override { Failures.push_back(code); }

    int Opened = 0;
    int Closed = 0;
    std::vector<TWaveBuffer*> Done;
    std::vector<TWaveResult> Failures;
};

// Serves the main loop until the device's worker has brought about what
// pred waits for; the worker runs in real time.
bool ServeUntil(TVirtualLoop& loop, const std::function<bool()>& pred)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        loop.RunPending();
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TWaveFormat FormatOf(TWaveDirection direction)
{
    return BuildPCMFormat(direction == TWaveDirection::Playback ? Mono8bit48000Hz : Mono16bit48000Hz);
}

// Three 200 ms buffers, handed to a device.
struct TBuffers {
    explicit TBuffers(TWaveDirection direction)
    {
        const TWaveFormat format = FormatOf(direction);
        for (auto& buffer : Buffers) {
            Data.emplace_back(BufferBytes(format, 200), std::uint8_t {127});
            buffer.Data = Data.back().data();
            buffer.BufferLength = static_cast<std::uint32_t>(Data.back().size());
        }
    }
    TWaveBuffer Buffers[3];
    std::vector<std::vector<std::uint8_t>> Data;
};

const char* NameOf(TWaveDirection direction)
{
    return DirectionName(direction);
}

} // namespace

// Opening fails at each of its calls: the code comes back, no device and no
// descriptor is left, and the next open works.
TEST(SoundFaults, AnOpenThatFailsAtAnyCallLeavesNothingOpenAndTheNextOneWorks)
{
    UseNullDefaultDevice();
    for (const TWaveDirection direction : {TWaveDirection::Playback, TWaveDirection::Capture}) {
        for (const TSystemCall call : {TSystemCall::PcmOpen, TSystemCall::PcmPrepare}) {
            SCOPED_TRACE(std::string(NameOf(direction)) + ", " + SystemCallName(call));
            TVirtualLoop loop;
            TAlsaSoundPlatform platform;
            TRecordingSink sink;
            const std::size_t descriptors = OpenDescriptorCount();
            {
                TSystemCallSeam seam;
                seam.Fail({.Call = call, .Nth = 1, .Error = EBUSY, .PathPart = {}});
                std::unique_ptr<TSoundDevice> device;
                EXPECT_EQ(platform.Open(direction, -1, FormatOf(direction), sink, device), TWaveResult {EBUSY});
                EXPECT_EQ(seam.Injected(), 1);
                EXPECT_FALSE(device);
                EXPECT_EQ(platform.ErrorText(EBUSY), "Device or resource busy");
            }
            EXPECT_EQ(OpenDescriptorCount(), descriptors);
            std::unique_ptr<TSoundDevice> device;
            ASSERT_EQ(platform.Open(direction, -1, FormatOf(direction), sink, device), wrNoError);
            EXPECT_EQ(device->Close(), wrNoError);
            EXPECT_TRUE(ServeUntil(loop, [&] { return sink.Closed == 1; }));
            device.reset();
            EXPECT_EQ(sink.Opened, 1);
            EXPECT_EQ(OpenDescriptorCount(), descriptors);
        }
    }
}

// A transfer that fails for good is reported once and gives every buffer
// back; one that runs dry (or over) is recovered, counted and not reported.
TEST(SoundFaults, ATransferThatFailsIsReportedOnceAndAnUnderrunIsOnlyCounted)
{
    UseNullDefaultDevice();
    for (const TWaveDirection direction : {TWaveDirection::Playback, TWaveDirection::Capture}) {
        const TSystemCall call = direction == TWaveDirection::Playback ? TSystemCall::PcmWrite : TSystemCall::PcmRead;
        for (const int error : {EIO, EPIPE}) {
            SCOPED_TRACE(std::string(SystemCallName(call)) + " failing with " + std::to_string(error));
            TVirtualLoop loop;
            TAlsaSoundPlatform platform;
            TRecordingSink sink;
            TBuffers buffers(direction);
            const std::size_t descriptors = OpenDescriptorCount();
            {
                TSystemCallSeam seam;
                seam.Fail({.Call = call, .Nth = 2, .Error = error, .PathPart = {}, .AnyThread = true});
                std::unique_ptr<TSoundDevice> device;
                ASSERT_EQ(platform.Open(direction, -1, FormatOf(direction), sink, device), wrNoError);
                for (TWaveBuffer& buffer : buffers.Buffers) ASSERT_EQ(device->Submit(buffer), wrNoError);
                if (direction == TWaveDirection::Capture) {
                    ASSERT_EQ(device->Start(), wrNoError);
                }
                if (error == EIO) {
                    ASSERT_TRUE(ServeUntil(loop, [&] { return !sink.Failures.empty(); }));
                    EXPECT_EQ(device->Reset(), wrNoError);
                } else {
                    ASSERT_TRUE(ServeUntil(loop, [&] { return sink.Done.size() == 3; }));
                }
                EXPECT_TRUE(ServeUntil(loop, [&] { return sink.Done.size() == 3; }));
                EXPECT_EQ(device->Close(), wrNoError);
                EXPECT_TRUE(ServeUntil(loop, [&] { return sink.Closed == 1; }));
                device.reset();
                EXPECT_EQ(seam.Injected(), 1);
            }
            const std::uint64_t xruns =
                direction == TWaveDirection::Playback ? platform.Underruns() : platform.Overruns();
            if (error == EIO) {
                EXPECT_EQ(sink.Failures, std::vector<TWaveResult> {EIO});
                EXPECT_EQ(xruns, 0u);
            } else {
                EXPECT_EQ(sink.Failures, std::vector<TWaveResult> {});
                EXPECT_EQ(xruns, 1u);
            }
            EXPECT_EQ(OpenDescriptorCount(), descriptors);
        }
    }
}
