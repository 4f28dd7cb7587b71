#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "base/Event.h"
#include "base/ProgramFolder.h"
#include "station/MessageRecord.h"
#include "station/StationOptions.h"
#include "station/StationPlatform.h"
#include "station/StationStatus.h"

class TFFSKReceiver;
class TMediaDucking;
class TFFSKTransmitter;
class TInterface;
class TZYNClientSettings;

using TAudioLevelEvent = TEvent<TObject*, int>;
// Every message the operator should see, sent or heard.
using TDataReiceiveEvent = TEvent<TObject*, const TMessageRecord&>;

// The station: it loads the settings, creates the rig interface, the
// receiver and the transmitter on the sound devices the settings choose
// (reopening them when the choice changes), turns other programs down while
// the channel is busy, sends texts tagged with the operator's name, and tells its listeners of every message (queued, on the
// air, sent, failed; heard) and of every change of its status. The window,
// the history and notifications are listeners like any other.
class TFFSKTranceiver : public TObject {
public:
    static constexpr const char* SettingsFileName = "ZYNClient.ini";

    TFFSKTranceiver(const TStationPlatform& platform,
        const std::string& settingsFile = ProgramFolder() + SettingsFileName, TStationOptions options = {});
    ~TFFSKTranceiver() override;

    // Queues one typed line as "SMS>" + operator name + ">>" + text; its
    // record (state Queued) is raised at once. Returns the record's Id.
    std::uint64_t SendText(const std::string& text);

    TZYNClientSettings& Settings() { return *FSettings; }
    TInterface& RigInterface() { return *FRigInterface; }
    TFFSKTransmitter& Transmitter() { return *FTransmitter; }
    TSoundPlatform& Sound() { return FSound; }
    const TStationStatus& Status() const { return FStatus; }
    // Texts sent from here, queued and not yet sent or failed.
    std::size_t PendingTexts() const { return FPending.size(); }

    TAudioLevelEvent OnInputLevel;
    TDataReiceiveEvent OnReceive;
    TStationStatusEvent OnStatusChange;

private:
    // Hand the devices chosen in the settings to the sound platform; true
    // for each direction whose choice changed.
    void ChooseSoundDevices(bool& output, bool& input);
    void SoundDeviceChanged();
    void Heard(const TDecodedMessage& message);
    // A step of a text sent from here; the last step forgets the text.
    void SentStep(std::uint64_t id, TSendState state, const std::string& reason = {});
    void UpdateStatus();

    TSoundPlatform& FSound;
    // Created in this order; C++ destroys them in reverse, so the transmitter
    // and receiver go before the rig interface, the settings last. The
    // connections end before any of them.
    std::unique_ptr<TZYNClientSettings> FSettings;
    std::unique_ptr<TInterface> FRigInterface;
    std::unique_ptr<TFFSKReceiver> FReceiver;
    std::unique_ptr<TFFSKTransmitter> FTransmitter;
    std::unique_ptr<TMediaDucking> FDucking;
    // Texts sent from here whose outcome is still to come: the body, and
    // the body read once for the records of every step.
    struct TPendingText {
        std::string Body;
        TMessageText Message;
    };
    std::map<std::uint64_t, TPendingText> FPending;
    TStationStatus FStatus;
    bool FKeyed = false;
    bool FChannelBusy = false;
    std::vector<TConnection> FConnections;
};
