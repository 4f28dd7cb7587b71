#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "base/VirtualLoop.h"
#include "settings/IniFile.h"
#include "settings/IniText.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

enum class Fired { None, Messages, Interface, MediaVol, SoundDevice };

class SettingsSet : public ::testing::Test {
protected:
    void SetUp() override { Open(""); }

    void Open(const std::string& text)
    {
        FSettings.reset();
        if (!text.empty()) WriteBytes(File(), text);
        FSettings = std::make_unique<TZYNClientSettings>(File());
        FListening.clear();
        FListening.push_back(FSettings->OnMessagesChange.Connect([this](TObject* s) { Record(s, Fired::Messages); }));
        FListening.push_back(FSettings->OnInterfaceChange.Connect([this](TObject* s) { Record(s, Fired::Interface); }));
        FListening.push_back(FSettings->OnNewMediaVol.Connect([this](TObject* s) { Record(s, Fired::MediaVol); }));
        FListening.push_back(
            FSettings->OnNewSoundDevice.Connect([this](TObject* s) { Record(s, Fired::SoundDevice); }));
        FSettings->ShowError = [this](const std::string& message) { FErrors.push_back(message); };
        FFired.clear();
    }

    void Record(TObject* sender, Fired what)
    {
        EXPECT_EQ(sender, FSettings.get());
        FFired.push_back(what);
    }

    std::string File() const { return FFolder.File("ZYNClient.ini"); }
    std::optional<std::string> OnDisk(const char* section, const char* key) const
    {
        return FindIniValue(ReadBytes(File()), section, key);
    }

    TTempFolder FFolder;
    std::unique_ptr<TZYNClientSettings> FSettings;
    std::vector<Fired> FFired;
    std::vector<std::string> FErrors;
    std::vector<TConnection> FListening;
};

struct SetterCase {
    const char* section;
    const char* key;
    std::function<void(TZYNClientSettings&)> set;
    const char* written;
    Fired event;
};

