// ALSA without a sound server: cards listed by their stable names, and a
// chosen card that is not there is waited for, never replaced by "default".
#include <gtest/gtest.h>

#include <alsa/asoundlib.h>

#include <string>

#include "audio/AlsaSoundPlatform.h"
#include "audio/WavePlayers.h"
#include "base/VirtualLoop.h"

TEST(AlsaCardChoice, CardsAreListedByTheirStableNames)
{
    TVirtualLoop loop;
    TAlsaSoundPlatform alsa;
    ASSERT_NE(alsa.DeviceList(), nullptr);
    for (TWaveDirection direction : {TWaveDirection::Playback, TWaveDirection::Capture})
        for (const TSoundDeviceInfo& card : alsa.DeviceList()->Devices(direction)) {
            EXPECT_EQ(snd_card_get_index(card.Name.c_str()), card.AlsaCard) << card.Name;
            EXPECT_FALSE(card.Description.empty());
            EXPECT_EQ(card.SysfsPath.rfind("/sys/", 0), 0u) << card.SysfsPath;
        }
}

TEST(AlsaCardChoice, MissingCardIsAwaitedNotReplacedByTheDefault)
{
    TVirtualLoop loop;
    TAlsaSoundPlatform alsa;
    alsa.ChooseDevice(TWaveDirection::Playback, "ParletNoSuchCard");
    EXPECT_EQ(alsa.DeviceName(TWaveDirection::Playback, -1), "plughw:CARD=ParletNoSuchCard");
    EXPECT_EQ(alsa.DeviceName(TWaveDirection::Capture, -1), "default");
    TLiveAudioPlayer player(alsa);
    player.SetPCMFormat(Mono8bit48000Hz);
    int errors = 0;
    const TConnection on36 = player.OnError.Connect([&](TObject*) { ++errors; });
    testing::internal::CaptureStderr();
    player.Activate();
    loop.AdvanceByMs(3000);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors, 0);
    EXPECT_FALSE(player.Active());
    EXPECT_TRUE(player.DeviceLost());
    EXPECT_EQ(player.LastError(), static_cast<TWaveResult>(ENODEV));
    EXPECT_NE(said.find("playback device \"ParletNoSuchCard\" not found"), std::string::npos) << said;
    player.Deactivate();
    EXPECT_FALSE(player.DeviceLost());
}
