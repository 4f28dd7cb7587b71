#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Event.h"
#include "base/Object.h"

class TIniFile;
class TIniSnapshot;
class TCountryList;

// Plain enums: an ordinal outside the list, read from the shared file, is
// held as it stands.
enum TSquelchType : int { sqCTCSS = 0, sqDCS = 1, sqNone = 2 };
enum TMode : int { mdFM = 0, mdAM = 1, mdDIG = 2 };

// One preset server of the client suite (section Server<i>).
class TPresetServer : public TObject {
public:
    TPresetServer(std::string name, std::string buName, int port, int buPort, std::string net);

    std::string Name;
    std::string BUName;
    int Port;
    int BUPort;
    std::string Net;
};

// One announcement of the client suite (section IdleMessage<i> or
// ActivityMessage<i>).
class TAnnouncement : public TObject {
public:
    TAnnouncement(int time, std::string file);

    int Time;
    std::string File;
};

// The shared settings file "ZYNClient.ini" of the client suite. The
// constructor loads every key (missing keys take their defaults); every
// setter cleans its value, stores it, writes its key to the file at once and
// then raises its change event. A refused write raises EIniFileException
// ("Unable to write to <file>") after the value was stored; the event is then
// not raised.
class TZYNClientSettings : public TObject {
public:
    explicit TZYNClientSettings(const std::string& fileName);
    ~TZYNClientSettings() override;

    // Change events; Sender is this object.
    TNotifyEvent OnMessagesChange;
    TNotifyEvent OnInterfaceChange;
    TNotifyEvent OnNewMediaVol;

    // Shows the error of a courtesy sound file that does not exist (the GUI
    // puts up a message box with one OK button). When empty, the message
    // goes to the main loop's error report, or to stderr without a loop.
    std::function<void(const std::string& message)> ShowError;

