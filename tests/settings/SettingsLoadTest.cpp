#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include "base/Exceptions.h"
#include "base/ProgramFolder.h"
#include "settings/SettingsTextRules.h"
#include "settings/untZYNClientSettings.h"
#include "tests/support/TempFolder.h"

namespace {

class SettingsLoad : public ::testing::Test {
protected:
    std::unique_ptr<TZYNClientSettings> LoadFrom(const std::string& text)
    {
        WriteBytes(File(), text);
        return std::make_unique<TZYNClientSettings>(File());
    }
    std::string File() const { return FFolder.File("ZYNClient.ini"); }

    TTempFolder FFolder;
};

using S = TZYNClientSettings;

std::string Text(int v)
{
    return std::to_string(v);
}
std::string Text(bool v)
{
    return v ? "1" : "0";
}
std::string Text(const std::string& v)
{
    return v;
}

// One key of the file: where it lives, how its property reads, its default,
// and a value in the file with what the load makes of it.
struct KeyCase {
    const char* section;
    const char* key;
    std::function<std::string(const S&)> get;
    std::string byDefault;
    const char* inFile;
    const char* loaded;
};

const std::string Sounds = ProgramFolder() + "Sounds/";

const std::vector<KeyCase> Keys = {
    {"Language", "Name", [](const S& s) { return Text(s.Language()); }, "", "Deutsch", "Deutsch"},
    {"SystemManager", "Address", [](const S& s) { return Text(s.SysManAddress()); }, "", "sm.example", "sm.example"},
    {"SystemManager", "Port", [](const S& s) { return Text(s.SysManPort()); }, "10025", "1", "1"},
    {"Identification", "PassWord", [](const S& s) { return Text(s.PassWord()); }, "", "pw", "pw"},
    {"Identification", "OperaterName", [](const S& s) { return Text(s.OperaterName()); }, "", "JOHN", "John"},
    {"Identification", "Callsign", [](const S& s) { return Text(s.Callsign()); }, "", "N0CALL", "N0CALL"},
    {"Identification", "EMailAddress", [](const S& s) { return Text(s.EMailAddress()); }, "", "A@B.C", "a@b.c"},
    {"Identification", "Country", [](const S& s) { return Text(s.Country()); }, "", "germany", "germany"},
    {"Identification", "City", [](const S& s) { return Text(s.City()); }, "", "BERLIN", "Berlin"},
    {"Identification", "CityPart", [](const S& s) { return Text(s.CityPart()); }, "", "MITTE", "MITTE"},
    {"Identification", "FBand", [](const S& s) { return Text(s.Band()); }, "0", "40", "40"},
    {"Identification", "Channel", [](const S& s) { return Text(s.Channel()); }, "6", "12", "12"},
    {"Identification", "SquelchType", [](const S& s) { return Text(int {s.SquelchType()}); }, "0", "1", "1"},
    {"Identification", "Mode", [](const S& s) { return Text(int {s.Mode()}); }, "0", "1", "1"},
    {"Identification", "Code", [](const S& s) { return Text(s.Code()); }, "20", "300", "300"},
    {"Identification", "Status", [](const S& s) { return Text(s.Status()); }, "0", "3", "3"},
    {"Messages", "TimeMessage", [](const S& s) { return Text(s.TimeMessage()); }, "1", "0", "0"},
    {"CourtesySettings", "CourtesyOn", [](const S& s) { return Text(s.CourtesySoundEnable()); }, "1", "0", "0"},
    {"CourtesySettings", "VoIPCourtesySound", [](const S& s) { return Text(s.VoIPCourtesySound()); },
        Sounds + "Over01.wav", "/a.wav", "/a.wav"},
    {"CourtesySettings", "LocalCourtesySound", [](const S& s) { return Text(s.LocalCourtesySound()); },
        Sounds + "Over02.wav", "/b.wav", "/b.wav"},
    {"CourtesySettings", "ErrorCourtesySound", [](const S& s) { return Text(s.ErrorCourtesySound()); },
        Sounds + "Over05.wav", "/c.wav", "/c.wav"},
    {"Interface", "VoIpComm", [](const S& s) { return Text(s.VoIPComKeying()); }, "0", "1", "1"},
    {"Interface", "VoIPComDsr", [](const S& s) { return Text(s.VoIPComDsr()); }, "0", "1", "1"},
    {"Interface", "VoIPComActiveHigh", [](const S& s) { return Text(s.VoIPComActiveHigh()); }, "1", "0", "0"},
    {"Interface", "RigComm", [](const S& s) { return Text(s.RigComKeying()); }, "0", "5", "1"},
    {"Interface", "RigComDtr", [](const S& s) { return Text(s.RigComDtr()); }, "1", "0", "0"},
    {"Interface", "RigComUnusedHight", [](const S& s) { return Text(s.RigComUnusedHight()); }, "0", "1", "1"},
    {"Interface", "RigComActiveHigh", [](const S& s) { return Text(s.RigComActiveHigh()); }, "1", "0", "0"},
    {"Interface", "SquelchSetlingTime", [](const S& s) { return Text(s.SquelchSetlingTime()); }, "200", "300", "300"},
    {"Interface", "VoxLevel", [](const S& s) { return Text(s.VoxLevel()); }, "30", "40", "40"},
    {"Interface", "VoxOffLevel", [](const S& s) { return Text(s.VoxOffLevel()); }, "1", "5", "5"},
    {"Interface", "VoxDelayTime", [](const S& s) { return Text(s.VoxDelayTime()); }, "500", "700", "700"},
    {"Interface", "CourtesyDelay", [](const S& s) { return Text(s.CourtesyDelay()); }, "400", "0x1F4", "500"},
    {"Interface", "CommPort", [](const S& s) { return Text(s.CommIndex()); }, "0", "$3", "3"},
    {"Parlet", "GpioPin", [](const S& s) { return Text(s.GpioPin()); }, "3", "9", "8"},
    {"Interface", "PTTKey", [](const S& s) { return Text(s.PTTKey()); }, "163", "17", "17"},
    {"Interface", "GlobalPTT", [](const S& s) { return Text(s.GlobalPTT()); }, "1", "0", "0"},
    {"Interface", "DecodeDTMF", [](const S& s) { return Text(s.DecodeDTMF()); }, "0", "1", "1"},
    {"Media", "ControlWinAmp", [](const S& s) { return Text(s.ControlWinAmp()); }, "0", "1", "1"},
    {"Media", "ControlWMPlayer", [](const S& s) { return Text(s.ControlWMPlayer()); }, "0", "1", "1"},
    {"Media", "MediaVolume", [](const S& s) { return Text(s.MediaVolume()); }, "50", "250", "250"},
    {"Preverences", "AutoConnect", [](const S& s) { return Text(s.AutoConnect()); }, "0", "1", "1"},
    {"Preverences", "AutoTray", [](const S& s) { return Text(s.AutoTray()); }, "0", "1", "1"},
    {"Preverences", "AutoMessagePopUp", [](const S& s) { return Text(s.AutoMessagePopUp()); }, "1", "0", "0"},
    {"AudioSettings", "OutputDeviceID", [](const S& s) { return Text(s.OutputDeviceID()); }, "0", "2", "2"},
    {"AudioSettings", "InputDeviceID", [](const S& s) { return Text(s.InputDeviceID()); }, "-1", "3", "3"},
    {"AudioSettings", "ALC", [](const S& s) { return Text(s.ALC()); }, "1", "0", "0"},
    {"Parlet", "OutputDevice", [](const S& s) { return Text(s.OutputDevice()); }, "", "radio", "radio"},
    {"Parlet", "InputDevice", [](const S& s) { return Text(s.InputDevice()); }, "", "radio.monitor", "radio.monitor"},
    {"InBoundServer", "ServerName", [](const S& s) { return Text(s.InBoundServerName()); }, "", "in", "in"},
    {"InBoundServer", "InBoundAddress", [](const S& s) { return Text(s.InBoundServerAddress()); }, "127.0.0.1",
        "10.0.0.9", "10.0.0.9"},
    {"RfData", "ForwardSMS", [](const S& s) { return Text(s.ForwardSMS()); }, "0", "1", "1"},
    {"RfData", "SendID", [](const S& s) { return Text(s.SendID()); }, "0", "7", "1"},
    {"Forms", "MainW", [](const S& s) { return Text(s.MainW()); }, "-1", "800", "800"},
    {"Forms", "MainH", [](const S& s) { return Text(s.MainH()); }, "-1", "600", "600"},
    // The window position rule belongs to the setters, not to the load.
    {"Forms", "MainL", [](const S& s) { return Text(s.MainL()); }, "-1", "-10", "-10"},
    {"Forms", "MainT", [](const S& s) { return Text(s.MainT()); }, "-1", "20", "20"},
    {"Forms", "TextMessagesW", [](const S& s) { return Text(s.TextMessagesW()); }, "-1", "1", "1"},
    {"Forms", "TextMessagesH", [](const S& s) { return Text(s.TextMessagesH()); }, "-1", "2", "2"},
    {"Forms", "TextMessagesL", [](const S& s) { return Text(s.TextMessagesL()); }, "-1", "3", "3"},
    {"Forms", "TextMessagesT", [](const S& s) { return Text(s.TextMessagesT()); }, "-1", "4", "4"},
    {"Forms", "TextMessagesV", [](const S& s) { return Text(s.TextMessagesV()); }, "0", "1", "1"},
    {"Forms", "SystemMonitorW", [](const S& s) { return Text(s.SystemMonitorW()); }, "-1", "5", "5"},
    {"Forms", "SystemMonitorH", [](const S& s) { return Text(s.SystemMonitorH()); }, "-1", "6", "6"},
    {"Forms", "SystemMonitorL", [](const S& s) { return Text(s.SystemMonitorL()); }, "-1", "7", "7"},
    {"Forms", "SystemMonitorT", [](const S& s) { return Text(s.SystemMonitorT()); }, "-1", "-8", "-8"},
    {"Forms", "SystemMonitorV", [](const S& s) { return Text(s.SystemMonitorV()); }, "0", "1", "1"},
};

TEST_F(SettingsLoad, AMissingFileGivesEveryDefaultAndIsNotCreated)
{
    TZYNClientSettings s(File());
    EXPECT_FALSE(std::filesystem::exists(File()));
    for (const KeyCase& k : Keys) EXPECT_EQ(k.get(s), k.byDefault) << k.section << "/" << k.key;
    EXPECT_EQ(s.PresetCount(), 0);
    EXPECT_EQ(s.IdleAnnouncementsCount(), 0);
    EXPECT_EQ(s.ActivityAnnouncementsCount(), 0);
    EXPECT_EQ(s.BandAndChannel(), "PC Only");
    EXPECT_EQ(s.CityCityPart(), " - ");
    EXPECT_EQ(s.CallsignAndUser(), "");
}

TEST_F(SettingsLoad, EveryKeyIsReadUnderItsOwnSectionAndName)
{
    // Sections in lower case: names match without regard to case.
    std::map<std::string, std::string> sections;
    for (const KeyCase& k : Keys) sections[k.section] += std::string(k.key) + "=" + k.inFile + "\r\n";
    std::string text;
    for (const auto& [section, body] : sections) text += "[" + LowerCaseAscii(section) + "]\r\n" + body;

    auto s = LoadFrom(text);
    for (const KeyCase& k : Keys) EXPECT_EQ(k.get(*s), k.loaded) << k.section << "/" << k.key;
    EXPECT_EQ(s->BandAndChannel(), "040 Ch12 AM DCS300");
    EXPECT_EQ(s->CallsignAndUser(), "N0CALL, John");
    EXPECT_EQ(s->CityCityPart(), "Berlin - MITTE");
}

TEST_F(SettingsLoad, LoadingChangesNothingOnDisk)
{
    const std::string text = "[Identification]\r\nFBand=7\r\nOperaterName=  JOHN  \r\nChannel=500\r\n";
    auto s = LoadFrom(text);
    EXPECT_EQ(s->Band(), 25);
    EXPECT_EQ(ReadBytes(File()), text);
}

TEST_F(SettingsLoad, PresetServersAreReadFromAtMostTenSections)
{
    std::string text = "[Servers]\nCount=15\n";
    for (int i = 0; i < 15; ++i)
        text += "[Server" + std::to_string(i) + "]\nName=n" + std::to_string(i) + "\nBUName=b" + std::to_string(i)
            + "\nPort=" + std::to_string(100 + i) + "\nNet=net" + std::to_string(i) + "\n";
    auto s = LoadFrom(text);
    ASSERT_EQ(s->PresetCount(), 10);
    EXPECT_EQ(s->Presets(0).Name, "n0");
    EXPECT_EQ(s->Presets(9).Name, "n9");
    EXPECT_EQ(s->Presets(9).BUName, "b9");
    EXPECT_EQ(s->Presets(9).Port, 109);
    EXPECT_EQ(s->Presets(9).BUPort, 10024);
    EXPECT_EQ(s->Presets(9).Net, "net9");
    EXPECT_THROW(s->Presets(10), EListError);
    EXPECT_THROW(s->Presets(-1), EListError);

    auto none = LoadFrom("[Servers]\nCount=-3\n[Server0]\nName=x\n");
    EXPECT_EQ(none->PresetCount(), 0);
    EXPECT_THROW(none->Presets(0), EListError);

    // A count beyond the sections present yields entries of defaults.
    auto sparse = LoadFrom("[Servers]\nCount=2\n[Server0]\nName=x\n");
    ASSERT_EQ(sparse->PresetCount(), 2);
    EXPECT_EQ(sparse->Presets(1).Name, "");
    EXPECT_EQ(sparse->Presets(1).Port, 10024);
}

TEST_F(SettingsLoad, AnnouncementsHaveNoUpperLimit)
{
    std::string text = "[Messages]\nIdleMessagesCount=12\nActivityMessagesCount=2\n";
    for (int i = 0; i < 12; ++i)
        text += "[IdleMessage" + std::to_string(i) + "]\nFile=idle" + std::to_string(i)
            + ".wav\nTime=" + std::to_string(i * 10) + "\n";
    text += "[ActivityMessage1]\nFile=act1.wav\nTime=5\n";
    auto s = LoadFrom(text);
    ASSERT_EQ(s->IdleAnnouncementsCount(), 12);
    EXPECT_EQ(s->IdleAnnouncements(11).File, "idle11.wav");
    EXPECT_EQ(s->IdleAnnouncements(11).Time, 110);
    ASSERT_EQ(s->ActivityAnnouncementsCount(), 2);
    EXPECT_EQ(s->ActivityAnnouncements(0).File, "");
    EXPECT_EQ(s->ActivityAnnouncements(0).Time, 0);
    EXPECT_EQ(s->ActivityAnnouncements(1).File, "act1.wav");
    EXPECT_THROW(s->IdleAnnouncements(12), EListError);
    EXPECT_THROW(s->ActivityAnnouncements(2), EListError);
    EXPECT_THROW(s->ActivityAnnouncements(-1), EListError);
}

TEST_F(SettingsLoad, BandChannelAndCodeAreBroughtIntoRange)
{
    const std::pair<const char*, int> bands[] = {{"7", 25}, {"-1", 0}, {"5000", 999}, {"1", 1}, {"0", 0}, {"2", 25},
        {"24", 25}, {"25", 25}, {"999", 999}, {"junk", 0}};
    for (const auto& [text, band] : bands)
        EXPECT_EQ(LoadFrom(std::string("[Identification]\nFBand=") + text + "\n")->Band(), band) << text;

    EXPECT_EQ(LoadFrom("[Identification]\nChannel=0\n")->Channel(), 1);
    EXPECT_EQ(LoadFrom("[Identification]\nChannel=150\n")->Channel(), 99);

    EXPECT_EQ(LoadFrom("[Identification]\nCode=500\n")->Code(), 99);
    EXPECT_EQ(LoadFrom("[Identification]\nCode=500\nSquelchType=1\n")->Code(), 500);
    EXPECT_EQ(LoadFrom("[Identification]\nCode=500\nMode=2\n")->Code(), 500);
    EXPECT_EQ(LoadFrom("[Identification]\nCode=5000\nMode=2\n")->Code(), 999);
    EXPECT_EQ(LoadFrom("[Identification]\nCode=0\n")->Code(), 1);
}

TEST_F(SettingsLoad, TimingAndLevelsAreClampedButNotCoupled)
{
    auto low = LoadFrom("[Interface]\nSquelchSetlingTime=5\nVoxLevel=-5\nVoxOffLevel=50\nVoxDelayTime=1\n"
                        "CourtesyDelay=-100\n");
    EXPECT_EQ(low->SquelchSetlingTime(), 10);
    EXPECT_EQ(low->VoxLevel(), 0);
    EXPECT_EQ(low->VoxOffLevel(), 50); // above VoxLevel: the load does not couple them
    EXPECT_EQ(low->VoxDelayTime(), 10);
    EXPECT_EQ(low->CourtesyDelay(), -100);

    auto high = LoadFrom("[Interface]\nSquelchSetlingTime=5000\nVoxLevel=150\nVoxOffLevel=101\n"
                         "VoxDelayTime=99999\n[Media]\nMediaVolume=-7\n");
    EXPECT_EQ(high->SquelchSetlingTime(), 3000);
    EXPECT_EQ(high->VoxLevel(), 100);
    EXPECT_EQ(high->VoxOffLevel(), 100);
    EXPECT_EQ(high->VoxDelayTime(), 3000);
    EXPECT_EQ(high->MediaVolume(), -7);
}

TEST_F(SettingsLoad, OrdinalsOutsideTheEnumerationsAreHeld)
{
    auto s = LoadFrom("[Identification]\nFBand=25\nChannel=6\nSquelchType=7\nMode=9\nCode=20\n");
    EXPECT_EQ(static_cast<int>(s->SquelchType()), 7);
    EXPECT_EQ(static_cast<int>(s->Mode()), 9);
    EXPECT_EQ(s->BandAndChannel(), "025 Ch06 DIG 20"); // "CID" belongs to mdDIG itself

    auto noSquelchText = LoadFrom("[Identification]\nFBand=25\nChannel=6\nSquelchType=7\nCode=20\n");
    EXPECT_EQ(noSquelchText->BandAndChannel(), "025 Ch06 FM 20");
}

TEST_F(SettingsLoad, NamesAreCleanedAndTheCountryChecked)
{
    auto s = LoadFrom("[Identification]\n"
                      "OperaterName=  JOHN   smith-jones\n"
                      "City=new   YORK city link\n"
                      "CityPart=JOHN  smith-jones\n"
                      "Callsign=\"  N0CALL   portable and much more\"\n"
                      "Country=Atlantis\n");
    EXPECT_EQ(s->OperaterName(), "John Smith-Jones");
    EXPECT_EQ(s->City(), "New York City");
    EXPECT_EQ(s->CityPart(), "JOHN smith-jones");
    EXPECT_EQ(s->Callsign(), "  N0CALL   portable "); // only cut on load
    EXPECT_EQ(s->Country(), "");
    EXPECT_EQ(LoadFrom("[Identification]\nCountry=VIET NAM\n")->Country(), "VIET NAM");
}

TEST_F(SettingsLoad, TheSystemManagerAddressStaysAsRead)
{
    // The in-bound server keys come later in the load, so the address is
    // never replaced by the in-bound address, not even when the names match.
    auto s = LoadFrom("[SystemManager]\nAddress=inbound\n[InBoundServer]\nServerName=inbound\n"
                      "InBoundAddress=10.0.0.9\n");
    EXPECT_EQ(s->SysManAddress(), "inbound");
    EXPECT_EQ(LoadFrom("")->SysManAddress(), "");
}

} // namespace
