// Every key of the shared settings file, spelled as the suite's client spells
// it: section, key, field, default, rule, event (then, for a few setters, the
// values they refuse). The order is the load order.
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include "base/InstalledFolders.h"
#include "base/Translation.h"
#include "settings/CountryList.h"
#include "settings/SettingsTextRules.h"
#include "settings/untZYNClientSettings.h"

namespace {

using S = TZYNClientSettings;
using Int = TSettingsKey<int>;
using Bool = TSettingsKey<bool>;
using Text = TSettingsKey<std::string>;

constexpr std::size_t MaxCallsignLength = 20;

// Where the suite keeps its courtesy sounds when the file names none.
std::string DefaultSound(const char* fileName)
{
    return LocalOrInstalled("Sounds", InstalledDataFolder() + "/Sounds")
        + static_cast<char>(std::filesystem::path::preferred_separator) + fileName;
}

template <int Low, int High> int Clamp(const S&, int value)
{
    return std::clamp(value, Low, High);
}

// 0 is "PC Only", 1 "Crosslink"; real bands run from 25 to 999.
int BandRule(const S&, int value)
{
    if (value < 0) return 0;
    if (value <= 1) return value;
    if (value < 25) return 25;
    return std::min(value, 999);
}

// The load keeps a callsign as the other programs wrote it, only cut; the
// setter cleans it up before this.
std::string CutCallsign(const S&, std::string value)
{
    return value.substr(0, std::min(value.size(), MaxCallsignLength));
}

std::string WithName(const S&, std::string value)
{
    return NormalizeName(value, true);
}

std::string WithoutCapitals(const S&, std::string value)
{
    return NormalizeName(value, false);
}

std::string Lowered(const S&, std::string value)
{
    return LowerCaseAscii(std::move(value));
}

bool OnOneLine(const S&, const std::string& value)
{
    return std::none_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool NotEmpty(const S&, const std::string& value)
{
    return !value.empty();
}

// A folder or anything absent counts as missing.
bool IsExistingFile(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace

const std::vector<S::TAnyKey>& TZYNClientSettings::Keys()
{
    const auto Messages = &S::OnMessagesChange;
    const auto Interface = &S::OnInterfaceChange;
    // The code may run to 999 for DCS squelch or digital mode, read or set
    // before it.
    const auto CodeRule = [](const S& s, int value) {
        return std::clamp(value, 1, s.FSquelchType == sqDCS || s.FMode == mdDIG ? 999 : 99);
    };
    const auto InCountryList = [](const S& s, const std::string& value) { return s.FCountryList->Contains(value); };
    const auto KnownCountry = [](const S& s, std::string value) {
        return s.FCountryList->Contains(value) ? value : std::string();
    };
    const auto InBound = [](const S& s, std::string value) { return s.ResolveInBoundAddress(value); };
    const auto SoundFile = [](const S& s, const std::string& value) {
        if (IsExistingFile(value)) return true;
        s.Report(Translated("ZYN Client can not find %1.", {value}));
        return false;
    };

    static const std::vector<TAnyKey> keys = {
        Text {"Language", "Name", &S::FLanguage, ""},
        // No built-in server: the suite's own client fills this in. The
        // in-bound server keys load later, so the address stays as read.
        Text {"SystemManager", "Address", &S::FSysManAddress, "", InBound},
        Int {"SystemManager", "Port", &S::FSysManPort, 10025},
        Text {"Identification", "PassWord", &S::FPassWord, "", nullptr, nullptr, NotEmpty},
        Text {"Identification", "OperaterName", &S::FOperaterName, "", WithName},
        Text {"Identification", "Callsign", &S::FCallsign, "", CutCallsign},
        Text {"Identification", "EMailAddress", &S::FEMailAddress, "", Lowered},
        Text {"Identification", "Country", &S::FCountry, "", KnownCountry, nullptr, InCountryList},
        Text {"Identification", "City", &S::FCity, "", WithName},
        Text {"Identification", "CityPart", &S::FCityPart, "", WithoutCapitals},
        Int {"Identification", "FBand", &S::FBand, 0, BandRule, Interface},
        Int {"Identification", "Channel", &S::FChannel, 6, Clamp<1, 99>},
        Int {"Identification", "SquelchType", &S::FSquelchType, sqCTCSS},
        Int {"Identification", "Mode", &S::FMode, mdFM},
        Int {"Identification", "Code", &S::FCode, 20, CodeRule},
        Bool {"Messages", "TimeMessage", &S::FTimeMessage, true, nullptr, Messages},
        Bool {"CourtesySettings", "CourtesyOn", &S::FCourtesySoundEnable, true, nullptr, Messages},
        Text {"CourtesySettings", "VoIPCourtesySound", &S::FVoIPCourtesySound, DefaultSound("Over01.wav"), nullptr,
            Messages, SoundFile},
        Text {"CourtesySettings", "LocalCourtesySound", &S::FLocalCourtesySound, DefaultSound("Over02.wav"), nullptr,
            Messages, SoundFile},
        Text {"CourtesySettings", "ErrorCourtesySound", &S::FErrorCourtesySound, DefaultSound("Over05.wav"), nullptr,
            Messages, SoundFile},
        Bool {"Interface", "VoIpComm", &S::FVoIPComKeying, false, nullptr, Interface},
        Bool {"Interface", "VoIPComDsr", &S::FVoIPComDsr, false, nullptr, Interface},
        Bool {"Interface", "VoIPComActiveHigh", &S::FVoIPComActiveHigh, true, nullptr, Interface},
        Bool {"Interface", "RigComm", &S::FRigComKeying, false, nullptr, Interface},
        Bool {"Interface", "RigComDtr", &S::FRigComDtr, true, nullptr, Interface},
        Bool {"Interface", "RigComUnusedHight", &S::FRigComUnusedHight, false, nullptr, Interface},
        Bool {"Interface", "RigComActiveHigh", &S::FRigComActiveHigh, true, nullptr, Interface},
        Int {"Interface", "SquelchSetlingTime", &S::FSquelchSetlingTime, 200, Clamp<10, 3000>, Interface},
        Int {"Interface", "VoxLevel", &S::FVoxLevel, 30, Clamp<0, 100>, Interface},
        Int {"Interface", "VoxOffLevel", &S::FVoxOffLevel, 1, Clamp<0, 100>, Interface},
        Int {"Interface", "VoxDelayTime", &S::FVoxDelayTime, 500, Clamp<10, 3000>, Interface},
        Int {"Interface", "CourtesyDelay", &S::FCourtesyDelay, 400, nullptr, Interface},
        Int {"Interface", "CommPort", &S::FCommIndex, 0, nullptr, Interface},
        Int {"Interface", "PTTKey", &S::FPTTKey, 163},
        Bool {"Interface", "GlobalPTT", &S::FGlobalPTT, true},
        Bool {"Media", "ControlWinAmp", &S::FControlWinAmp, false, nullptr, nullptr, nullptr, true},
        Bool {"Media", "ControlWMPlayer", &S::FControlWMPlayer, false, nullptr, nullptr, nullptr, true},
        Int {"Media", "MediaVolume", &S::FMediaVolume, 50, nullptr, &S::OnNewMediaVol, nullptr, true},
        Bool {"Interface", "DecodeDTMF", &S::FDecodeDTMF, false},
        Bool {"Preverences", "AutoConnect", &S::FAutoConnect, false},
        Bool {"Preverences", "AutoTray", &S::FAutoTray, false},
        Bool {"Preverences", "AutoMessagePopUp", &S::FAutoMessagePopUp, true},
        Int {"AudioSettings", "OutputDeviceID", &S::FOutputDeviceID, 0},
        Int {"AudioSettings", "InputDeviceID", &S::FInputDeviceID, -1},
        Bool {"AudioSettings", "ALC", &S::FALC, true},
        Text {"Parlet", "OutputDevice", &S::FOutputDevice, "", nullptr, &S::OnNewSoundDevice, OnOneLine, true},
        Text {"Parlet", "InputDevice", &S::FInputDevice, "", nullptr, &S::OnNewSoundDevice, OnOneLine, true},
        Text {"InBoundServer", "ServerName", &S::FInBoundServerName, ""},
        Text {"InBoundServer", "InBoundAddress", &S::FInBoundServerAddress, "127.0.0.1"},
        Bool {"RfData", "ForwardSMS", &S::FForwardSMS, false, nullptr, Messages},
        Bool {"RfData", "SendID", &S::FSendID, false, nullptr, Messages},
        Int {"Identification", "Status", &S::FStatus, 0},
        Int {"Forms", "MainW", &S::FMainW, -1},
        Int {"Forms", "MainH", &S::FMainH, -1},
        Int {"Forms", "MainL", &S::FMainL, -1},
        Int {"Forms", "MainT", &S::FMainT, -1},
        Int {"Forms", "TextMessagesW", &S::FTextMessagesW, -1},
        Int {"Forms", "TextMessagesH", &S::FTextMessagesH, -1},
        Int {"Forms", "TextMessagesL", &S::FTextMessagesL, -1},
        Int {"Forms", "TextMessagesT", &S::FTextMessagesT, -1},
        Bool {"Forms", "TextMessagesV", &S::FTextMessagesV, false},
        Int {"Forms", "SystemMonitorW", &S::FSystemMonitorW, -1},
        Int {"Forms", "SystemMonitorH", &S::FSystemMonitorH, -1},
        Int {"Forms", "SystemMonitorL", &S::FSystemMonitorL, -1},
        Int {"Forms", "SystemMonitorT", &S::FSystemMonitorT, -1},
        Bool {"Forms", "SystemMonitorV", &S::FSystemMonitorV, false},
        Int {"Parlet", "GpioPin", &S::FGpioPin, 3, Clamp<1, 8>, Interface},
    };
    return keys;
}
