#include "rig/RigConfig.h"

#include <tuple>

#include "settings/untZYNClientSettings.h"

namespace {
// Without a radio there is no VOX tail to wait for.
constexpr int RxReleaseWithoutRadioMs = 10;
} // namespace

TRigConfig RigConfigOf(const TZYNClientSettings& settings)
{
    TRigConfig config;
    config.RadioAttached = settings.Band() > 0;
    config.RigComKeying = settings.RigComKeying();
    config.RigComDtr = settings.RigComDtr();
    config.RigComActiveHigh = settings.RigComActiveHigh();
    config.RigComUnusedHight = settings.RigComUnusedHight();
    config.PortName = "COM" + std::to_string(settings.CommIndex() + 1);
    config.VoIPComKeying = settings.VoIPComKeying();
    config.VoIPComDsr = settings.VoIPComDsr();
    config.VoIPComActiveHigh = settings.VoIPComActiveHigh();
    config.SquelchSetlingTime = settings.SquelchSetlingTime();
    config.VoxDelayTime = settings.VoxDelayTime();
    config.GpioPin = settings.GpioPin();
    config.OutputDevice = settings.OutputDevice();
    return config;
}

bool KeysRadio(const TRigConfig& config)
{
    return config.RadioAttached && config.RigComKeying;
}

TRigLine PttLine(const TRigConfig& config)
{
    return config.RigComDtr ? TRigLine::DTR : TRigLine::RTS;
}

bool PttLevel(const TRigConfig& config, bool keyed)
{
    return config.RigComActiveHigh ? keyed : !keyed;
}

std::array<TLineLevel, 2> IdleLines(const TRigConfig& config, bool portKeys)
{
    const bool unused = config.RigComUnusedHight;
    if (!portKeys) return {TLineLevel {TRigLine::RTS, unused}, TLineLevel {TRigLine::DTR, unused}};
    const TRigLine ptt = PttLine(config);
    const TRigLine other = ptt == TRigLine::DTR ? TRigLine::RTS : TRigLine::DTR;
    return {TLineLevel {ptt, PttLevel(config, false)}, TLineLevel {other, unused}};
}

bool ReceiveActive(const TRigConfig& config, bool level)
{
    return config.VoIPComActiveHigh ? level : !level;
}

int RxReleaseIntervalMs(const TRigConfig& config)
{
    return config.RadioAttached ? config.VoxDelayTime : RxReleaseWithoutRadioMs;
}

bool SameSerialSettings(const TRigConfig& a, const TRigConfig& b)
{
    auto serial = [](const TRigConfig& c) {
        return std::tie(
            c.PortName, c.RigComDtr, c.RigComActiveHigh, c.RigComUnusedHight, c.VoIPComDsr, c.VoIPComActiveHigh);
    };
    return serial(a) == serial(b);
}
