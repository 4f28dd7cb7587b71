#pragma once

#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "base/Event.h"
#include "base/Object.h"
#include "settings/SettingsKey.h"

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
// ("Unable to write to <file> (<step> <path>: <reason>)") after the value was
// stored; the event is then not raised. A file that exists and cannot be read
// makes the constructor throw EIniFileException ("Unable to read <file>").
//
// A file (or folder) that may be read but not written is used read-only: one
// notice says so, posted to the main loop's error report; every setter then
// stores its value and raises its event as usual, so a change holds for the
// session, and reports that it was not saved. Writes before the notice was
// shown (those of the start-up) are covered by the notice itself. Each key's section, default, rule and event are in its entry in
// SettingsKeyTable.cpp, which both the load and the setter follow.
class TZYNClientSettings : public TObject {
    // Short for the fields the setters name.
    using Self = TZYNClientSettings;

public:
    explicit TZYNClientSettings(const std::string& fileName);
    ~TZYNClientSettings() override;

    // The file these settings are kept in.
    const std::string& FileName() const;

    // Change events; Sender is this object.
    TNotifyEvent OnMessagesChange;
    TNotifyEvent OnInterfaceChange;
    TNotifyEvent OnNewMediaVol;
    // OutputDevice or InputDevice changed.
    TNotifyEvent OnNewSoundDevice;

    // Shows the error of a courtesy sound file that does not exist (the GUI
    // puts up a message box with one OK button). When empty, the message
    // goes to the main loop's error report, or to stderr without a loop.
    std::function<void(const std::string& message)> ShowError;

