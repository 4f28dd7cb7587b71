#include "media/SimulatedDesktop.h"

#include <algorithm>
#include <stdexcept>

TWindowHandle TSimulatedDesktop::OpenWindow(const std::string& className, const std::string& title)
{
    const TWindowHandle handle = FNext++;
    FWindows[handle] = TWindow {className, title, true, {}};
    return handle;
}

void TSimulatedDesktop::CloseWindow(TWindowHandle window)
{
    auto it = FWindows.find(window);
    if (it != FWindows.end()) it->second.open = false;
}

const TSimulatedDesktop::TWindow& TSimulatedDesktop::Window(TWindowHandle window) const
{
    auto it = FWindows.find(window);
    if (it == FWindows.end()) throw std::out_of_range("no such simulated window");
    return it->second;
}

const std::vector<TSimulatedDesktop::TCommand>& TSimulatedDesktop::Commands(TWindowHandle window) const
{
    return Window(window).commands;
}

std::size_t TSimulatedDesktop::CountOf(TWindowHandle window, int command) const
{
    const auto& commands = Commands(window);
    return static_cast<std::size_t>(
        std::count_if(commands.begin(), commands.end(), [command](const TCommand& c) { return c.command == command; }));
}

void TSimulatedDesktop::ClearCommands()
{
    for (auto& [handle, window] : FWindows) window.commands.clear();
}

std::optional<TWindowHandle> TSimulatedDesktop::FindWindow(
    const std::string& className, const std::optional<std::string>& title)
{
    ++FLookups;
    for (const auto& [handle, window] : FWindows) {
        if (!window.open || window.className != className) continue;
        if (title && window.title != *title) continue;
        return handle;
    }
    return std::nullopt;
}

void TSimulatedDesktop::SendCommand(TWindowHandle window, int command, long parameter)
{
    auto it = FWindows.find(window);
    if (it == FWindows.end() || !it->second.open) return;
    it->second.commands.push_back(TCommand {command, parameter});
}
