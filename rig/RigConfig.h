#pragma once

#include <array>
#include <string>

class TZYNClientSettings;

// What the rig interface needs of the settings, taken in one piece whenever
// the interface settings are applied; each output then takes up only a
// change of its own settings.
struct TRigConfig {
    bool RadioAttached = false; // a band is set: lines are keyed, transmit timers run
    bool RigComKeying = false; // key the PTT (false: the radio's VOX does)
    bool RigComDtr = false; // PTT on DTR, else on RTS
    bool RigComActiveHigh = true; // PTT line high while keyed
    bool RigComUnusedHight = false; // level held on the other line
    std::string PortName = "COM1";
    bool VoIPComKeying = false; // follow the receive input
    bool VoIPComDsr = false; // receive input on DSR, else on CTS
    bool VoIPComActiveHigh = true; // receive input active when high
    int SquelchSetlingTime = 0; // ms
    int VoxDelayTime = 0; // ms
    std::string OutputDevice; // the sound card chosen for output; empty: the system's default
    int GpioPin = 3; // the sound card's pin that keys the PTT
};

TRigConfig RigConfigOf(const TZYNClientSettings& settings);

enum class TRigLine { RTS, DTR };

struct TLineLevel {
    TRigLine Line = TRigLine::RTS;
    bool Level = false;
    bool operator==(const TLineLevel&) const = default;
};

// The radio is keyed through a line or the USB interface.
bool KeysRadio(const TRigConfig& config);
TRigLine PttLine(const TRigConfig& config);
// The PTT line's level for a keying state.
bool PttLevel(const TRigConfig& config, bool keyed);
// Both output lines at rest, in the order they are written: the PTT line
// idle first, then the other one; a port that does not key (open only for
// the receive input) holds RTS, then DTR, at the unused-line level.
std::array<TLineLevel, 2> IdleLines(const TRigConfig& config, bool portKeys);
// Whether a raw receive-input level means the radio is receiving.
bool ReceiveActive(const TRigConfig& config, bool level);
// How long a receive end is held back before it is reported.
int RxReleaseIntervalMs(const TRigConfig& config);
// The settings of the serial port itself (name, lines, polarities) are the
// same: a port open for the same role stays as it is.
bool SameSerialSettings(const TRigConfig& a, const TRigConfig& b);
