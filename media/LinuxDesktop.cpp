#include "media/LinuxDesktop.h"

#include "media/SoundServerMixer.h"
#include "media/TurnedDownStreams.h"
#include "media/untZYNWinAmpControl.h"

namespace {
// The one window handed out: the mixer's.
constexpr TWindowHandle MixerWindow = 1;
} // namespace

TLinuxDesktop::TLinuxDesktop()
    : TLinuxDesktop(TSoundServerMixer::Connect(TTurnedDownStreams::DefaultPath()))
{
}

TLinuxDesktop::TLinuxDesktop(std::unique_ptr<TSoundServerMixer> mixer)
    : FMixer(std::move(mixer))
{
}

TLinuxDesktop::~TLinuxDesktop() = default;

std::optional<TWindowHandle> TLinuxDesktop::FindWindow(
    const std::string& className, const std::optional<std::string>& title)
{
    if (FMixer && className == TZYNWinAmpControl::WinAmpClass && !title) return MixerWindow;
    return std::nullopt;
}

void TLinuxDesktop::SendCommand(TWindowHandle window, int command, long)
{
    if (window != MixerWindow || !FMixer) return;
    if (command == TZYNWinAmpControl::WinAmpVolumeUp) FMixer->StepUp();
    if (command == TZYNWinAmpControl::WinAmpVolumeDown) FMixer->StepDown();
}
