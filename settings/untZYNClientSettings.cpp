#include "settings/untZYNClientSettings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iostream>
#include <stdexcept>

#include "base/Exceptions.h"
#include "base/MainLoop.h"
#include "base/Translation.h"
#include "settings/AtomicFile.h"
#include "settings/CountryList.h"
#include "settings/IniFile.h"
#include "settings/SettingsTextRules.h"

namespace {

constexpr int MaxPresets = 10;
// Far more announcements than the suite ever keeps. Every entry reads the
// file twice, so a count of two thousand million (a damaged or hostile file)
// would hang the start-up and exhaust memory.
constexpr int MaxAnnouncements = 1000;

// A size shrunk by a negative position, saturating instead of overflowing
// on a nonsense size from the file.
int ShrunkBy(int size, int negativePosition)
{
    const std::int64_t sum = std::int64_t {size} + negativePosition;
    return static_cast<int>(std::max<std::int64_t>(sum, INT_MIN));
}

[[noreturn]] void ThrowIndex(int index)
{
    throw EListError(Translated("List index out of bounds (%1)", {std::to_string(index)}));
}

template <typename T> const T& Entry(const std::vector<std::unique_ptr<T>>& list, int index)
{
    if (index < 0 || index >= static_cast<int>(list.size())) ThrowIndex(index);
    return *list[static_cast<std::size_t>(index)];
}

std::string Read(const TIniSnapshot& ini, const TSettingsKey<std::string>& key)
{
    return ini.ReadString(key.Section, key.Name, key.Default);
}

int Read(const TIniSnapshot& ini, const TSettingsKey<int>& key)
{
    return ini.ReadInteger(key.Section, key.Name, key.Default);
}

bool Read(const TIniSnapshot& ini, const TSettingsKey<bool>& key)
{
    return ini.ReadBool(key.Section, key.Name, key.Default);
}

void Write(TIniFile& file, const TSettingsKey<std::string>& key, const std::string& value)
{
    file.WriteString(key.Section, key.Name, value);
}

void Write(TIniFile& file, const TSettingsKey<int>& key, int value)
{
    file.WriteInteger(key.Section, key.Name, value);
}

void Write(TIniFile& file, const TSettingsKey<bool>& key, bool value)
{
    file.WriteBool(key.Section, key.Name, value);
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
    , FCountryList(std::make_unique<TCountryList>())
{
    Load();
    FReadOnlyReason = WhyNotReplaceable(fileName).value_or(std::string());
    if (FReadOnlyReason.empty()) return;
    FNoticePending = true;
    ReportLater(Translated("The settings file %1 cannot be written (%2). Parlet uses it as it is; changes made in the "
                           "settings dialog hold until Parlet ends.",
        {fileName, FReadOnlyReason}));
}

// Here, where the INI file and the country list are complete types.
TZYNClientSettings::~TZYNClientSettings() = default;

const std::string& TZYNClientSettings::FileName() const
{
    return FIniFile->FileName();
}

void TZYNClientSettings::Load()
{
    // One read of the file for every key.
    const TIniSnapshot ini = FIniFile->Load();
    LoadPresets(ini);
    LoadAnnouncements(ini, "IdleMessagesCount", "IdleMessage", FIdleAnnouncements);
    LoadAnnouncements(ini, "ActivityMessagesCount", "ActivityMessage", FActivityAnnouncements);
    for (const TAnyKey& key : Keys()) std::visit([&](const auto& k) { LoadKey(k, ini); }, key);
}

template <typename T> void TZYNClientSettings::LoadKey(const TSettingsKey<T>& Key, const TIniSnapshot& Ini)
{
    T value = Read(Ini, Key);
    this->*Key.Field = Key.Rule ? Key.Rule(*this, std::move(value)) : std::move(value);
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

template <typename T> const TSettingsKey<T>& TZYNClientSettings::KeyOf(T TZYNClientSettings::*field)
{
    for (const TAnyKey& any : Keys())
        if (const auto* key = std::get_if<TSettingsKey<T>>(&any); key && key->Field == field) return *key;
    throw std::logic_error("a settings field without a key");
}

template <typename T> bool TZYNClientSettings::Store(T TZYNClientSettings::*field, T value)
{
    const TSettingsKey<T>& key = KeyOf(field);
    if (key.Accept && !key.Accept(*this, value)) return false;
    T cleaned = key.Rule ? key.Rule(*this, std::move(value)) : std::move(value);
    if (key.OnlyChanges && cleaned == this->*field) return false;
    this->*field = std::move(cleaned);
    if (FReadOnlyReason.empty())
        Write(*FIniFile, key, this->*field);
    else
        NotSaved(key.Name);
    return true;
}

template <typename T> void TZYNClientSettings::Set(T TZYNClientSettings::*Field, T Value)
{
    if (Store(Field, std::move(Value))) Raise(KeyOf(Field).Event);
}

// The setters in the header reach these three.
template void TZYNClientSettings::Set(int TZYNClientSettings::*, int);
template void TZYNClientSettings::Set(bool TZYNClientSettings::*, bool);
template void TZYNClientSettings::Set(std::string TZYNClientSettings::*, std::string);

void TZYNClientSettings::Raise(TNotifyEvent TZYNClientSettings::*event)
{
    if (event) (this->*event)(this);
}

std::string TZYNClientSettings::ResolveInBoundAddress(const std::string& value) const
{
    if (value == FInBoundServerName && !FInBoundServerAddress.empty()) return FInBoundServerAddress;
    return value;
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

void TZYNClientSettings::ReportLater(std::string message)
{
    if (!TMainLoop::Exists()) {
        FNoticePending = false;
        Report(message);
        return;
    }
    TMainLoop::Current().Post([alive = std::weak_ptr<TZYNClientSettings*>(FAlive), message = std::move(message)] {
        const auto self = alive.lock();
        if (!self) return;
        (*self)->FNoticePending = false;
        (*self)->Report(message);
    });
}

void TZYNClientSettings::NotSaved(const std::string& key)
{
    if (FNoticePending) return;
    ReportLater(Translated("Unable to save %1 to %2 (%3); the change holds until Parlet ends.",
        {key, FIniFile->FileName(), FReadOnlyReason}));
}

// ---- composed getters and lists

std::string TZYNClientSettings::CallsignAndUser() const
{
    return FormatCallsignAndUser(FCallsign, FOperaterName);
}

std::string TZYNClientSettings::BandAndChannel() const
{
    return FormatBandAndChannel(FBand, FChannel, Mode(), SquelchType(), FCode);
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

const TPresetServer& TZYNClientSettings::Presets(int index) const
{
    return Entry(FPresets, index);
}

const TAnnouncement& TZYNClientSettings::IdleAnnouncements(int index) const
{
    return Entry(FIdleAnnouncements, index);
}

const TAnnouncement& TZYNClientSettings::ActivityAnnouncements(int index) const
{
    return Entry(FActivityAnnouncements, index);
}

// ---- setters with more to do than their key's entry

void TZYNClientSettings::SetCallsign(const std::string& value)
{
    Set(&TZYNClientSettings::FCallsign, NormalizeCallsign(value));
}

void TZYNClientSettings::SetVoxCoupled(int TZYNClientSettings::*level, int TZYNClientSettings::*other, int value)
{
    Store(level, value);
    if (FVoxLevel < FVoxOffLevel) Store(other, this->*level);
    Raise(KeyOf(level).Event);
}

void TZYNClientSettings::SetWindowEdge(int TZYNClientSettings::*edge, int TZYNClientSettings::*size, int value)
{
    this->*edge = value;
    if (value < 0) {
        Set(size, ShrunkBy(this->*size, value));
        value = 0;
    }
    Set(edge, value);
}