    const std::string& Language() const { return FLanguage; }
    void SetLanguage(const std::string& value) { Set(&Self::FLanguage, value); }
    const std::string& SysManAddress() const { return FSysManAddress; }
    int SysManPort() const { return FSysManPort; }
    const std::string& PassWord() const { return FPassWord; }
    void SetPassWord(const std::string& value) { Set(&Self::FPassWord, value); }
    const std::string& OperaterName() const { return FOperaterName; }
    void SetOperaterName(const std::string& value) { Set(&Self::FOperaterName, value); }
    const std::string& Callsign() const { return FCallsign; }
    void SetCallsign(const std::string& value);
    std::string CallsignAndUser() const;
    const std::string& EMailAddress() const { return FEMailAddress; }
    void SetEMailAddress(const std::string& value) { Set(&Self::FEMailAddress, value); }
    const std::string& Country() const { return FCountry; }
    void SetCountry(const std::string& value) { Set(&Self::FCountry, value); }
    const std::string& City() const { return FCity; }
    void SetCity(const std::string& value) { Set(&Self::FCity, value); }
    const std::string& CityPart() const { return FCityPart; }
    void SetCityPart(const std::string& value) { Set(&Self::FCityPart, value); }
    int Band() const { return FBand; }
    void SetBand(int value) { Set(&Self::FBand, value); }
    int Channel() const { return FChannel; }
    void SetChannel(int value) { Set(&Self::FChannel, value); }
    TSquelchType SquelchType() const { return static_cast<TSquelchType>(FSquelchType); }
    void SetSquelchType(TSquelchType value) { Set(&Self::FSquelchType, int {value}); }
    int Code() const { return FCode; }
    void SetCode(int value) { Set(&Self::FCode, value); }
    TMode Mode() const { return static_cast<TMode>(FMode); }
    void SetMode(TMode value) { Set(&Self::FMode, int {value}); }
    std::string BandAndChannel() const;
    std::string CityCityPart() const;
    int PresetCount() const;
    bool TimeMessage() const { return FTimeMessage; }
    void SetTimeMessage(bool value) { Set(&Self::FTimeMessage, value); }
    int IdleAnnouncementsCount() const;
    int ActivityAnnouncementsCount() const;
    bool CourtesySoundEnable() const { return FCourtesySoundEnable; }
    void SetCourtesySoundEnable(bool value) { Set(&Self::FCourtesySoundEnable, value); }
    const std::string& VoIPCourtesySound() const { return FVoIPCourtesySound; }
    void SetVoIPCourtesySound(const std::string& value) { Set(&Self::FVoIPCourtesySound, value); }
    const std::string& LocalCourtesySound() const { return FLocalCourtesySound; }
    void SetLocalCourtesySound(const std::string& value) { Set(&Self::FLocalCourtesySound, value); }
    const std::string& ErrorCourtesySound() const { return FErrorCourtesySound; }
    void SetErrorCourtesySound(const std::string& value) { Set(&Self::FErrorCourtesySound, value); }
    bool VoIPComKeying() const { return FVoIPComKeying; }
    void SetVoIPComKeying(bool value) { Set(&Self::FVoIPComKeying, value); }
    bool VoIPComDsr() const { return FVoIPComDsr; }
    void SetVoIPComDsr(bool value) { Set(&Self::FVoIPComDsr, value); }
    bool VoIPComActiveHigh() const { return FVoIPComActiveHigh; }
    void SetVoIPComActiveHigh(bool value) { Set(&Self::FVoIPComActiveHigh, value); }
    bool RigComKeying() const { return FRigComKeying; }
    void SetRigComKeying(bool value) { Set(&Self::FRigComKeying, value); }
    bool RigComDtr() const { return FRigComDtr; }
    void SetRigComDtr(bool value) { Set(&Self::FRigComDtr, value); }
    bool RigComUnusedHight() const { return FRigComUnusedHight; }
    void SetRigComUnusedHight(bool value) { Set(&Self::FRigComUnusedHight, value); }
    bool RigComActiveHigh() const { return FRigComActiveHigh; }
    void SetRigComActiveHigh(bool value) { Set(&Self::FRigComActiveHigh, value); }
    int SquelchSetlingTime() const { return FSquelchSetlingTime; }
    void SetSquelchSetlingTime(int value) { Set(&Self::FSquelchSetlingTime, value); }
    int VoxLevel() const { return FVoxLevel; }
    void SetVoxLevel(int value) { SetVoxCoupled(&Self::FVoxLevel, &Self::FVoxOffLevel, value); }
    int VoxOffLevel() const { return FVoxOffLevel; }
    void SetVoxOffLevel(int value) { SetVoxCoupled(&Self::FVoxOffLevel, &Self::FVoxLevel, value); }
    int VoxDelayTime() const { return FVoxDelayTime; }
    void SetVoxDelayTime(int value) { Set(&Self::FVoxDelayTime, value); }
    int CourtesyDelay() const { return FCourtesyDelay; }
    void SetCourtesyDelay(int value) { Set(&Self::FCourtesyDelay, value); }
    int CommIndex() const { return FCommIndex; }
    void SetCommIndex(int value) { Set(&Self::FCommIndex, value); }
    // The sound card's GPIO pin that keys the PTT, 1 to 8.
    int GpioPin() const { return FGpioPin; }
    void SetGpioPin(int value) { Set(&Self::FGpioPin, value); }
    int PTTKey() const { return FPTTKey; }
    void SetPTTKey(int value) { Set(&Self::FPTTKey, value); }
    bool GlobalPTT() const { return FGlobalPTT; }
    void SetGlobalPTT(bool value) { Set(&Self::FGlobalPTT, value); }
    bool ControlWinAmp() const { return FControlWinAmp; }
    void SetControlWinAmp(bool value) { Set(&Self::FControlWinAmp, value); }
    bool ControlWMPlayer() const { return FControlWMPlayer; }
    void SetControlWMPlayer(bool value) { Set(&Self::FControlWMPlayer, value); }
    int MediaVolume() const { return FMediaVolume; }
    void SetMediaVolume(int value) { Set(&Self::FMediaVolume, value); }
    bool DecodeDTMF() const { return FDecodeDTMF; }
    void SetDecodeDTMF(bool value) { Set(&Self::FDecodeDTMF, value); }
    bool AutoConnect() const { return FAutoConnect; }
    void SetAutoConnect(bool value) { Set(&Self::FAutoConnect, value); }
    bool AutoTray() const { return FAutoTray; }
    void SetAutoTray(bool value) { Set(&Self::FAutoTray, value); }
    bool AutoMessagePopUp() const { return FAutoMessagePopUp; }
    void SetAutoMessagePopUp(bool value) { Set(&Self::FAutoMessagePopUp, value); }
    int OutputDeviceID() const { return FOutputDeviceID; }
    void SetOutputDeviceID(int value) { Set(&Self::FOutputDeviceID, value); }
    int InputDeviceID() const { return FInputDeviceID; }
    void SetInputDeviceID(int value) { Set(&Self::FInputDeviceID, value); }
    // The sound devices chosen by name ("" or missing: the system default),
    // this program's own keys in section [Parlet]; the suite's device
    // numbers above are left alone. A name with a control character would
    // break the file's line and is refused.
    const std::string& OutputDevice() const { return FOutputDevice; }
    void SetOutputDevice(const std::string& value) { Set(&Self::FOutputDevice, value); }
    const std::string& InputDevice() const { return FInputDevice; }
    void SetInputDevice(const std::string& value) { Set(&Self::FInputDevice, value); }
    bool ALC() const { return FALC; }
    void SetALC(bool value) { Set(&Self::FALC, value); }
    const std::string& InBoundServerName() const { return FInBoundServerName; }
    void SetInBoundServerName(const std::string& value) { Set(&Self::FInBoundServerName, value); }
    const std::string& InBoundServerAddress() const { return FInBoundServerAddress; }
    void SetInBoundServerAddress(const std::string& value) { Set(&Self::FInBoundServerAddress, value); }
    bool ForwardSMS() const { return FForwardSMS; }
    void SetForwardSMS(bool value) { Set(&Self::FForwardSMS, value); }
    bool SendID() const { return FSendID; }
    void SetSendID(bool value) { Set(&Self::FSendID, value); }
    int Status() const { return FStatus; }
    void SetStatus(int value) { Set(&Self::FStatus, value); }
    int MainW() const { return FMainW; }
    void SetMainW(int value) { Set(&Self::FMainW, value); }
    int MainH() const { return FMainH; }
    void SetMainH(int value) { Set(&Self::FMainH, value); }
    int MainL() const { return FMainL; }
    void SetMainL(int value) { SetWindowEdge(&Self::FMainL, &Self::FMainW, value); }
    int MainT() const { return FMainT; }
    void SetMainT(int value) { SetWindowEdge(&Self::FMainT, &Self::FMainH, value); }
    int TextMessagesW() const { return FTextMessagesW; }
    void SetTextMessagesW(int value) { Set(&Self::FTextMessagesW, value); }
    int TextMessagesH() const { return FTextMessagesH; }
    void SetTextMessagesH(int value) { Set(&Self::FTextMessagesH, value); }
    int TextMessagesL() const { return FTextMessagesL; }
    void SetTextMessagesL(int value) { SetWindowEdge(&Self::FTextMessagesL, &Self::FTextMessagesW, value); }
    int TextMessagesT() const { return FTextMessagesT; }
    void SetTextMessagesT(int value) { SetWindowEdge(&Self::FTextMessagesT, &Self::FTextMessagesH, value); }
    bool TextMessagesV() const { return FTextMessagesV; }
    void SetTextMessagesV(bool value) { Set(&Self::FTextMessagesV, value); }
    int SystemMonitorW() const { return FSystemMonitorW; }
    void SetSystemMonitorW(int value) { Set(&Self::FSystemMonitorW, value); }
    int SystemMonitorH() const { return FSystemMonitorH; }
    void SetSystemMonitorH(int value) { Set(&Self::FSystemMonitorH, value); }
    int SystemMonitorL() const { return FSystemMonitorL; }
    void SetSystemMonitorL(int value) { SetWindowEdge(&Self::FSystemMonitorL, &Self::FSystemMonitorW, value); }
    int SystemMonitorT() const { return FSystemMonitorT; }
    void SetSystemMonitorT(int value) { SetWindowEdge(&Self::FSystemMonitorT, &Self::FSystemMonitorH, value); }
    bool SystemMonitorV() const { return FSystemMonitorV; }
    void SetSystemMonitorV(bool value) { Set(&Self::FSystemMonitorV, value); }

