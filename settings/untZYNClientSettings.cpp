#include "settings/untZYNClientSettings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <sys/stat.h>

#include "base/Exceptions.h"
#include "base/MainLoop.h"
#include "base/ProgramFolder.h"
#include "settings/CountryList.h"
#include "settings/IniFile.h"
#include "settings/SettingsTextRules.h"

namespace {

constexpr int MaxPresets = 10;
// Far more announcements than the suite ever keeps. Every entry reads the
// file twice, so a count of two thousand million (a damaged or hostile file)
// would hang the start-up and exhaust memory.
constexpr int MaxAnnouncements = 1000;
constexpr std::size_t MaxCallsignLength = 20;

// Where the suite keeps its courtesy sounds when the file names none.
std::string DefaultSound(const char* fileName)
{
    return ProgramFolder() + "Sounds" + static_cast<char>(std::filesystem::path::preferred_separator) + fileName;
}

// 0 is "PC Only", 1 "Crosslink"; real bands run from 25 to 999.
int BandRule(int value)
{
    if (value < 0) return 0;
    if (value <= 1) return value;
    if (value < 25) return 25;
    return std::min(value, 999);
}

// A size shrunk by a negative position, saturating instead of overflowing
// on a nonsense size from the file.
int ShrunkBy(int size, int negativePosition)
{
    const std::int64_t sum = std::int64_t {size} + negativePosition;
    return static_cast<int>(std::max<std::int64_t>(sum, INT_MIN));
}

// A folder or anything absent counts as missing.
bool IsExistingFile(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

[[noreturn]] void ThrowIndex(int index)
{
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

template <typename T> const T& Entry(const std::vector<std::unique_ptr<T>>& list, int index)
{
    if (index < 0 || index >= static_cast<int>(list.size())) ThrowIndex(index);
    return *list[static_cast<std::size_t>(index)];
}

} // namespace

TPresetServer::TPresetServer(std::string name, std::string buName, int port, int buPort, std::string net)
    : Name(std::move(name))
    , BUName(std::move(buName))
    , Port(port)
    , BUPort(buPort)
    , Net(std::move(net))
{
}

TAnnouncement::TAnnouncement(int time, std::string file)
    : Time(time)
    , File(std::move(file))
{
}

TZYNClientSettings::TZYNClientSettings(const std::string& fileName)
    : FIniFile(std::make_unique<TIniFile>(fileName))
{
    Load();
}

TZYNClientSettings::~TZYNClientSettings()
{
    FCountryList.reset();
    FActivityAnnouncements.clear();
    FIdleAnnouncements.clear();
    FPresets.clear();
    FIniFile.reset();
}

// The order matters where a rule uses a value read before it (the code rule
// uses SquelchType and Mode).
void TZYNClientSettings::Load()
{
    // One read of the file for every key.
    const TIniSnapshot ini = FIniFile->Snapshot();
    FLanguage = ini.ReadString("Language", "Name", "");
    LoadPresets(ini);
    LoadAnnouncements(ini, "IdleMessagesCount", "IdleMessage", FIdleAnnouncements);
    LoadAnnouncements(ini, "ActivityMessagesCount", "ActivityMessage", FActivityAnnouncements);

    // No built-in server: the suite's own client fills this in. The in-bound
    // server keys are not read yet here, so the address stays as read; a
    // later resolution would turn an empty address into the in-bound
    // default 127.0.0.1, which the suite never asked for.
    FSysManAddress = ResolveInBoundAddress(ini.ReadString("SystemManager", "Address", ""));
    FSysManPort = ini.ReadInteger("SystemManager", "Port", 10025);

    FPassWord = ini.ReadString("Identification", "PassWord", "");
    FOperaterName = NormalizeName(ini.ReadString("Identification", "OperaterName", ""), true);
    FCallsign = ini.ReadString("Identification", "Callsign", "").substr(0, MaxCallsignLength);
    FEMailAddress = LowerCaseAscii(ini.ReadString("Identification", "EMailAddress", ""));

    FCountryList = std::make_unique<TCountryList>();
    FCountry = ini.ReadString("Identification", "Country", "");
    if (!FCountryList->Contains(FCountry)) FCountry.clear();

    FCity = NormalizeName(ini.ReadString("Identification", "City", ""), true);
    FCityPart = NormalizeName(ini.ReadString("Identification", "CityPart", ""), false);
    FBand = BandRule(ini.ReadInteger("Identification", "FBand", 0));
    FChannel = std::clamp(ini.ReadInteger("Identification", "Channel", 6), 1, 99);
    FSquelchType = static_cast<TSquelchType>(ini.ReadInteger("Identification", "SquelchType", sqCTCSS));
    FMode = static_cast<TMode>(ini.ReadInteger("Identification", "Mode", mdFM));
    FCode = CodeRule(ini.ReadInteger("Identification", "Code", 20));

    FTimeMessage = ini.ReadBool("Messages", "TimeMessage", true);

    FCourtesySoundEnable = ini.ReadBool("CourtesySettings", "CourtesyOn", true);
    FVoIPCourtesySound = ini.ReadString("CourtesySettings", "VoIPCourtesySound", DefaultSound("Over01.wav"));
    FLocalCourtesySound = ini.ReadString("CourtesySettings", "LocalCourtesySound", DefaultSound("Over02.wav"));
    FErrorCourtesySound = ini.ReadString("CourtesySettings", "ErrorCourtesySound", DefaultSound("Over05.wav"));

    FVoIPComKeying = ini.ReadBool("Interface", "VoIpComm", false);
    FVoIPComDsr = ini.ReadBool("Interface", "VoIPComDsr", false);
    FVoIPComActiveHigh = ini.ReadBool("Interface", "VoIPComActiveHigh", true);
    FRigComKeying = ini.ReadBool("Interface", "RigComm", false);
    FRigComDtr = ini.ReadBool("Interface", "RigComDtr", true);
    FRigComUnusedHight = ini.ReadBool("Interface", "RigComUnusedHight", false);
    FRigComActiveHigh = ini.ReadBool("Interface", "RigComActiveHigh", true);
    FSquelchSetlingTime = std::clamp(ini.ReadInteger("Interface", "SquelchSetlingTime", 200), 10, 3000);
    FVoxLevel = std::clamp(ini.ReadInteger("Interface", "VoxLevel", 30), 0, 100);
    FVoxOffLevel = std::clamp(ini.ReadInteger("Interface", "VoxOffLevel", 1), 0, 100);
    FVoxDelayTime = std::clamp(ini.ReadInteger("Interface", "VoxDelayTime", 500), 10, 3000);
    FCourtesyDelay = ini.ReadInteger("Interface", "CourtesyDelay", 400);
    FCommIndex = ini.ReadInteger("Interface", "CommPort", 0);
    FPTTKey = ini.ReadInteger("Interface", "PTTKey", 163);
    FGlobalPTT = ini.ReadBool("Interface", "GlobalPTT", true);

    FControlWinAmp = ini.ReadBool("Media", "ControlWinAmp", false);
    FControlWMPlayer = ini.ReadBool("Media", "ControlWMPlayer", false);
    FMediaVolume = ini.ReadInteger("Media", "MediaVolume", 50);

    FDecodeDTMF = ini.ReadBool("Interface", "DecodeDTMF", false);

    FAutoConnect = ini.ReadBool("Preverences", "AutoConnect", false);
    FAutoTray = ini.ReadBool("Preverences", "AutoTray", false);
    FAutoMessagePopUp = ini.ReadBool("Preverences", "AutoMessagePopUp", true);

    FOutputDeviceID = ini.ReadInteger("AudioSettings", "OutputDeviceID", 0);
    FInputDeviceID = ini.ReadInteger("AudioSettings", "InputDeviceID", -1);
    FALC = ini.ReadBool("AudioSettings", "ALC", true);

    FInBoundServerName = ini.ReadString("InBoundServer", "ServerName", "");
    FInBoundServerAddress = ini.ReadString("InBoundServer", "InBoundAddress", "127.0.0.1");

    FForwardSMS = ini.ReadBool("RfData", "ForwardSMS", false);
    FSendID = ini.ReadBool("RfData", "SendID", false);

    FStatus = ini.ReadInteger("Identification", "Status", 0);

    FMainW = ini.ReadInteger("Forms", "MainW", -1);
    FMainH = ini.ReadInteger("Forms", "MainH", -1);
    FMainL = ini.ReadInteger("Forms", "MainL", -1);
    FMainT = ini.ReadInteger("Forms", "MainT", -1);
    FTextMessagesW = ini.ReadInteger("Forms", "TextMessagesW", -1);
    FTextMessagesH = ini.ReadInteger("Forms", "TextMessagesH", -1);
    FTextMessagesL = ini.ReadInteger("Forms", "TextMessagesL", -1);
    FTextMessagesT = ini.ReadInteger("Forms", "TextMessagesT", -1);
    FTextMessagesV = ini.ReadBool("Forms", "TextMessagesV", false);
    FSystemMonitorW = ini.ReadInteger("Forms", "SystemMonitorW", -1);
    FSystemMonitorH = ini.ReadInteger("Forms", "SystemMonitorH", -1);
    FSystemMonitorL = ini.ReadInteger("Forms", "SystemMonitorL", -1);
    FSystemMonitorT = ini.ReadInteger("Forms", "SystemMonitorT", -1);
    FSystemMonitorV = ini.ReadBool("Forms", "SystemMonitorV", false);
}

void TZYNClientSettings::LoadPresets(const TIniSnapshot& ini)
{
    const int count = std::min(ini.ReadInteger("Servers", "Count", 0), MaxPresets);
    for (int i = 0; i < count; ++i) {
        const std::string section = "Server" + std::to_string(i);
        std::string buName = ini.ReadString(section, "BUName", "");
        const int port = ini.ReadInteger(section, "Port", 10024);
        const int buPort = ini.ReadInteger(section, "BUPort", 10024);
        std::string net = ini.ReadString(section, "Net", "");
        std::string name = ini.ReadString(section, "Name", "");
        FPresets.push_back(
            std::make_unique<TPresetServer>(std::move(name), std::move(buName), port, buPort, std::move(net)));
    }
}

void TZYNClientSettings::LoadAnnouncements(const TIniSnapshot& ini, const std::string& countKey,
    const std::string& sectionWord, std::vector<std::unique_ptr<TAnnouncement>>& list)
{
    const int count = std::min(ini.ReadInteger("Messages", countKey, 0), MaxAnnouncements);
    for (int i = 0; i < count; ++i) {
        const std::string section = sectionWord + std::to_string(i);
        std::string file = ini.ReadString(section, "File", "");
        const int time = ini.ReadInteger(section, "Time", 0);
        list.push_back(std::make_unique<TAnnouncement>(time, std::move(file)));
    }
}

std::string TZYNClientSettings::ResolveInBoundAddress(const std::string& Value) const
{
    if (Value == FInBoundServerName && !FInBoundServerAddress.empty()) return FInBoundServerAddress;
    return Value;
}

int TZYNClientSettings::CodeRule(int Value) const
{
    const int highest = FSquelchType == sqDCS || FMode == mdDIG ? 999 : 99;
    return std::clamp(Value, 1, highest);
}

void TZYNClientSettings::Report(const std::string& message) const
{
    if (ShowError)
        ShowError(message);
    else if (TMainLoop::Exists())
        TMainLoop::Current().ReportError(message);
    else
        std::cerr << message << std::endl;
}

bool TZYNClientSettings::AcceptSoundFile(const std::string& Value, std::string& Field, const char* Key)
{
    if (!IsExistingFile(Value)) {
        Report("ZYN Client can not find " + Value + ".");
        return false;
    }
    Field = Value;
    WriteString("CourtesySettings", Key, Field);
    return true;
}

void TZYNClientSettings::SetWindowEdge(
    int Value, int& Field, const char* Key, int Partner, void (TZYNClientSettings::*SetPartner)(int))
{
    Field = Value;
    if (Value < 0) {
        (this->*SetPartner)(ShrunkBy(Partner, Value));
        Field = 0;
    }
    WriteInteger("Forms", Key, Field);
}

void TZYNClientSettings::WriteString(const char* Section, const char* Key, const std::string& Value)
{
    FIniFile->WriteString(Section, Key, Value);
}

void TZYNClientSettings::WriteInteger(const char* Section, const char* Key, int Value)
{
    FIniFile->WriteInteger(Section, Key, Value);
}

void TZYNClientSettings::WriteBool(const char* Section, const char* Key, bool Value)
{
    FIniFile->WriteBool(Section, Key, Value);
}

void TZYNClientSettings::Raise(const TNotifyEvent& Event)
{
    Event(this);
}

// ---- composed getters and lists

std::string TZYNClientSettings::CallsignAndUser() const
{
    return FormatCallsignAndUser(FCallsign, FOperaterName);
}

std::string TZYNClientSettings::BandAndChannel() const
{
    return FormatBandAndChannel(FBand, FChannel, FMode, FSquelchType, FCode);
}

std::string TZYNClientSettings::CityCityPart() const
{
    return FormatCityCityPart(FCity, FCityPart);
}

int TZYNClientSettings::PresetCount() const
{
    return static_cast<int>(FPresets.size());
}

int TZYNClientSettings::IdleAnnouncementsCount() const
{
    return static_cast<int>(FIdleAnnouncements.size());
}

int TZYNClientSettings::ActivityAnnouncementsCount() const
{
    return static_cast<int>(FActivityAnnouncements.size());
}

const TPresetServer& TZYNClientSettings::Presets(int Index) const
{
    return Entry(FPresets, Index);
}

const TAnnouncement& TZYNClientSettings::IdleAnnouncements(int Index) const
{
    return Entry(FIdleAnnouncements, Index);
}

const TAnnouncement& TZYNClientSettings::ActivityAnnouncements(int Index) const
{
    return Entry(FActivityAnnouncements, Index);
}

// ---- setters: store the cleaned value, write its key, then raise the event

void TZYNClientSettings::SetLanguage(const std::string& Value)
{
    FLanguage = Value;
    WriteString("Language", "Name", FLanguage);
}

void TZYNClientSettings::SetPassWord(const std::string& Value)
{
    if (Value.empty()) return;
    FPassWord = Value;
    WriteString("Identification", "PassWord", FPassWord);
}

void TZYNClientSettings::SetOperaterName(const std::string& Value)
{
    FOperaterName = NormalizeName(Value, true);
    WriteString("Identification", "OperaterName", FOperaterName);
}

void TZYNClientSettings::SetCallsign(const std::string& Value)
{
    FCallsign = NormalizeCallsign(Value);
    WriteString("Identification", "Callsign", FCallsign);
}

void TZYNClientSettings::SetEMailAddress(const std::string& Value)
{
    FEMailAddress = LowerCaseAscii(Value);
    WriteString("Identification", "EMailAddress", FEMailAddress);
}

void TZYNClientSettings::SetCountry(const std::string& Value)
{
    if (!FCountryList->Contains(Value)) return;
    FCountry = Value;
    WriteString("Identification", "Country", FCountry);
}

void TZYNClientSettings::SetCity(const std::string& Value)
{
    FCity = NormalizeName(Value, true);
    WriteString("Identification", "City", FCity);
}

void TZYNClientSettings::SetCityPart(const std::string& Value)
{
    FCityPart = NormalizeName(Value, false);
    WriteString("Identification", "CityPart", FCityPart);
}

void TZYNClientSettings::SetBand(int Value)
{
    FBand = BandRule(Value);
    WriteInteger("Identification", "FBand", FBand);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetChannel(int Value)
{
    FChannel = std::clamp(Value, 1, 99);
    WriteInteger("Identification", "Channel", FChannel);
}

void TZYNClientSettings::SetSquelchType(TSquelchType Value)
{
    FSquelchType = Value;
    WriteInteger("Identification", "SquelchType", FSquelchType);
}

void TZYNClientSettings::SetCode(int Value)
{
    FCode = CodeRule(Value);
    WriteInteger("Identification", "Code", FCode);
}

void TZYNClientSettings::SetMode(TMode Value)
{
    FMode = Value;
    WriteInteger("Identification", "Mode", FMode);
}

void TZYNClientSettings::SetTimeMessage(bool Value)
{
    FTimeMessage = Value;
    WriteBool("Messages", "TimeMessage", FTimeMessage);
    Raise(OnMessagesChange);
}

void TZYNClientSettings::SetCourtesySoundEnable(bool Value)
{
    FCourtesySoundEnable = Value;
    WriteBool("CourtesySettings", "CourtesyOn", FCourtesySoundEnable);
    Raise(OnMessagesChange);
}

void TZYNClientSettings::SetVoIPCourtesySound(const std::string& Value)
{
    if (AcceptSoundFile(Value, FVoIPCourtesySound, "VoIPCourtesySound")) Raise(OnMessagesChange);
}

void TZYNClientSettings::SetLocalCourtesySound(const std::string& Value)
{
    if (AcceptSoundFile(Value, FLocalCourtesySound, "LocalCourtesySound")) Raise(OnMessagesChange);
}

void TZYNClientSettings::SetErrorCourtesySound(const std::string& Value)
{
    if (AcceptSoundFile(Value, FErrorCourtesySound, "ErrorCourtesySound")) Raise(OnMessagesChange);
}

void TZYNClientSettings::SetVoIPComKeying(bool Value)
{
    FVoIPComKeying = Value;
    WriteBool("Interface", "VoIpComm", FVoIPComKeying);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetVoIPComDsr(bool Value)
{
    FVoIPComDsr = Value;
    WriteBool("Interface", "VoIPComDsr", FVoIPComDsr);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetVoIPComActiveHigh(bool Value)
{
    FVoIPComActiveHigh = Value;
    WriteBool("Interface", "VoIPComActiveHigh", FVoIPComActiveHigh);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetRigComKeying(bool Value)
{
    FRigComKeying = Value;
    WriteBool("Interface", "RigComm", FRigComKeying);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetRigComDtr(bool Value)
{
    FRigComDtr = Value;
    WriteBool("Interface", "RigComDtr", FRigComDtr);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetRigComUnusedHight(bool Value)
{
    FRigComUnusedHight = Value;
    WriteBool("Interface", "RigComUnusedHight", FRigComUnusedHight);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetRigComActiveHigh(bool Value)
{
    FRigComActiveHigh = Value;
    WriteBool("Interface", "RigComActiveHigh", FRigComActiveHigh);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetSquelchSetlingTime(int Value)
{
    FSquelchSetlingTime = std::clamp(Value, 10, 3000);
    WriteInteger("Interface", "SquelchSetlingTime", FSquelchSetlingTime);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetVoxLevel(int Value)
{
    FVoxLevel = std::clamp(Value, 0, 100);
    WriteInteger("Interface", "VoxLevel", FVoxLevel);
    if (FVoxLevel < FVoxOffLevel) {
        FVoxOffLevel = FVoxLevel;
        WriteInteger("Interface", "VoxOffLevel", FVoxOffLevel);
    }
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetVoxOffLevel(int Value)
{
    FVoxOffLevel = std::clamp(Value, 0, 100);
    WriteInteger("Interface", "VoxOffLevel", FVoxOffLevel);
    if (FVoxLevel < FVoxOffLevel) {
        FVoxLevel = FVoxOffLevel;
        WriteInteger("Interface", "VoxLevel", FVoxLevel);
    }
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetVoxDelayTime(int Value)
{
    FVoxDelayTime = std::clamp(Value, 10, 3000);
    WriteInteger("Interface", "VoxDelayTime", FVoxDelayTime);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetCourtesyDelay(int Value)
{
    FCourtesyDelay = Value;
    WriteInteger("Interface", "CourtesyDelay", FCourtesyDelay);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetCommIndex(int Value)
{
    FCommIndex = Value;
    WriteInteger("Interface", "CommPort", FCommIndex);
    Raise(OnInterfaceChange);
}

void TZYNClientSettings::SetPTTKey(int Value)
{
    FPTTKey = Value;
    WriteInteger("Interface", "PTTKey", FPTTKey);
}

void TZYNClientSettings::SetGlobalPTT(bool Value)
{
    FGlobalPTT = Value;
    WriteBool("Interface", "GlobalPTT", FGlobalPTT);
}

void TZYNClientSettings::SetControlWinAmp(bool Value)
{
    if (Value == FControlWinAmp) return;
    FControlWinAmp = Value;
    WriteBool("Media", "ControlWinAmp", FControlWinAmp);
}

void TZYNClientSettings::SetControlWMPlayer(bool Value)
{
    if (Value == FControlWMPlayer) return;
    FControlWMPlayer = Value;
    WriteBool("Media", "ControlWMPlayer", FControlWMPlayer);
}

void TZYNClientSettings::SetMediaVolume(int Value)
{
    if (Value == FMediaVolume) return;
    FMediaVolume = Value;
    WriteInteger("Media", "MediaVolume", FMediaVolume);
    Raise(OnNewMediaVol);
}

void TZYNClientSettings::SetDecodeDTMF(bool Value)
{
    FDecodeDTMF = Value;
    WriteBool("Interface", "DecodeDTMF", FDecodeDTMF);
}

void TZYNClientSettings::SetAutoConnect(bool Value)
{
    FAutoConnect = Value;
    WriteBool("Preverences", "AutoConnect", FAutoConnect);
}

void TZYNClientSettings::SetAutoTray(bool Value)
{
    FAutoTray = Value;
    WriteBool("Preverences", "AutoTray", FAutoTray);
}

void TZYNClientSettings::SetAutoMessagePopUp(bool Value)
{
    FAutoMessagePopUp = Value;
    WriteBool("Preverences", "AutoMessagePopUp", FAutoMessagePopUp);
}

void TZYNClientSettings::SetOutputDeviceID(int Value)
{
    FOutputDeviceID = Value;
    WriteInteger("AudioSettings", "OutputDeviceID", FOutputDeviceID);
}

void TZYNClientSettings::SetInputDeviceID(int Value)
{
    FInputDeviceID = Value;
    WriteInteger("AudioSettings", "InputDeviceID", FInputDeviceID);
}

void TZYNClientSettings::SetALC(bool Value)
{
    FALC = Value;
    WriteBool("AudioSettings", "ALC", FALC);
}

void TZYNClientSettings::SetInBoundServerName(const std::string& Value)
{
    FInBoundServerName = Value;
    WriteString("InBoundServer", "ServerName", FInBoundServerName);
}

void TZYNClientSettings::SetInBoundServerAddress(const std::string& Value)
{
    FInBoundServerAddress = Value;
    WriteString("InBoundServer", "InBoundAddress", FInBoundServerAddress);
}

void TZYNClientSettings::SetForwardSMS(bool Value)
{
    FForwardSMS = Value;
    WriteBool("RfData", "ForwardSMS", FForwardSMS);
    Raise(OnMessagesChange);
}

void TZYNClientSettings::SetSendID(bool Value)
{
    FSendID = Value;
    WriteBool("RfData", "SendID", FSendID);
    Raise(OnMessagesChange);
}

void TZYNClientSettings::SetStatus(int Value)
{
    FStatus = Value;
    WriteInteger("Identification", "Status", FStatus);
}

void TZYNClientSettings::SetMainW(int Value)
{
    FMainW = Value;
    WriteInteger("Forms", "MainW", FMainW);
}

void TZYNClientSettings::SetMainH(int Value)
{
    FMainH = Value;
    WriteInteger("Forms", "MainH", FMainH);
}

void TZYNClientSettings::SetMainL(int Value)
{
    SetWindowEdge(Value, FMainL, "MainL", FMainW, &TZYNClientSettings::SetMainW);
}

void TZYNClientSettings::SetMainT(int Value)
{
    SetWindowEdge(Value, FMainT, "MainT", FMainH, &TZYNClientSettings::SetMainH);
}

void TZYNClientSettings::SetTextMessagesW(int Value)
{
    FTextMessagesW = Value;
    WriteInteger("Forms", "TextMessagesW", FTextMessagesW);
}

void TZYNClientSettings::SetTextMessagesH(int Value)
{
    FTextMessagesH = Value;
    WriteInteger("Forms", "TextMessagesH", FTextMessagesH);
}

void TZYNClientSettings::SetTextMessagesL(int Value)
{
    SetWindowEdge(Value, FTextMessagesL, "TextMessagesL", FTextMessagesW, &TZYNClientSettings::SetTextMessagesW);
}

void TZYNClientSettings::SetTextMessagesT(int Value)
{
    SetWindowEdge(Value, FTextMessagesT, "TextMessagesT", FTextMessagesH, &TZYNClientSettings::SetTextMessagesH);
}

void TZYNClientSettings::SetTextMessagesV(bool Value)
{
    FTextMessagesV = Value;
    WriteBool("Forms", "TextMessagesV", FTextMessagesV);
}

void TZYNClientSettings::SetSystemMonitorW(int Value)
{
    FSystemMonitorW = Value;
    WriteInteger("Forms", "SystemMonitorW", FSystemMonitorW);
}

void TZYNClientSettings::SetSystemMonitorH(int Value)
{
    FSystemMonitorH = Value;
    WriteInteger("Forms", "SystemMonitorH", FSystemMonitorH);
}

void TZYNClientSettings::SetSystemMonitorL(int Value)
{
    SetWindowEdge(Value, FSystemMonitorL, "SystemMonitorL", FSystemMonitorW, &TZYNClientSettings::SetSystemMonitorW);
}

void TZYNClientSettings::SetSystemMonitorT(int Value)
{
    SetWindowEdge(Value, FSystemMonitorT, "SystemMonitorT", FSystemMonitorH, &TZYNClientSettings::SetSystemMonitorH);
}

void TZYNClientSettings::SetSystemMonitorV(bool Value)
{
    FSystemMonitorV = Value;
    WriteBool("Forms", "SystemMonitorV", FSystemMonitorV);
}
