#pragma once

#include <memory>
#include <string>

#include "base/Event.h"
#include "base/ProgramFolder.h"
#include "station/StationPlatform.h"

class TFFSKReceiver;
class TFFSKTransmitter;
class TInterface;
class TZYNClientSettings;

using TAudioLevelEvent = TEvent<TObject*, int>;
using TDataReiceiveEvent = TEvent<TObject*, bool, const std::string&>;

// The one object through which the window reaches the radio: it loads the
// settings, creates the rig interface, the receiver and the transmitter on
// the sound devices the settings choose (reopening them when the choice
// changes),
// sends typed texts tagged with the operator's name, echoes them, and passes
// received messages and input levels on.
class TFFSKTranceiver : public TObject {
public:
    static constexpr const char* SettingsFileName = "ZYNClient.ini";

    explicit TFFSKTranceiver(
        const TStationPlatform& platform, const std::string& settingsFile = ProgramFolder() + SettingsFileName);
    ~TFFSKTranceiver() override;

    // Sends one typed line as "SMS>" + operator name + ">>" + text and raises
    // its echo at once.
    void SendText(const std::string& text);

    TZYNClientSettings& Settings() { return *FSettings; }
    TInterface& RigInterface() { return *FRigInterface; }
    TFFSKTransmitter& Transmitter() { return *FTransmitter; }
    TSoundPlatform& Sound() { return FSound; }

    TAudioLevelEvent OnInputLevel;
    TDataReiceiveEvent OnReceive;

private:
    // Hand the devices chosen in the settings to the sound platform; true
    // for each direction whose choice changed.
    void ChooseSoundDevices(bool& output, bool& input);

    TSoundPlatform& FSound;
    // Created in this order; C++ destroys them in reverse, so the transmitter
    // and receiver go before the rig interface, the settings last.
    std::unique_ptr<TZYNClientSettings> FSettings;
    std::unique_ptr<TInterface> FRigInterface;
    std::unique_ptr<TFFSKReceiver> FReceiver;
    std::unique_ptr<TFFSKTransmitter> FTransmitter;
};
