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

    // Why the file cannot be written; empty when it can.
    const std::string& ReadOnlyReason() const { return FReadOnlyReason; }

    const std::string& Language() const { return FLanguage; }
    void SetLanguage(const std::string& Value) { Set(&Self::FLanguage, Value); }
    const std::string& SysManAddress() const { return FSysManAddress; }
    int SysManPort() const { return FSysManPort; }
    const std::string& PassWord() const { return FPassWord; }
    void SetPassWord(const std::string& Value) { Set(&Self::FPassWord, Value); }
    const std::string& OperaterName() const { return FOperaterName; }
    void SetOperaterName(const std::string& Value) { Set(&Self::FOperaterName, Value); }
    const std::string& Callsign() const { return FCallsign; }
    void SetCallsign(const std::string& Value);
    std::string CallsignAndUser() const;
    const std::string& EMailAddress() const { return FEMailAddress; }
    void SetEMailAddress(const std::string& Value) { Set(&Self::FEMailAddress, Value); }
    const std::string& Country() const { return FCountry; }
    void SetCountry(const std::string& Value) { Set(&Self::FCountry, Value); }
    const std::string& City() const { return FCity; }
    void SetCity(const std::string& Value) { Set(&Self::FCity, Value); }
    const std::string& CityPart() const { return FCityPart; }
    void SetCityPart(const std::string& Value) { Set(&Self::FCityPart, Value); }
    int Band() const { return FBand; }
    void SetBand(int Value) { Set(&Self::FBand, Value); }
    int Channel() const { return FChannel; }
    void SetChannel(int Value) { Set(&Self::FChannel, Value); }
    TSquelchType SquelchType() const { return static_cast<TSquelchType>(FSquelchType); }
    void SetSquelchType(TSquelchType Value) { Set(&Self::FSquelchType, int {Value}); }
    int Code() const { return FCode; }
    void SetCode(int Value) { Set(&Self::FCode, Value); }
    TMode Mode() const { return static_cast<TMode>(FMode); }
    void SetMode(TMode Value) { Set(&Self::FMode, int {Value}); }
    std::string BandAndChannel() const;
    std::string CityCityPart() const;
    int PresetCount() const;
    bool TimeMessage() const { return FTimeMessage; }
    void SetTimeMessage(bool Value) { Set(&Self::FTimeMessage, Value); }
    int IdleAnnouncementsCount() const;
    int ActivityAnnouncementsCount() const;
    bool CourtesySoundEnable() const { return FCourtesySoundEnable; }
    void SetCourtesySoundEnable(bool Value) { Set(&Self::FCourtesySoundEnable, Value); }
    const std::string& VoIPCourtesySound() const { return FVoIPCourtesySound; }
    void SetVoIPCourtesySound(const std::string& Value) { Set(&Self::FVoIPCourtesySound, Value); }
    const std::string& LocalCourtesySound() const { return FLocalCourtesySound; }
    void SetLocalCourtesySound(const std::string& Value) { Set(&Self::FLocalCourtesySound, Value); }
    const std::string& ErrorCourtesySound() const { return FErrorCourtesySound; }
    void SetErrorCourtesySound(const std::string& Value) { Set(&Self::FErrorCourtesySound, Value); }
    bool VoIPComKeying() const { return FVoIPComKeying; }
    void SetVoIPComKeying(bool Value) { Set(&Self::FVoIPComKeying, Value); }
    bool VoIPComDsr() const { return FVoIPComDsr; }
    void SetVoIPComDsr(bool Value) { Set(&Self::FVoIPComDsr, Value); }
    bool VoIPComActiveHigh() const { return FVoIPComActiveHigh; }
    void SetVoIPComActiveHigh(bool Value) { Set(&Self::FVoIPComActiveHigh, Value); }
    bool RigComKeying() const { return FRigComKeying; }
    void SetRigComKeying(bool Value) { Set(&Self::FRigComKeying, Value); }
    bool RigComDtr() const { return FRigComDtr; }
    void SetRigComDtr(bool Value) { Set(&Self::FRigComDtr, Value); }
    bool RigComUnusedHight() const { return FRigComUnusedHight; }
    void SetRigComUnusedHight(bool Value) { Set(&Self::FRigComUnusedHight, Value); }
    bool RigComActiveHigh() const { return FRigComActiveHigh; }
    void SetRigComActiveHigh(bool Value) { Set(&Self::FRigComActiveHigh, Value); }
    int SquelchSetlingTime() const { return FSquelchSetlingTime; }
    void SetSquelchSetlingTime(int Value) { Set(&Self::FSquelchSetlingTime, Value); }
    int VoxLevel() const { return FVoxLevel; }
    void SetVoxLevel(int Value) { SetVoxCoupled(&Self::FVoxLevel, &Self::FVoxOffLevel, Value); }
    int VoxOffLevel() const { return FVoxOffLevel; }
    void SetVoxOffLevel(int Value) { SetVoxCoupled(&Self::FVoxOffLevel, &Self::FVoxLevel, Value); }
    int VoxDelayTime() const { return FVoxDelayTime; }
    void SetVoxDelayTime(int Value) { Set(&Self::FVoxDelayTime, Value); }
    int CourtesyDelay() const { return FCourtesyDelay; }
    void SetCourtesyDelay(int Value) { Set(&Self::FCourtesyDelay, Value); }
    int CommIndex() const { return FCommIndex; }
    void SetCommIndex(int Value) { Set(&Self::FCommIndex, Value); }
    // The sound card's GPIO pin that keys the PTT, 1 to 8.
    int GpioPin() const { return FGpioPin; }
    void SetGpioPin(int Value) { Set(&Self::FGpioPin, Value); }
    int PTTKey() const { return FPTTKey; }
    void SetPTTKey(int Value) { Set(&Self::FPTTKey, Value); }
    bool GlobalPTT() const { return FGlobalPTT; }
    void SetGlobalPTT(bool Value) { Set(&Self::FGlobalPTT, Value); }
    bool ControlWinAmp() const { return FControlWinAmp; }
    void SetControlWinAmp(bool Value) { Set(&Self::FControlWinAmp, Value); }
    bool ControlWMPlayer() const { return FControlWMPlayer; }
    void SetControlWMPlayer(bool Value) { Set(&Self::FControlWMPlayer, Value); }
    int MediaVolume() const { return FMediaVolume; }
    void SetMediaVolume(int Value) { Set(&Self::FMediaVolume, Value); }
    bool DecodeDTMF() const { return FDecodeDTMF; }
    void SetDecodeDTMF(bool Value) { Set(&Self::FDecodeDTMF, Value); }
    bool AutoConnect() const { return FAutoConnect; }
    void SetAutoConnect(bool Value) { Set(&Self::FAutoConnect, Value); }
    bool AutoTray() const { return FAutoTray; }
    void SetAutoTray(bool Value) { Set(&Self::FAutoTray, Value); }
    bool AutoMessagePopUp() const { return FAutoMessagePopUp; }
    void SetAutoMessagePopUp(bool Value) { Set(&Self::FAutoMessagePopUp, Value); }
    int OutputDeviceID() const { return FOutputDeviceID; }
    void SetOutputDeviceID(int Value) { Set(&Self::FOutputDeviceID, Value); }
    int InputDeviceID() const { return FInputDeviceID; }
    void SetInputDeviceID(int Value) { Set(&Self::FInputDeviceID, Value); }
    // The sound devices chosen by name ("" or missing: the system default),
    // this program's own keys in section [Parlet]; the suite's device
    // numbers above are left alone. A name with a control character would
    // break the file's line and is refused.
    const std::string& OutputDevice() const { return FOutputDevice; }
    void SetOutputDevice(const std::string& Value) { Set(&Self::FOutputDevice, Value); }
    const std::string& InputDevice() const { return FInputDevice; }
    void SetInputDevice(const std::string& Value) { Set(&Self::FInputDevice, Value); }
    bool ALC() const { return FALC; }
    void SetALC(bool Value) { Set(&Self::FALC, Value); }
    const std::string& InBoundServerName() const { return FInBoundServerName; }
    void SetInBoundServerName(const std::string& Value) { Set(&Self::FInBoundServerName, Value); }
    const std::string& InBoundServerAddress() const { return FInBoundServerAddress; }
    void SetInBoundServerAddress(const std::string& Value) { Set(&Self::FInBoundServerAddress, Value); }
    bool ForwardSMS() const { return FForwardSMS; }
    void SetForwardSMS(bool Value) { Set(&Self::FForwardSMS, Value); }
    bool SendID() const { return FSendID; }
    void SetSendID(bool Value) { Set(&Self::FSendID, Value); }
    int Status() const { return FStatus; }
    void SetStatus(int Value) { Set(&Self::FStatus, Value); }
    int MainW() const { return FMainW; }
    void SetMainW(int Value) { Set(&Self::FMainW, Value); }
    int MainH() const { return FMainH; }
    void SetMainH(int Value) { Set(&Self::FMainH, Value); }
    int MainL() const { return FMainL; }
    void SetMainL(int Value) { SetWindowEdge(&Self::FMainL, &Self::FMainW, Value); }
    int MainT() const { return FMainT; }
    void SetMainT(int Value) { SetWindowEdge(&Self::FMainT, &Self::FMainH, Value); }
    int TextMessagesW() const { return FTextMessagesW; }
    void SetTextMessagesW(int Value) { Set(&Self::FTextMessagesW, Value); }
    int TextMessagesH() const { return FTextMessagesH; }
    void SetTextMessagesH(int Value) { Set(&Self::FTextMessagesH, Value); }
    int TextMessagesL() const { return FTextMessagesL; }
    void SetTextMessagesL(int Value) { SetWindowEdge(&Self::FTextMessagesL, &Self::FTextMessagesW, Value); }
    int TextMessagesT() const { return FTextMessagesT; }
    void SetTextMessagesT(int Value) { SetWindowEdge(&Self::FTextMessagesT, &Self::FTextMessagesH, Value); }
    bool TextMessagesV() const { return FTextMessagesV; }
    void SetTextMessagesV(bool Value) { Set(&Self::FTextMessagesV, Value); }
    int SystemMonitorW() const { return FSystemMonitorW; }
    void SetSystemMonitorW(int Value) { Set(&Self::FSystemMonitorW, Value); }
    int SystemMonitorH() const { return FSystemMonitorH; }
    void SetSystemMonitorH(int Value) { Set(&Self::FSystemMonitorH, Value); }
    int SystemMonitorL() const { return FSystemMonitorL; }
    void SetSystemMonitorL(int Value) { SetWindowEdge(&Self::FSystemMonitorL, &Self::FSystemMonitorW, Value); }
    int SystemMonitorT() const { return FSystemMonitorT; }
    void SetSystemMonitorT(int Value) { SetWindowEdge(&Self::FSystemMonitorT, &Self::FSystemMonitorH, Value); }
    bool SystemMonitorV() const { return FSystemMonitorV; }
    void SetSystemMonitorV(bool Value) { Set(&Self::FSystemMonitorV, Value); }

    // The i-th entry (0-based); an index outside the list raises EListError.
    const TPresetServer& Presets(int Index) const;
    const TAnnouncement& IdleAnnouncements(int Index) const;
    const TAnnouncement& ActivityAnnouncements(int Index) const;