// Every setter writes its own key, spelled as the suite's client spells it,
// and raises its own event (or none).
TEST_F(SettingsSet, EverySetterWritesItsKeyAndRaisesItsEvent)
{
    using S = TZYNClientSettings;
    const std::vector<SetterCase> cases = {
        {"Language", "Name", [](S& s) { s.SetLanguage("Deutsch"); }, "Deutsch", Fired::None},
        {"Identification", "PassWord", [](S& s) { s.SetPassWord("pw"); }, "pw", Fired::None},
        {"Identification", "OperaterName", [](S& s) { s.SetOperaterName("JOHN"); }, "John", Fired::None},
        {"Identification", "Callsign", [](S& s) { s.SetCallsign(" N0CALL "); }, "N0CALL", Fired::None},
        {"Identification", "EMailAddress", [](S& s) { s.SetEMailAddress("A@B.C"); }, "a@b.c", Fired::None},
        {"Identification", "Country", [](S& s) { s.SetCountry("germany"); }, "germany", Fired::None},
        {"Identification", "City", [](S& s) { s.SetCity("BERLIN"); }, "Berlin", Fired::None},
        {"Identification", "CityPart", [](S& s) { s.SetCityPart("MITTE"); }, "MITTE", Fired::None},
        {"Identification", "FBand", [](S& s) { s.SetBand(7); }, "25", Fired::Interface},
        {"Identification", "Channel", [](S& s) { s.SetChannel(150); }, "99", Fired::None},
        {"Identification", "SquelchType", [](S& s) { s.SetSquelchType(sqNone); }, "2", Fired::None},
        {"Identification", "Mode", [](S& s) { s.SetMode(mdDIG); }, "2", Fired::None},
        {"Identification", "Code", [](S& s) { s.SetCode(500); }, "99", Fired::None},
        {"Identification", "Status", [](S& s) { s.SetStatus(4); }, "4", Fired::None},
        {"Messages", "TimeMessage", [](S& s) { s.SetTimeMessage(false); }, "0", Fired::Messages},
        {"CourtesySettings", "CourtesyOn", [](S& s) { s.SetCourtesySoundEnable(false); }, "0", Fired::Messages},
        {"Interface", "VoIpComm", [](S& s) { s.SetVoIPComKeying(true); }, "1", Fired::Interface},
        {"Interface", "VoIPComDsr", [](S& s) { s.SetVoIPComDsr(true); }, "1", Fired::Interface},
        {"Interface", "VoIPComActiveHigh", [](S& s) { s.SetVoIPComActiveHigh(false); }, "0", Fired::Interface},
        {"Interface", "RigComm", [](S& s) { s.SetRigComKeying(true); }, "1", Fired::Interface},
        {"Interface", "RigComDtr", [](S& s) { s.SetRigComDtr(false); }, "0", Fired::Interface},
        {"Interface", "RigComUnusedHight", [](S& s) { s.SetRigComUnusedHight(true); }, "1", Fired::Interface},
        {"Interface", "RigComActiveHigh", [](S& s) { s.SetRigComActiveHigh(false); }, "0", Fired::Interface},
        {"Interface", "SquelchSetlingTime", [](S& s) { s.SetSquelchSetlingTime(5); }, "10", Fired::Interface},
        {"Interface", "VoxLevel", [](S& s) { s.SetVoxLevel(150); }, "100", Fired::Interface},
        {"Interface", "VoxDelayTime", [](S& s) { s.SetVoxDelayTime(4000); }, "3000", Fired::Interface},
        {"Interface", "CourtesyDelay", [](S& s) { s.SetCourtesyDelay(12345); }, "12345", Fired::Interface},
        {"Interface", "CommPort", [](S& s) { s.SetCommIndex(3); }, "3", Fired::Interface},
        {"Parlet", "GpioPin", [](S& s) { s.SetGpioPin(0); }, "1", Fired::Interface},
        {"Interface", "PTTKey", [](S& s) { s.SetPTTKey(17); }, "17", Fired::None},
        {"Interface", "GlobalPTT", [](S& s) { s.SetGlobalPTT(false); }, "0", Fired::None},
        {"Interface", "DecodeDTMF", [](S& s) { s.SetDecodeDTMF(true); }, "1", Fired::None},
        {"Media", "ControlWinAmp", [](S& s) { s.SetControlWinAmp(true); }, "1", Fired::None},
        {"Media", "ControlWMPlayer", [](S& s) { s.SetControlWMPlayer(true); }, "1", Fired::None},
        {"Media", "MediaVolume", [](S& s) { s.SetMediaVolume(80); }, "80", Fired::MediaVol},
        {"Preverences", "AutoConnect", [](S& s) { s.SetAutoConnect(true); }, "1", Fired::None},
        {"Preverences", "AutoTray", [](S& s) { s.SetAutoTray(true); }, "1", Fired::None},
        {"Preverences", "AutoMessagePopUp", [](S& s) { s.SetAutoMessagePopUp(false); }, "0", Fired::None},
        {"AudioSettings", "OutputDeviceID", [](S& s) { s.SetOutputDeviceID(2); }, "2", Fired::None},
        {"AudioSettings", "InputDeviceID", [](S& s) { s.SetInputDeviceID(5); }, "5", Fired::None},
        {"AudioSettings", "ALC", [](S& s) { s.SetALC(false); }, "0", Fired::None},
        {"Parlet", "OutputDevice", [](S& s) { s.SetOutputDevice("radio"); }, "radio", Fired::SoundDevice},
        {"Parlet", "InputDevice", [](S& s) { s.SetInputDevice("radio.monitor"); }, "radio.monitor", Fired::SoundDevice},
        {"InBoundServer", "ServerName", [](S& s) { s.SetInBoundServerName("in"); }, "in", Fired::None},
        {"InBoundServer", "InBoundAddress", [](S& s) { s.SetInBoundServerAddress("10.1.1.1"); }, "10.1.1.1",
            Fired::None},
        {"RfData", "ForwardSMS", [](S& s) { s.SetForwardSMS(true); }, "1", Fired::Messages},
        {"RfData", "SendID", [](S& s) { s.SetSendID(true); }, "1", Fired::Messages},
        {"Forms", "MainW", [](S& s) { s.SetMainW(640); }, "640", Fired::None},
        {"Forms", "MainH", [](S& s) { s.SetMainH(480); }, "480", Fired::None},
        {"Forms", "MainL", [](S& s) { s.SetMainL(10); }, "10", Fired::None},
        {"Forms", "MainT", [](S& s) { s.SetMainT(11); }, "11", Fired::None},
        {"Forms", "TextMessagesW", [](S& s) { s.SetTextMessagesW(12); }, "12", Fired::None},
        {"Forms", "TextMessagesH", [](S& s) { s.SetTextMessagesH(13); }, "13", Fired::None},
        {"Forms", "TextMessagesL", [](S& s) { s.SetTextMessagesL(14); }, "14", Fired::None},
        {"Forms", "TextMessagesT", [](S& s) { s.SetTextMessagesT(15); }, "15", Fired::None},
        {"Forms", "TextMessagesV", [](S& s) { s.SetTextMessagesV(true); }, "1", Fired::None},
        {"Forms", "SystemMonitorW", [](S& s) { s.SetSystemMonitorW(16); }, "16", Fired::None},
        {"Forms", "SystemMonitorH", [](S& s) { s.SetSystemMonitorH(17); }, "17", Fired::None},
        {"Forms", "SystemMonitorL", [](S& s) { s.SetSystemMonitorL(18); }, "18", Fired::None},
        {"Forms", "SystemMonitorT", [](S& s) { s.SetSystemMonitorT(19); }, "19", Fired::None},
        {"Forms", "SystemMonitorV", [](S& s) { s.SetSystemMonitorV(true); }, "1", Fired::None},
    };
    for (const SetterCase& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        fs::remove(File());
        Open("");
        c.set(*FSettings);
        EXPECT_EQ(ReadBytes(File()), std::string("[") + c.section + "]\r\n" + c.key + "=" + c.written + "\r\n");
        if (c.event == Fired::None)
            EXPECT_TRUE(FFired.empty());
        else
            EXPECT_EQ(FFired, std::vector<Fired> {c.event});
    }
}

