#include "untFFSKTranceiver.h"

#include "audio/SoundPlatform.h"
#include "modem/FrameFormat.h"
#include "modem/untFFSKReceiver.h"
#include "radio/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTransmitter.h"

TFFSKTranceiver::TFFSKTranceiver(const TStationPlatform& platform, const std::string& settingsFile)
    : FSound(platform.sound)
{
    FSettings = std::make_unique<TZYNClientSettings>(settingsFile);
    bool output = false;
    bool input = false;
    ChooseSoundDevices(output, input);
    // The rig interface keys the radio only while a band is set; band 1 is
    // the suite's "Crosslink", whatever the file held.
    FSettings->SetBand(1);
    FRigInterface =
        std::make_unique<TInterface>(*FSettings, platform.serial, platform.hid, platform.cardLink, platform.desktop);
    FReceiver = std::make_unique<TFFSKReceiver>(platform.sound, platform.receiver);
    FReceiver->OnInputLevel = [this](TObject*, int level) { OnInputLevel(this, level); };
    FReceiver->OnReceive = [this](TObject*, const TDecodedMessage& message) {
        OnReceive(this, message.Type == TMessageType::Sms, message.Body);
    };
    FTransmitter = std::make_unique<TFFSKTransmitter>(platform.sound, *FSettings, *FRigInterface);
    FSettings->OnNewSoundDevice = [this](TObject*) {
        bool output = false;
        bool input = false;
        ChooseSoundDevices(output, input);
        if (input) FReceiver->ReopenDevice();
        if (!output) return;
        FTransmitter->ReopenDevice();
        // A sound card's GPIO keys only with the card chosen for output.
        FRigInterface->ApplyInterfaceSettings();
    };
}

void TFFSKTranceiver::ChooseSoundDevices(bool& output, bool& input)
{
    output = FSound.ChosenDevice(TWaveDirection::Playback) != FSettings->OutputDevice();
    input = FSound.ChosenDevice(TWaveDirection::Capture) != FSettings->InputDevice();
    FSound.ChooseDevice(TWaveDirection::Playback, FSettings->OutputDevice());
    FSound.ChooseDevice(TWaveDirection::Capture, FSettings->InputDevice());
}

TFFSKTranceiver::~TFFSKTranceiver() = default;

void TFFSKTranceiver::SendText(const std::string& text)
{
    FTransmitter->Send(FFSKFrame::SmsText(FSettings->OperaterName(), text));
    OnReceive(this, true, FFSKFrame::MessageBody(FSettings->OperaterName(), text));
}