    // The i-th entry (0-based); an index outside the list raises EListError.
    const TPresetServer& Presets(int index) const;
    const TAnnouncement& IdleAnnouncements(int index) const;
    const TAnnouncement& ActivityAnnouncements(int index) const;

private:
    using TAnyKey = std::variant<TSettingsKey<int>, TSettingsKey<bool>, TSettingsKey<std::string>>;
    // Every key of the file, in load order: a rule may read a key before it.
    static const std::vector<TAnyKey>& Keys();
    template <typename T> static const TSettingsKey<T>& KeyOf(T Self::*field);

    void Load();
    template <typename T> void LoadKey(const TSettingsKey<T>& key, const TIniSnapshot& ini);
    void LoadPresets(const TIniSnapshot& ini);
    void LoadAnnouncements(const TIniSnapshot& ini, const std::string& countKey, const std::string& sectionWord,
        std::vector<std::unique_ptr<TAnnouncement>>& list);

    // Cleans, stores and writes a value as its key's entry says; false when
    // the entry refused it (nothing stored or written).
    template <typename T> bool Store(T Self::*field, T value);
    // Stores the value and then raises the key's event.
    template <typename T> void Set(T Self::*field, T value);
    void Raise(TNotifyEvent Self::*event);

    // The vox coupling: after one level is set, the other follows it where
    // the on level would lie below the off level; the event fires once.
    void SetVoxCoupled(int Self::*level, int Self::*other, int value);
    // The window position rule: a negative left or top edge shrinks its
    // partner size by the overshoot and becomes 0.
    void SetWindowEdge(int Self::*edge, int Self::*size, int value);
    std::string ResolveInBoundAddress(const std::string& value) const;
    void Report(const std::string& message) const;
    // The read-only notice, and a change that was not saved: shown from the
    // main loop, after what the caller is doing (a setter raises its event
    // first), or at once without a loop.
    void ReportLater(std::string message);
    void NotSaved(const std::string& key);

    std::unique_ptr<TIniFile> FIniFile;
    std::string FReadOnlyReason;
    bool FNoticePending = false;
    // Lets a posted report know whether this object still exists.
    std::shared_ptr<TZYNClientSettings*> FAlive = std::make_shared<TZYNClientSettings*>(this);
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
    int FSquelchType = sqCTCSS;
    int FCode = 0;
    int FMode = mdFM;
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
    int FGpioPin = 0;
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
    std::string FOutputDevice;
    std::string FInputDevice;
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