    const std::string& Language() const { return FLanguage; }
    void SetLanguage(const std::string& Value);
    const std::string& SysManAddress() const { return FSysManAddress; }
    int SysManPort() const { return FSysManPort; }
    const std::string& PassWord() const { return FPassWord; }
    void SetPassWord(const std::string& Value);
    const std::string& OperaterName() const { return FOperaterName; }
    void SetOperaterName(const std::string& Value);
    const std::string& Callsign() const { return FCallsign; }
    void SetCallsign(const std::string& Value);
    std::string CallsignAndUser() const;
    const std::string& EMailAddress() const { return FEMailAddress; }
    void SetEMailAddress(const std::string& Value);
    const std::string& Country() const { return FCountry; }
    void SetCountry(const std::string& Value);
    const std::string& City() const { return FCity; }
    void SetCity(const std::string& Value);
    const std::string& CityPart() const { return FCityPart; }
    void SetCityPart(const std::string& Value);
    int Band() const { return FBand; }
    void SetBand(int Value);
    int Channel() const { return FChannel; }
    void SetChannel(int Value);
    TSquelchType SquelchType() const { return FSquelchType; }
    void SetSquelchType(TSquelchType Value);
    int Code() const { return FCode; }
    void SetCode(int Value);
    TMode Mode() const { return FMode; }
    void SetMode(TMode Value);
    std::string BandAndChannel() const;
    std::string CityCityPart() const;
    int PresetCount() const;
    bool TimeMessage() const { return FTimeMessage; }
    void SetTimeMessage(bool Value);
    int IdleAnnouncementsCount() const;
    int ActivityAnnouncementsCount() const;
    bool CourtesySoundEnable() const { return FCourtesySoundEnable; }
    void SetCourtesySoundEnable(bool Value);
    const std::string& VoIPCourtesySound() const { return FVoIPCourtesySound; }
    void SetVoIPCourtesySound(const std::string& Value);
    const std::string& LocalCourtesySound() const { return FLocalCourtesySound; }
    void SetLocalCourtesySound(const std::string& Value);
    const std::string& ErrorCourtesySound() const { return FErrorCourtesySound; }
    void SetErrorCourtesySound(const std::string& Value);
    bool VoIPComKeying() const { return FVoIPComKeying; }
    void SetVoIPComKeying(bool Value);
    bool VoIPComDsr() const { return FVoIPComDsr; }
    void SetVoIPComDsr(bool Value);
    bool VoIPComActiveHigh() const { return FVoIPComActiveHigh; }
    void SetVoIPComActiveHigh(bool Value);
    bool RigComKeying() const { return FRigComKeying; }
    void SetRigComKeying(bool Value);
    bool RigComDtr() const { return FRigComDtr; }
    void SetRigComDtr(bool Value);
    bool RigComUnusedHight() const { return FRigComUnusedHight; }
    void SetRigComUnusedHight(bool Value);
    bool RigComActiveHigh() const { return FRigComActiveHigh; }
    void SetRigComActiveHigh(bool Value);
    int SquelchSetlingTime() const { return FSquelchSetlingTime; }
    void SetSquelchSetlingTime(int Value);
    int VoxLevel() const { return FVoxLevel; }
    void SetVoxLevel(int Value);
    int VoxOffLevel() const { return FVoxOffLevel; }
    void SetVoxOffLevel(int Value);
    int VoxDelayTime() const { return FVoxDelayTime; }
    void SetVoxDelayTime(int Value);
    int CourtesyDelay() const { return FCourtesyDelay; }
    void SetCourtesyDelay(int Value);
    int CommIndex() const { return FCommIndex; }
    void SetCommIndex(int Value);
    int PTTKey() const { return FPTTKey; }
    void SetPTTKey(int Value);
    bool GlobalPTT() const { return FGlobalPTT; }
    void SetGlobalPTT(bool Value);
    bool ControlWinAmp() const { return FControlWinAmp; }
    void SetControlWinAmp(bool Value);
    bool ControlWMPlayer() const { return FControlWMPlayer; }
    void SetControlWMPlayer(bool Value);
    int MediaVolume() const { return FMediaVolume; }
    void SetMediaVolume(int Value);
    bool DecodeDTMF() const { return FDecodeDTMF; }
    void SetDecodeDTMF(bool Value);
    bool AutoConnect() const { return FAutoConnect; }
    void SetAutoConnect(bool Value);
    bool AutoTray() const { return FAutoTray; }
    void SetAutoTray(bool Value);
    bool AutoMessagePopUp() const { return FAutoMessagePopUp; }
    void SetAutoMessagePopUp(bool Value);
    int OutputDeviceID() const { return FOutputDeviceID; }
    void SetOutputDeviceID(int Value);
    int InputDeviceID() const { return FInputDeviceID; }
    void SetInputDeviceID(int Value);
    bool ALC() const { return FALC; }
    void SetALC(bool Value);
    const std::string& InBoundServerName() const { return FInBoundServerName; }
    void SetInBoundServerName(const std::string& Value);
    const std::string& InBoundServerAddress() const { return FInBoundServerAddress; }
    void SetInBoundServerAddress(const std::string& Value);
    bool ForwardSMS() const { return FForwardSMS; }
    void SetForwardSMS(bool Value);
    bool SendID() const { return FSendID; }
    void SetSendID(bool Value);
    int Status() const { return FStatus; }
    void SetStatus(int Value);
    int MainW() const { return FMainW; }
    void SetMainW(int Value);
    int MainH() const { return FMainH; }
    void SetMainH(int Value);
    int MainL() const { return FMainL; }
    void SetMainL(int Value);
    int MainT() const { return FMainT; }
    void SetMainT(int Value);
    int TextMessagesW() const { return FTextMessagesW; }
    void SetTextMessagesW(int Value);
    int TextMessagesH() const { return FTextMessagesH; }
    void SetTextMessagesH(int Value);
    int TextMessagesL() const { return FTextMessagesL; }
    void SetTextMessagesL(int Value);
    int TextMessagesT() const { return FTextMessagesT; }
    void SetTextMessagesT(int Value);
    bool TextMessagesV() const { return FTextMessagesV; }
    void SetTextMessagesV(bool Value);
    int SystemMonitorW() const { return FSystemMonitorW; }
    void SetSystemMonitorW(int Value);
    int SystemMonitorH() const { return FSystemMonitorH; }
    void SetSystemMonitorH(int Value);
    int SystemMonitorL() const { return FSystemMonitorL; }
    void SetSystemMonitorL(int Value);
    int SystemMonitorT() const { return FSystemMonitorT; }
    void SetSystemMonitorT(int Value);
    bool SystemMonitorV() const { return FSystemMonitorV; }
    void SetSystemMonitorV(bool Value);

