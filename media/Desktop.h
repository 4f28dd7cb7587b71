#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A top-level window of another program on the desktop.
using TWindowHandle = std::uint64_t;

// The two things the media control needs from the desktop: find another
// program's top-level window, and hand it a command and wait until it has
// been handled. A player that is not running has no window.
class TDesktop {
public:
    TDesktop() = default;
    TDesktop(const TDesktop&) = delete;
    TDesktop& operator=(const TDesktop&) = delete;
    virtual ~TDesktop() = default;

    // The first top-level window of the given class; with a title, only a
    // window whose title is exactly that.
    virtual std::optional<TWindowHandle> FindWindow(
        const std::string& className, const std::optional<std::string>& title) = 0;
    // Deliver a command to the window and return once it has been handled. A
    // window that has gone away in the meantime ignores it.
    virtual void SendCommand(TWindowHandle window, int command, long parameter) = 0;
};
