#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>

#include <filesystem>

#include "base/FileDescriptor.h"
#include "base/WakeUp.h"

namespace {

int OpenDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

bool Readable(int fd)
{
    pollfd p {fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

} // namespace

TEST(FileDescriptor, OwnershipMovesAndTheDescriptorIsClosedExactlyOnce)
{
    const int before = OpenDescriptors();
    {
        TFileDescriptor first(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(first.Valid());
        const int raw = first.Get();
        TFileDescriptor second(std::move(first));
        EXPECT_FALSE(first.Valid());
        EXPECT_EQ(second.Get(), raw);
        TFileDescriptor third;
        third = std::move(second);
        EXPECT_EQ(third.Get(), raw);
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before);

    // Close gives the system's answer once; a second has nothing to close.
    TFileDescriptor fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    EXPECT_EQ(fd.Close(), 0);
    EXPECT_FALSE(fd.Valid());
    EXPECT_EQ(fd.Close(), 0);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(WakeUp, StaysReadableUntilDrained)
{
    const TWakeUp wake;
    ASSERT_TRUE(wake.Valid());
    EXPECT_FALSE(Readable(wake.Fd()));
    wake.Raise();
    wake.Raise();
    EXPECT_TRUE(Readable(wake.Fd()));
    EXPECT_TRUE(Readable(wake.Fd()));
    wake.Drain();
    EXPECT_FALSE(Readable(wake.Fd()));
}
