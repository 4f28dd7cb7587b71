#include "media/LinuxDesktop.h"

std::optional<TWindowHandle> TLinuxDesktop::FindWindow(const std::string&, const std::optional<std::string>&)
{
    return std::nullopt;
}

void TLinuxDesktop::SendCommand(TWindowHandle, int, long)
{
    // No window is ever handed out, so no handle can name one.
}
