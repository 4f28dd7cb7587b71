#include "untFFSKTranceiver.h"

#include "audio/SoundPlatform.h"
#include "modem/FrameFormat.h"
#include "modem/untFFSK.h"
#include "modem/untFFSKReceiver.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/MediaDucking.h"
#include "station/untFFSKTransmitter.h"

TFFSKTranceiver::TFFSKTranceiver(
    const TStationPlatform& platform, const std::string& settingsFile, TStationOptions options)
    : FSound(platform.sound)
{
    FSettings = std::make_unique<TZYNClientSettings>(settingsFile);
    bool output = false;
    bool input = false;
    ChooseSoundDevices(output, input);
    // The rig interface keys the radio only while a band is set; band 1 is
    // the suite's "Crosslink", whatever the file held.
    FSettings->SetBand(1);
    FRigInterface = std::make_unique<TInterface>(*FSettings, platform.serial, platform.hid, platform.cardLink);
    FReceiver = std::make_unique<TFFSKReceiver>(platform.sound, options.Receiver);
    FTransmitter = std::make_unique<TFFSKTransmitter>(platform.sound, *FSettings, *FRigInterface);
    FDucking = std::make_unique<TMediaDucking>(*FRigInterface, *FSettings, platform.mixer);

    FConnections.push_back(FReceiver->OnInputLevel.Connect([this](TObject*, int level) { OnInputLevel(this, level); }));
    FConnections.push_back(
        FReceiver->OnReceive.Connect([this](TObject*, const TDecodedMessage& message) { Heard(message); }));
    FConnections.push_back(FSettings->OnNewSoundDevice.Connect([this](TObject*) { SoundDeviceChanged(); }));
    TFfskMessage& sequencer = FTransmitter->Sequencer();
    FConnections.push_back(
        sequencer.OnTextOnAir.Connect([this](TObject*, std::uint64_t id) { SentStep(id, TSendState::OnAir); }));
    FConnections.push_back(
        sequencer.OnTextSent.Connect([this](TObject*, std::uint64_t id) { SentStep(id, TSendState::Sent); }));
    FConnections.push_back(sequencer.OnTextFailed.Connect(
        [this](TObject*, std::uint64_t id, const std::string& reason) { SentStep(id, TSendState::Failed, reason); }));
    // Raised before the state they report is stored: the value goes along.
    FConnections.push_back(FTransmitter->OnTX.Connect([this](TObject*, bool keyed) {
        FKeyed = keyed;
        UpdateStatus();
    }));
    FConnections.push_back(FRigInterface->OnRigRxChange.Connect([this](TObject*, bool busy) {
        FChannelBusy = busy;
        UpdateStatus();
    }));
    FConnections.push_back(sequencer.Modulator().OnAvailabilityChange.Connect([this](TObject*) { UpdateStatus(); }));
    FConnections.push_back(FReceiver->OnAvailabilityChange.Connect([this](TObject*) { UpdateStatus(); }));
    UpdateStatus();
}

TFFSKTranceiver::~TFFSKTranceiver() = default;

void TFFSKTranceiver::ChooseSoundDevices(bool& output, bool& input)
{
    output = FSound.ChosenDevice(TWaveDirection::Playback) != FSettings->OutputDevice();
    input = FSound.ChosenDevice(TWaveDirection::Capture) != FSettings->InputDevice();
    FSound.ChooseDevice(TWaveDirection::Playback, FSettings->OutputDevice());
    FSound.ChooseDevice(TWaveDirection::Capture, FSettings->InputDevice());
}

void TFFSKTranceiver::SoundDeviceChanged()
{
    bool output = false;
    bool input = false;
    ChooseSoundDevices(output, input);
    if (input) FReceiver->ReopenDevice();
    if (output) {
        FTransmitter->ReopenDevice();
        // A sound card's GPIO keys only with the card chosen for output.
        FRigInterface->ApplyInterfaceSettings();
    }
    UpdateStatus();
}

std::uint64_t TFFSKTranceiver::SendText(const std::string& text)
{
    const std::string body = FFSKFrame::MessageBody(FSettings->OperaterName(), text);
    const std::uint64_t id = FTransmitter->Send(std::string(FFSKFrame::SmsPrefix) + body);
    FPending[id] = {body, ReadMessageText(TMessageType::Sms, body)};
    SentStep(id, TSendState::Queued);
    return id;
}

void TFFSKTranceiver::SentStep(std::uint64_t id, TSendState state, const std::string& reason)
{
    const auto pending = FPending.find(id);
    if (pending == FPending.end()) return;
    TMessageRecord record;
    record.Direction = TMessageDirection::Sent;
    record.State = state;
    record.Id = id;
    record.FailReason = reason;
    record.Type = TMessageType::Sms;
    record.RawBody = pending->second.Body;
    record.Message = pending->second.Message;
    record.Time = std::chrono::system_clock::now();
    if (state == TSendState::Sent || state == TSendState::Failed) FPending.erase(pending);
    OnReceive(this, record);
}

void TFFSKTranceiver::Heard(const TDecodedMessage& message)
{
    TMessageRecord record;
    record.Direction = TMessageDirection::Heard;
    record.Type = message.Type;
    record.RawBody = message.Body;
    record.Message = ReadMessageText(message);
    record.SnrDb = message.SnrDb;
    record.Time = std::chrono::system_clock::now();
    OnReceive(this, record);
}

void TFFSKTranceiver::UpdateStatus()
{
    TStationStatus status;
    status.Keyed = FKeyed;
    status.ChannelBusy = FChannelBusy;
    const TFFSK& modulator = FTransmitter->Sequencer().Modulator();
    status.OutputLost = modulator.PlayerLost();
    if (status.OutputLost) status.OutputReason = modulator.LossReason();
    status.InputLost = FReceiver->InputLost();
    if (status.InputLost) status.InputReason = FReceiver->LossReason();
    if (status == FStatus) return;
    FStatus = status;
    OnStatusChange(this, FStatus);
}
