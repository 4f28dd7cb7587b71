#include "base/WakeUp.h"

#include <sys/eventfd.h>

#include <cstdint>

TWakeUp::TWakeUp()
    : FFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

void TWakeUp::Raise() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(FFd.Get(), &one, sizeof one);
}

void TWakeUp::Drain() const
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(FFd.Get(), &count, sizeof count);
}