// A key is loaded and set by the same rule: whatever a setter stores, a new
// load of the file gives back unchanged.
TEST_F(SettingsSet, WhatASetterStoresLoadsBackUnchanged)
{
    using S = TZYNClientSettings;
    const std::string wav = FFolder.File("beep.wav");
    WriteBytes(wav, "RIFF");
    struct RoundTrip {
        std::function<void(S&)> set;
        std::function<std::string(const S&)> get;
    };
    const std::vector<RoundTrip> cases = {
        {[](S& s) { s.SetCallsign("  N0CALL   portable station x "); }, [](const S& s) { return s.Callsign(); }},
        {[](S& s) { s.SetOperaterName("JOHN server SMITH"); }, [](const S& s) { return s.OperaterName(); }},
        {[](S& s) { s.SetCityPart("  old   TOWN link "); }, [](const S& s) { return s.CityPart(); }},
        {[](S& s) { s.SetEMailAddress("Op@Example.ORG"); }, [](const S& s) { return s.EMailAddress(); }},
        {[](S& s) { s.SetCountry("germany"); }, [](const S& s) { return s.Country(); }},
        {[](S& s) { s.SetBand(7); }, [](const S& s) { return std::to_string(s.Band()); }},
        {[](S& s) { s.SetChannel(150); }, [](const S& s) { return std::to_string(s.Channel()); }},
        {[](S& s) {
             s.SetMode(mdDIG);
             s.SetCode(1500);
         },
            [](const S& s) { return std::to_string(s.Code()); }},
        {[](S& s) { s.SetSquelchSetlingTime(1); }, [](const S& s) { return std::to_string(s.SquelchSetlingTime()); }},
        {[](S& s) { s.SetVoxDelayTime(99999); }, [](const S& s) { return std::to_string(s.VoxDelayTime()); }},
        {[](S& s) { s.SetVoxOffLevel(-5); }, [](const S& s) { return std::to_string(s.VoxOffLevel()); }},
        {[](S& s) { s.SetMediaVolume(-7); }, [](const S& s) { return std::to_string(s.MediaVolume()); }},
        {[](S& s) { s.SetGlobalPTT(false); }, [](const S& s) { return std::to_string(s.GlobalPTT()); }},
        {[&](S& s) { s.SetErrorCourtesySound(wav); }, [](const S& s) { return s.ErrorCourtesySound(); }},
        {[](S& s) { s.SetMainT(-30); }, [](const S& s) { return std::to_string(s.MainT()); }},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        cases[i].set(*FSettings);
        const std::string stored = cases[i].get(*FSettings);
        Open("");
        EXPECT_EQ(cases[i].get(*FSettings), stored);
    }
}

TEST_F(SettingsSet, TheEventFollowsTheWriteAndTheStoredValue)
{
    std::optional<std::string> seenOnDisk;
    bool seenValue = false;
    const TConnection on191 = FSettings->OnInterfaceChange.Connect([&](TObject*) {
        seenOnDisk = OnDisk("Interface", "RigComm");
        seenValue = FSettings->RigComKeying();
    });
    FSettings->SetRigComKeying(true);
    EXPECT_EQ(seenOnDisk, "1");
    EXPECT_TRUE(seenValue);
}

