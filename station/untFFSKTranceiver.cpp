#include "untFFSKTranceiver.h"

#include "modem/untFFSKReceiver.h"
#include "station/untFFSKTransmitter.h"
#include "radio/untInterface.h"
#include "settings/untZYNClientSettings.h"

TFFSKTranceiver::TFFSKTranceiver(const TStationPlatform& platform, const std::string& settingsFile)
{
    settings_ = std::make_unique<TZYNClientSettings>(settingsFile);
    // The rig interface keys the radio only while a band is set; band 1 is
    // the suite's "Crosslink", whatever the file held.
    settings_->SetBand(1);
    rigInterface_ = std::make_unique<TInterface>(*settings_, platform.serial, platform.hid, platform.desktop);
    receiver_ = std::make_unique<TFFSKReceiver>(platform.sound);
    receiver_->OnInputLevel = [this](TObject*, int level) { OnInputLevel(this, level); };
    receiver_->OnReceive = [this](TObject*, bool isSms, const std::string& text) { OnReceive(this, isSms, text); };
    transmitter_ = std::make_unique<TFFSKTransmitter>(platform.sound, *settings_, *rigInterface_);
}

TFFSKTranceiver::~TFFSKTranceiver()
{
    transmitter_.reset();
    receiver_.reset();
    rigInterface_.reset();
    settings_.reset();
}

void TFFSKTranceiver::SendText(const std::string& text)
{
    const std::string body = settings_->OperaterName() + ">>" + text;
    transmitter_->Send("SMS>" + body);
    OnReceive(this, true, body);
}
