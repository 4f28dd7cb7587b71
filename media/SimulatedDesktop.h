#pragma once

#include <cstddef>
#include <map>
#include <vector>

#include "media/Desktop.h"

// A desktop for tests: a test opens and closes windows of other programs,
// and every window records the commands it receives, in order.
class TSimulatedDesktop final : public TDesktop {
public:
    struct TCommand {
        int command;
        long parameter;
        bool operator==(const TCommand&) const = default;
    };

    TWindowHandle OpenWindow(const std::string& className, const std::string& title);
    void CloseWindow(TWindowHandle window);

    // Commands the window received, also after it was closed.
    const std::vector<TCommand>& Commands(TWindowHandle window) const;
    // How many commands the window received with this number.
    std::size_t CountOf(TWindowHandle window, int command) const;
    void ClearCommands();
    // Number of FindWindow calls so far.
    std::size_t Lookups() const { return FLookups; }

    std::optional<TWindowHandle> FindWindow(
        const std::string& className, const std::optional<std::string>& title) override;
    void SendCommand(TWindowHandle window, int command, long parameter) override;

private:
    struct TWindow {
        std::string className;
        std::string title;
        bool open = true;
        std::vector<TCommand> commands;
    };
    const TWindow& Window(TWindowHandle window) const;

    std::map<TWindowHandle, TWindow> FWindows;
    TWindowHandle FNext = 1;
    std::size_t FLookups = 0;
};
