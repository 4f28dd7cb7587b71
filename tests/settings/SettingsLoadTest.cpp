#include <gtest/gtest.h>

#include <filesystem>

#include "base/Exceptions.h"
#include "base/ProgramFolder.h"
#include "settings/untZYNClientSettings.h"
#include "tests/settings/TempFolder.h"

namespace {

class SettingsLoad : public ::testing::Test {
protected:
    std::unique_ptr<TZYNClientSettings> LoadFrom(const std::string& text)
    {
        WriteBytes(File(), text);
        return std::make_unique<TZYNClientSettings>(File());
    }
    std::string File() const { return folder_.File("ZYNClient.ini"); }

    TTempFolder folder_;
};

TEST_F(SettingsLoad, AMissingFileGivesEveryDefaultAndIsNotCreated)
{
    TZYNClientSettings s(File());
    EXPECT_FALSE(std::filesystem::exists(File()));

    EXPECT_EQ(s.PresetCount(), 0);
    EXPECT_EQ(s.IdleAnnouncementsCount(), 0);
    EXPECT_EQ(s.ActivityAnnouncementsCount(), 0);
    EXPECT_EQ(s.Language(), "");
    EXPECT_EQ(s.SysManAddress(), "");
    EXPECT_EQ(s.SysManPort(), 10025);
    EXPECT_EQ(s.OperaterName(), "");
    EXPECT_EQ(s.Band(), 0);
    EXPECT_EQ(s.Channel(), 6);
    EXPECT_EQ(s.SquelchType(), sqCTCSS);
    EXPECT_EQ(s.Mode(), mdFM);
    EXPECT_EQ(s.Code(), 20);
    EXPECT_TRUE(s.TimeMessage());
    EXPECT_TRUE(s.CourtesySoundEnable());
    const std::string sounds = ProgramFolder() + "Sounds/";
    EXPECT_EQ(s.VoIPCourtesySound(), sounds + "Over01.wav");
    EXPECT_EQ(s.LocalCourtesySound(), sounds + "Over02.wav");
    EXPECT_EQ(s.ErrorCourtesySound(), sounds + "Over05.wav");
    EXPECT_FALSE(s.VoIPComKeying());
    EXPECT_FALSE(s.VoIPComDsr());
    EXPECT_TRUE(s.VoIPComActiveHigh());
    EXPECT_FALSE(s.RigComKeying());
    EXPECT_TRUE(s.RigComDtr());
    EXPECT_FALSE(s.RigComUnusedHight());
    EXPECT_TRUE(s.RigComActiveHigh());
    EXPECT_EQ(s.SquelchSetlingTime(), 200);
    EXPECT_EQ(s.VoxLevel(), 30);
    EXPECT_EQ(s.VoxOffLevel(), 1);
    EXPECT_EQ(s.VoxDelayTime(), 500);
    EXPECT_EQ(s.CourtesyDelay(), 400);
    EXPECT_EQ(s.CommIndex(), 0);
    EXPECT_EQ(s.PTTKey(), 163);
    EXPECT_TRUE(s.GlobalPTT());
    EXPECT_FALSE(s.ControlWinAmp());
    EXPECT_FALSE(s.ControlWMPlayer());
    EXPECT_EQ(s.MediaVolume(), 50);
    EXPECT_FALSE(s.DecodeDTMF());
    EXPECT_FALSE(s.AutoConnect());
    EXPECT_FALSE(s.AutoTray());
    EXPECT_TRUE(s.AutoMessagePopUp());
    EXPECT_EQ(s.OutputDeviceID(), 0);
    EXPECT_EQ(s.InputDeviceID(), -1);
    EXPECT_TRUE(s.ALC());
    EXPECT_EQ(s.InBoundServerName(), "");
    EXPECT_EQ(s.InBoundServerAddress(), "127.0.0.1");
    EXPECT_FALSE(s.ForwardSMS());
    EXPECT_FALSE(s.SendID());
    EXPECT_EQ(s.Status(), 0);
    for (int v : {s.MainW(), s.MainH(), s.MainL(), s.MainT(), s.TextMessagesW(), s.TextMessagesH(),
                  s.TextMessagesL(), s.TextMessagesT(), s.SystemMonitorW(), s.SystemMonitorH(),
                  s.SystemMonitorL(), s.SystemMonitorT()})
        EXPECT_EQ(v, -1);
    EXPECT_FALSE(s.TextMessagesV());
    EXPECT_FALSE(s.SystemMonitorV());
    EXPECT_EQ(s.BandAndChannel(), "PC Only");
    EXPECT_EQ(s.CityCityPart(), " - ");
}

TEST_F(SettingsLoad, EveryKeyIsReadUnderItsOwnSectionAndName)
{
    auto s = LoadFrom(
        "[Language]\nName=Deutsch\n"
        "[SystemManager]\nAddress=manager.example\nPort=1\n"
        "[Identification]\nPassWord=secret\nEMailAddress=Op@Example.ORG\nCountry=germany\nStatus=3\n"
        "FBand=40\nChannel=12\nSquelchType=1\nMode=1\nCode=300\n"
        "[Messages]\nTimeMessage=0\n"
        "[CourtesySettings]\nCourtesyOn=0\nVoIPCourtesySound=/a.wav\nLocalCourtesySound=/b.wav\n"
        "ErrorCourtesySound=/c.wav\n"
        "[Interface]\nVoIpComm=1\nVoIPComDsr=1\nVoIPComActiveHigh=0\nRigComm=1\nRigComDtr=0\n"
        "RigComUnusedHight=1\nRigComActiveHigh=0\nSquelchSetlingTime=300\nVoxLevel=40\nVoxOffLevel=5\n"
        "VoxDelayTime=700\nCourtesyDelay=0x1F4\nCommPort=$3\nPTTKey=17\nGlobalPTT=0\nDecodeDTMF=1\n"
        "[Media]\nControlWinAmp=1\nControlWMPlayer=1\nMediaVolume=250\n"
        "[Preverences]\nAutoConnect=1\nAutoTray=1\nAutoMessagePopUp=0\n"
        "[AudioSettings]\nOutputDeviceID=2\nInputDeviceID=3\nALC=0\n"
        "[InBoundServer]\nServerName=inbound\nInBoundAddress=10.0.0.9\n"
        "[RfData]\nForwardSMS=1\nSendID=7\n"
        "[Forms]\nMainW=800\nMainH=600\nMainL=-10\nMainT=20\nTextMessagesW=1\nTextMessagesH=2\n"
        "TextMessagesL=3\nTextMessagesT=4\nTextMessagesV=1\nSystemMonitorW=5\nSystemMonitorH=6\n"
        "SystemMonitorL=7\nSystemMonitorT=-8\nSystemMonitorV=1\n");
    EXPECT_EQ(s->Language(), "Deutsch");
    EXPECT_EQ(s->SysManAddress(), "manager.example");
    EXPECT_EQ(s->SysManPort(), 1);
    EXPECT_EQ(s->PassWord(), "secret");
    EXPECT_EQ(s->EMailAddress(), "op@example.org");
    EXPECT_EQ(s->Country(), "germany");
    EXPECT_EQ(s->Status(), 3);
    EXPECT_EQ(s->BandAndChannel(), "040 Ch12 AM DCS300");
    EXPECT_FALSE(s->TimeMessage());
    EXPECT_FALSE(s->CourtesySoundEnable());
    EXPECT_EQ(s->VoIPCourtesySound(), "/a.wav");
    EXPECT_EQ(s->LocalCourtesySound(), "/b.wav");
    EXPECT_EQ(s->ErrorCourtesySound(), "/c.wav");
    EXPECT_TRUE(s->VoIPComKeying());
    EXPECT_TRUE(s->VoIPComDsr());
    EXPECT_FALSE(s->VoIPComActiveHigh());
    EXPECT_TRUE(s->RigComKeying());
    EXPECT_FALSE(s->RigComDtr());
    EXPECT_TRUE(s->RigComUnusedHight());
    EXPECT_FALSE(s->RigComActiveHigh());
    EXPECT_EQ(s->SquelchSetlingTime(), 300);
    EXPECT_EQ(s->VoxLevel(), 40);
    EXPECT_EQ(s->VoxOffLevel(), 5);
    EXPECT_EQ(s->VoxDelayTime(), 700);
    EXPECT_EQ(s->CourtesyDelay(), 500);
    EXPECT_EQ(s->CommIndex(), 3);
    EXPECT_EQ(s->PTTKey(), 17);
    EXPECT_FALSE(s->GlobalPTT());
    EXPECT_TRUE(s->DecodeDTMF());
    EXPECT_TRUE(s->ControlWinAmp());
    EXPECT_TRUE(s->ControlWMPlayer());
    EXPECT_EQ(s->MediaVolume(), 250);
    EXPECT_TRUE(s->AutoConnect());
    EXPECT_TRUE(s->AutoTray());
    EXPECT_FALSE(s->AutoMessagePopUp());
    EXPECT_EQ(s->OutputDeviceID(), 2);
    EXPECT_EQ(s->InputDeviceID(), 3);
    EXPECT_FALSE(s->ALC());
    EXPECT_EQ(s->InBoundServerName(), "inbound");
    EXPECT_EQ(s->InBoundServerAddress(), "10.0.0.9");
    EXPECT_TRUE(s->ForwardSMS());
    EXPECT_TRUE(s->SendID());
    EXPECT_EQ(s->MainW(), 800);
    EXPECT_EQ(s->MainH(), 600);
    EXPECT_EQ(s->MainL(), -10); // the position rule is the setter's, not the load's
    EXPECT_EQ(s->MainT(), 20);
    EXPECT_EQ(s->TextMessagesW(), 1);
    EXPECT_EQ(s->TextMessagesH(), 2);
    EXPECT_EQ(s->TextMessagesL(), 3);
    EXPECT_EQ(s->TextMessagesT(), 4);
    EXPECT_TRUE(s->TextMessagesV());
    EXPECT_EQ(s->SystemMonitorW(), 5);
    EXPECT_EQ(s->SystemMonitorH(), 6);
    EXPECT_EQ(s->SystemMonitorL(), 7);
    EXPECT_EQ(s->SystemMonitorT(), -8);
    EXPECT_TRUE(s->SystemMonitorV());
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
        text += "[Server" + std::to_string(i) + "]\nName=n" + std::to_string(i) + "\nBUName=b" +
                std::to_string(i) + "\nPort=" + std::to_string(100 + i) + "\nNet=net" + std::to_string(i) + "\n";
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
        text += "[IdleMessage" + std::to_string(i) + "]\nFile=idle" + std::to_string(i) + ".wav\nTime=" +
                std::to_string(i * 10) + "\n";
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
    const std::pair<const char*, int> bands[] = {{"7", 25},  {"-1", 0},    {"5000", 999}, {"1", 1},
                                                 {"0", 0},   {"2", 25},    {"24", 25},    {"25", 25},
                                                 {"999", 999}, {"junk", 0}};
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
    auto s = LoadFrom(
        "[Identification]\n"
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