private:
    using TAnyKey = std::variant<TSettingsKey<int>, TSettingsKey<bool>, TSettingsKey<std::string>>;
    // Every key of the file, in load order: a rule may read a key before it.
    static const std::vector<TAnyKey>& Keys();
    template <typename T> static const TSettingsKey<T>& KeyOf(T Self::*Field);

    void Load();
    template <typename T> void LoadKey(const TSettingsKey<T>& Key, const TIniSnapshot& Ini);
    void LoadPresets(const TIniSnapshot& Ini);
    void LoadAnnouncements(const TIniSnapshot& Ini, const std::string& CountKey, const std::string& SectionWord,
        std::vector<std::unique_ptr<TAnnouncement>>& List);

    // Cleans, stores and writes a value as its key's entry says; false when
    // the entry refused it (nothing stored or written).
    template <typename T> bool Store(T Self::*Field, T Value);
    // Stores the value and then raises the key's event.
    template <typename T> void Set(T Self::*Field, T Value);
    void Raise(TNotifyEvent Self::*Event);

    // The vox coupling: after one level is set, the other follows it where
    // the on level would lie below the off level; the event fires once.
    void SetVoxCoupled(int Self::*Level, int Self::*Other, int Value);
    // The window position rule: a negative left or top edge shrinks its
    // partner size by the overshoot and becomes 0.
    void SetWindowEdge(int Self::*Edge, int Self::*Size, int Value);
    std::string ResolveInBoundAddress(const std::string& Value) const;
    void Report(const std::string& message) const;
    // The read-only notice, and a change that was not saved: shown from the
    // main loop, after what the caller is doing (a setter raises its event
    // first), or at once without a loop.
    void ReportLater(std::string message);
    void NotSaved(const std::string& Key);

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
