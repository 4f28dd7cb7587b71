#pragma once

#include "media/Desktop.h"

// The desktop of the program on Linux. The media players and the relay
// client this program can steer exist only as Windows programs, so no window
// is ever found and there is nothing to send a command to.
class TLinuxDesktop final : public TDesktop {
public:
    std::optional<TWindowHandle> FindWindow(
        const std::string& className, const std::optional<std::string>& title) override;
    void SendCommand(TWindowHandle window, int command, long parameter) override;
};