TEST_F(SettingsSet, BandChannelAndCodeRules)
{
    const std::pair<int, int> bands[] = {
        {-5, 0}, {0, 0}, {1, 1}, {2, 25}, {24, 25}, {25, 25}, {500, 500}, {999, 999}, {1000, 999}};
    for (const auto& [given, stored] : bands) {
        FSettings->SetBand(given);
        EXPECT_EQ(FSettings->Band(), stored) << given;
        EXPECT_EQ(OnDisk("Identification", "FBand"), std::to_string(stored));
    }
    FSettings->SetChannel(0);
    EXPECT_EQ(FSettings->Channel(), 1);

    FSettings->SetCode(500);
    EXPECT_EQ(FSettings->Code(), 99);
    FSettings->SetSquelchType(sqDCS);
    EXPECT_EQ(FSettings->Code(), 99); // a later squelch type does not re-clamp
    FSettings->SetCode(500);
    EXPECT_EQ(FSettings->Code(), 500);
    FSettings->SetSquelchType(sqCTCSS);
    FSettings->SetMode(mdDIG);
    FSettings->SetCode(1500);
    EXPECT_EQ(FSettings->Code(), 999);
    FSettings->SetMode(mdFM);
    EXPECT_EQ(FSettings->Code(), 999);
    FSettings->SetCode(-3);
    EXPECT_EQ(FSettings->Code(), 1);
    EXPECT_EQ(OnDisk("Identification", "Code"), "1");
}

TEST_F(SettingsSet, VoxLevelsPullEachOtherAlongAndFireOnce)
{
    Open("[Interface]\nVoxLevel=30\nVoxOffLevel=20\n");
    FSettings->SetVoxLevel(10);
    EXPECT_EQ(FSettings->VoxLevel(), 10);
    EXPECT_EQ(FSettings->VoxOffLevel(), 10);
    EXPECT_EQ(OnDisk("Interface", "VoxLevel"), "10");
    EXPECT_EQ(OnDisk("Interface", "VoxOffLevel"), "10");
    EXPECT_EQ(FFired, std::vector<Fired> {Fired::Interface});

    FFired.clear();
    FSettings->SetVoxOffLevel(150);
    EXPECT_EQ(FSettings->VoxOffLevel(), 100);
    EXPECT_EQ(FSettings->VoxLevel(), 100);
    EXPECT_EQ(OnDisk("Interface", "VoxLevel"), "100");
    EXPECT_EQ(OnDisk("Interface", "VoxOffLevel"), "100");
    EXPECT_EQ(FFired, std::vector<Fired> {Fired::Interface});

    // Moving apart couples nothing.
    FSettings->SetVoxOffLevel(40);
    EXPECT_EQ(FSettings->VoxLevel(), 100);
    EXPECT_EQ(OnDisk("Interface", "VoxLevel"), "100");
}

TEST_F(SettingsSet, ANegativeWindowEdgeShrinksItsPartnerSize)
{
    Open("[Forms]\nMainW=400\nMainH=300\nTextMessagesW=200\nTextMessagesH=100\n"
         "SystemMonitorW=50\nSystemMonitorH=60\n");
    FSettings->SetMainL(-20);
    EXPECT_EQ(FSettings->MainL(), 0);
    EXPECT_EQ(FSettings->MainW(), 380);
    EXPECT_EQ(OnDisk("Forms", "MainL"), "0");
    EXPECT_EQ(OnDisk("Forms", "MainW"), "380");

    FSettings->SetMainT(-30);
    EXPECT_EQ(FSettings->MainH(), 270);
    FSettings->SetTextMessagesL(-1);
    FSettings->SetTextMessagesT(-2);
    FSettings->SetSystemMonitorL(-3);
    FSettings->SetSystemMonitorT(-4);
    EXPECT_EQ(OnDisk("Forms", "MainT"), "0");
    EXPECT_EQ(OnDisk("Forms", "MainH"), "270");
    EXPECT_EQ(OnDisk("Forms", "TextMessagesW"), "199");
    EXPECT_EQ(OnDisk("Forms", "TextMessagesH"), "98");
    EXPECT_EQ(OnDisk("Forms", "SystemMonitorW"), "47");
    EXPECT_EQ(OnDisk("Forms", "SystemMonitorH"), "56");
    for (const char* edge : {"TextMessagesL", "TextMessagesT", "SystemMonitorL", "SystemMonitorT"})
        EXPECT_EQ(OnDisk("Forms", edge), "0") << edge;

    // A nonsense size from the file saturates instead of overflowing.
    FSettings->SetMainW(INT32_MIN + 5);
    FSettings->SetMainL(-100);
    EXPECT_EQ(FSettings->MainW(), INT32_MIN);
    EXPECT_TRUE(FFired.empty());
}

