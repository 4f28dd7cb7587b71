#include "untFFSKTranceiver.h"

#include "modem/FrameFormat.h"
#include "modem/untFFSKReceiver.h"
#include "radio/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTransmitter.h"

TFFSKTranceiver::TFFSKTranceiver(const TStationPlatform& platform, const std::string& settingsFile)
{
    FSettings = std::make_unique<TZYNClientSettings>(settingsFile);
    // The rig interface keys the radio only while a band is set; band 1 is
    // the suite's "Crosslink", whatever the file held.
    FSettings->SetBand(1);
    FRigInterface =
        std::make_unique<TInterface>(*FSettings, platform.serial, platform.hid, platform.cardLink, platform.desktop);
    FReceiver = std::make_unique<TFFSKReceiver>(platform.sound, platform.receiver);
    FReceiver->OnInputLevel = [this](TObject*, int level) { OnInputLevel(this, level); };
    FReceiver->OnReceive = [this](TObject*, bool isSms, const std::string& text) { OnReceive(this, isSms, text); };
    FTransmitter = std::make_unique<TFFSKTransmitter>(platform.sound, *FSettings, *FRigInterface);
}

TFFSKTranceiver::~TFFSKTranceiver() = default;

void TFFSKTranceiver::SendText(const std::string& text)
{
    FTransmitter->Send(FFSKFrame::SmsText(FSettings->OperaterName(), text));
    OnReceive(this, true, FFSKFrame::MessageBody(FSettings->OperaterName(), text));
}
