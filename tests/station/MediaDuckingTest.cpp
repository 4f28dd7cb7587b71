// Other programs turned down by keying and reception, through the rig's
// events, on the virtual loop.
#include <gtest/gtest.h>

#include <memory>

#include "base/VirtualLoop.h"
#include "media/SimulatedMixer.h"
#include "media/untZYNWinAmpControl.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/MediaDucking.h"
#include "tests/support/RigParts.h"
#include "tests/support/TempFolder.h"

namespace {

// The rig on COM1 with its receive input on CTS (taken over a second after
// the port opens), another program playing, and the ducking on the rig.
class MediaDucking : public ::testing::TestWithParam<bool>, protected TRigParts {
protected:
    void SetUp() override
    {
        settings = std::make_unique<TZYNClientSettings>(FFolder.File("ZYNClient.ini"));
        settings->SetBand(1);
        settings->SetVoIPComKeying(true);
        settings->SetControlWinAmp(true);
        settings->SetMediaVolume(50);
        settings->SetCourtesySoundEnable(false);
        settings->SetSendID(GetParam());
        rig = std::make_unique<TInterface>(*settings, serial, hid, hid);
        ducking = std::make_unique<TMediaDucking>(*rig, *settings, mixer);
        music = mixer.StartStream(65536);
        loop.AdvanceByMs(1000);
    }
    void TearDown() override
    {
        ducking.reset();
        rig.reset();
    }
    void Receive(bool on)
    {
        serial.SetCTS("COM1", on);
        ASSERT_TRUE(loop.WaitUntil([&] { return rig->RigRx() == on; }, 5000));
        loop.AdvanceByMs(settings->VoxDelayTime());
    }
    bool Down() const { return mixer.Volume(music) == 0; }
    bool ComingBack() const { return ducking->Control().RestorePending(); }

    TSimulatedMixer mixer;
    std::unique_ptr<TMediaDucking> ducking;
    TSimulatedMixer::TStreamId music = 0;
};

} // namespace

TEST_P(MediaDucking, KeyingAndReceptionTurnDownUntilBothEnd)
{
    EXPECT_EQ(mixer.Volume(music), 32768u) << "free: the media volume";
    rig->SetTransmitRequest(true, true);
    EXPECT_TRUE(Down());
    rig->SetTransmitRequest(false, true);
    EXPECT_TRUE(ComingBack());
    loop.AdvanceByMs(4000 + 50 * 200);
    EXPECT_EQ(mixer.Volume(music), 32768u);

    Receive(true);
    EXPECT_TRUE(Down());
    rig->SetTransmitRequest(true, true);
    rig->SetTransmitRequest(false, true);
    EXPECT_FALSE(ComingBack()) << "still receiving";
    Receive(false);
    EXPECT_TRUE(ComingBack());
}

TEST_P(MediaDucking, AReceptionEndingWhileKeyedStaysDownOnlyWhenATailFollows)
{
    const bool tailFollows = GetParam();
    Receive(true);
    rig->SetTransmitRequest(true, true);
    Receive(false);
    EXPECT_TRUE(Down());
    EXPECT_EQ(ComingBack(), !tailFollows);
    rig->SetTransmitRequest(false, true);
    EXPECT_TRUE(ComingBack());
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutTail, MediaDucking, ::testing::Bool());