    // The i-th entry (0-based); an index outside the list raises EListError.
    const TPresetServer& Presets(int Index) const;
    const TAnnouncement& IdleAnnouncements(int Index) const;
    const TAnnouncement& ActivityAnnouncements(int Index) const;

private:
    void Load();
    void LoadPresets(const TIniSnapshot& ini);
    void LoadAnnouncements(const TIniSnapshot& ini, const std::string& countKey, const std::string& sectionWord,
        std::vector<std::unique_ptr<TAnnouncement>>& list);
    std::string ResolveInBoundAddress(const std::string& Value) const;
    int CodeRule(int Value) const;
    // Stores a courtesy sound path if the file exists; reports the error
    // otherwise. Returns whether it was stored.
    bool AcceptSoundFile(const std::string& Value, std::string& Field, const char* Key);
    // The window position rule: a negative left or top edge shrinks its
    // partner size by the overshoot and becomes 0.
    void SetWindowEdge(
        int Value, int& Field, const char* Key, int Partner, void (TZYNClientSettings::*SetPartner)(int));
    void Report(const std::string& message) const;

    void WriteString(const char* Section, const char* Key, const std::string& Value);
    void WriteInteger(const char* Section, const char* Key, int Value);
    void WriteBool(const char* Section, const char* Key, bool Value);
    void Raise(const TNotifyEvent& Event);

    std::unique_ptr<TIniFile> FIniFile;
    std::vector<std::unique_ptr<TPresetServer>> FPresets;
    std::vector<std::unique_ptr<TAnnouncement>> FIdleAnnouncements;
    std::vector<std::unique_ptr<TAnnouncement>> FActivityAnnouncements;
    std::unique_ptr<TCountryList> FCountryList;

    std::string FLanguage;
    std::string FSysManAddress;
    int FSysManPort = 0;
    std::string FPassWord;
    std::string FOperaterName;
    std::string FCallsign;
    std::string FEMailAddress;
    std::string FCountry;
    std::string FCity;
    std::string FCityPart;
    int FBand = 0;
    int FChannel = 0;
    TSquelchType FSquelchType = sqCTCSS;
    int FCode = 0;
    TMode FMode = mdFM;
    bool FTimeMessage = false;
    bool FCourtesySoundEnable = false;
    std::string FVoIPCourtesySound;
    std::string FLocalCourtesySound;
    std::string FErrorCourtesySound;
    bool FVoIPComKeying = false;
    bool FVoIPComDsr = false;
    bool FVoIPComActiveHigh = false;
    bool FRigComKeying = false;
    bool FRigComDtr = false;
    bool FRigComUnusedHight = false;
    bool FRigComActiveHigh = false;
    int FSquelchSetlingTime = 0;
    int FVoxLevel = 0;
    int FVoxOffLevel = 0;
    int FVoxDelayTime = 0;
    int FCourtesyDelay = 0;
    int FCommIndex = 0;
    int FPTTKey = 0;
    bool FGlobalPTT = false;
    bool FControlWinAmp = false;
    bool FControlWMPlayer = false;
    int FMediaVolume = 0;
    bool FDecodeDTMF = false;
    bool FAutoConnect = false;
    bool FAutoTray = false;
    bool FAutoMessagePopUp = false;
    int FOutputDeviceID = 0;
    int FInputDeviceID = 0;
    bool FALC = false;
    std::string FInBoundServerName;
    std::string FInBoundServerAddress;
    bool FForwardSMS = false;
    bool FSendID = false;
    int FStatus = 0;
    int FMainW = 0;
    int FMainH = 0;
    int FMainL = 0;
    int FMainT = 0;
    int FTextMessagesW = 0;
    int FTextMessagesH = 0;
    int FTextMessagesL = 0;
    int FTextMessagesT = 0;
    bool FTextMessagesV = false;
    int FSystemMonitorW = 0;
    int FSystemMonitorH = 0;
    int FSystemMonitorL = 0;
    int FSystemMonitorT = 0;
    bool FSystemMonitorV = false;
};
