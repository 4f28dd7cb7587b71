#pragma once

#include <memory>

#include "media/Desktop.h"

class TSoundServerMixer;

// The desktop of the program on Linux. The media players and the relay
// client this program steers exist only as Windows programs; what stands in
// for the Winamp window is the sound server's mixer of the other programs'
// playback streams, found while a sound server runs: its volume commands
// turn them down and up one step of 64 at a time. Every other window is
// never found.
class TLinuxDesktop final : public TDesktop {
public:
    // Connects to the sound server, if one runs, and gives back what a
    // previous run left turned down (see TSoundServerMixer).
    TLinuxDesktop();
    explicit TLinuxDesktop(std::unique_ptr<TSoundServerMixer> mixer);
    ~TLinuxDesktop() override;

    std::optional<TWindowHandle> FindWindow(
        const std::string& className, const std::optional<std::string>& title) override;
    void SendCommand(TWindowHandle window, int command, long parameter) override;

private:
    std::unique_ptr<TSoundServerMixer> FMixer;
};