TEST_F(SettingsSet, UnchangedMediaSettingsWriteAndFireNothing)
{
    FSettings->SetMediaVolume(50);
    FSettings->SetControlWinAmp(false);
    FSettings->SetControlWMPlayer(false);
    EXPECT_FALSE(fs::exists(File()));
    EXPECT_TRUE(FFired.empty());

    FSettings->SetMediaVolume(150); // no limit
    EXPECT_EQ(OnDisk("Media", "MediaVolume"), "150");
    EXPECT_EQ(FFired, std::vector<Fired> {Fired::MediaVol});
}

TEST_F(SettingsSet, AnEmptyPasswordAndAnUnknownCountryAreIgnored)
{
    Open("[Identification]\nPassWord=old\nCountry=Spain\n");
    const std::string before = ReadBytes(File());
    FSettings->SetPassWord("");
    FSettings->SetCountry("Atlantis");
    EXPECT_EQ(FSettings->PassWord(), "old");
    EXPECT_EQ(FSettings->Country(), "Spain");
    EXPECT_EQ(ReadBytes(File()), before);

    FSettings->SetCountry("germany");
    EXPECT_EQ(FSettings->Country(), "germany");
    EXPECT_EQ(OnDisk("Identification", "Country"), "germany");
}

TEST_F(SettingsSet, ACourtesySoundMustBeAnExistingFile)
{
    const std::string wav = FFolder.File("beep.wav");
    WriteBytes(wav, "RIFF");
    FSettings->SetLocalCourtesySound(wav);
    EXPECT_EQ(FSettings->LocalCourtesySound(), wav);
    EXPECT_EQ(OnDisk("CourtesySettings", "LocalCourtesySound"), wav);
    EXPECT_EQ(FFired, std::vector<Fired> {Fired::Messages});
    EXPECT_TRUE(FErrors.empty());

    FFired.clear();
    const std::string before = ReadBytes(File());
    const std::string missing = FFolder.File("gone.wav");
    FSettings->SetLocalCourtesySound(missing);
    FSettings->SetVoIPCourtesySound(FFolder.Path().string()); // a folder is no file
    FSettings->SetErrorCourtesySound("");
    EXPECT_EQ(FErrors,
        (std::vector<std::string> {"ZYN Client can not find " + missing + ".",
            "ZYN Client can not find " + FFolder.Path().string() + ".", "ZYN Client can not find ."}));
    EXPECT_EQ(FSettings->LocalCourtesySound(), wav);
    EXPECT_NE(FSettings->VoIPCourtesySound(), FFolder.Path().string());
    EXPECT_TRUE(FFired.empty());
    EXPECT_EQ(ReadBytes(File()), before);

    FSettings->SetErrorCourtesySound(wav);
    FSettings->SetVoIPCourtesySound(wav);
    EXPECT_EQ(OnDisk("CourtesySettings", "ErrorCourtesySound"), wav);
    EXPECT_EQ(OnDisk("CourtesySettings", "VoIPCourtesySound"), wav);
}

TEST_F(SettingsSet, WithoutAnErrorHookTheSoundErrorReachesTheMainLoop)
{
    TVirtualLoop loop;
    std::vector<std::string> reported;
    loop.SetErrorReport([&](const std::string& message) { reported.push_back(message); });
    FSettings->ShowError = nullptr;
    FSettings->SetVoIPCourtesySound("/no/such.wav");
    EXPECT_EQ(reported, std::vector<std::string> {"ZYN Client can not find /no/such.wav."});
}

TEST_F(SettingsSet, ARefusedWriteKeepsTheValueInMemoryAndFiresNoEvent)
{
    const std::string lost = FFolder.File("vanished/ZYNClient.ini");
    TZYNClientSettings s(lost);
    bool fired = false;
    const TConnection on358 = s.OnInterfaceChange.Connect([&](TObject*) { fired = true; });
    try {
        s.SetRigComKeying(true);
        FAIL() << "the write should have been refused";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message().rfind("Unable to write to " + lost + " (", 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find("No such file or directory)"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(s.RigComKeying());
    EXPECT_FALSE(fired);
}

} // namespace
