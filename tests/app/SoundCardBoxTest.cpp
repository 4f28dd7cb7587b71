// The settings dialog's sound card part and its "turn other programs down"
// box, on a simulated card whose device list the test fills.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include <string>
#include <vector>

#include "app/SoundCardBox.h"
#include "app/guiSettings.h"
#include "settings/untZYNClientSettings.h"
#include "tests/app/SimulatedWindowStation.h"

namespace {

TSoundDeviceInfo Device(const std::string& name, const std::string& description, bool monitor = false)
{
    TSoundDeviceInfo device;
    device.Name = name;
    device.Description = description;
    device.Monitor = monitor;
    return device;
}

std::vector<std::string> Items(const QComboBox& box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box.count(); ++i) items.push_back(box.itemText(i).toStdString());
    return items;
}

struct SoundCardPart : testing::Test {
    explicit SoundCardPart(const std::string& settings = AnnaByVox)
        : station(settings)
    {
        TSimulatedSoundCard& card = station.parts.sound;
        card.AddNamed(TWaveDirection::Playback, Device("usb", "USB Audio Device"));
        card.AddNamed(TWaveDirection::Playback, Device("speakers", "Built-in Audio"));
        card.AddNamed(TWaveDirection::Capture, Device("usb.monitor", "USB Audio Device", true));
        card.AddNamed(TWaveDirection::Capture, Device("usb-in", "USB Audio Device Mono"));
        station.Open();
    }
    TSoundCardBox& Part() { return station.form->SettingsForm().grpSoundCard(); }
    TZYNClientSettings& Settings() { return station.form->Transceiver().Settings(); }
    static void Choose(QComboBox& box, int index)
    {
        box.setCurrentIndex(index);
        emit box.activated(index);
    }

    TSimulatedWindowStation station;
};

struct SoundCardPartWithMissingCard : SoundCardPart {
    SoundCardPartWithMissingCard()
        : SoundCardPart(std::string(AnnaByVox) + "[Parlet]\r\nOutputDevice=radio-usb\r\nInputDevice=usb-in\r\n")
    {
    }
};

} // namespace

TEST_F(SoundCardPart, ListsDevicesByDescriptionAndWritesTheChoiceThroughByName)
{
    EXPECT_EQ(
        Items(Part().cbxOutput()), (std::vector<std::string> {"System default", "USB Audio Device", "Built-in Audio"}));
    EXPECT_EQ(Items(Part().cbxInput()),
        (std::vector<std::string> {"System default", "USB Audio Device Mono", "Monitor of USB Audio Device"}));
    EXPECT_EQ(Part().cbxOutput().currentIndex(), 0);
    EXPECT_EQ(Part().cbxInput().currentIndex(), 0);

    // A choice is written through by name; the system default clears it.
    Choose(Part().cbxOutput(), 1);
    EXPECT_EQ(Settings().OutputDevice(), "usb");
    EXPECT_EQ(station.parts.sound.ChosenDevice(TWaveDirection::Playback), "usb");
    Choose(Part().cbxInput(), 2);
    EXPECT_EQ(Settings().InputDevice(), "usb.monitor");
    const std::string file = ReadBytes(station.parts.SettingsFile());
    EXPECT_NE(file.find("[Parlet]\r\nOutputDevice=usb\r\nInputDevice=usb.monitor\r\n"), std::string::npos) << file;
    EXPECT_EQ(file.find("OutputDeviceID"), std::string::npos) << "the suite's own keys are not touched";

    Choose(Part().cbxOutput(), 0);
    EXPECT_EQ(Settings().OutputDevice(), "");
    EXPECT_NE(ReadBytes(station.parts.SettingsFile()).find("OutputDevice=\r\n"), std::string::npos);
}

TEST_F(SoundCardPartWithMissingCard, MissingChoiceIsShownNotFoundAndFollowsThePlugging)
{
    EXPECT_EQ(Items(Part().cbxOutput()),
        (std::vector<std::string> {"System default", "USB Audio Device", "Built-in Audio", "radio-usb (not found)"}));
    EXPECT_EQ(Part().cbxOutput().currentText().toStdString(), "radio-usb (not found)");
    EXPECT_EQ(Part().cbxInput().currentText().toStdString(), "USB Audio Device Mono");

    // The card is plugged in: the list shows it by its description, chosen.
    station.parts.sound.AddNamed(TWaveDirection::Playback, Device("radio-usb", "Radio Interface"));
    EXPECT_EQ(Part().cbxOutput().currentText().toStdString(), "Radio Interface");
    EXPECT_EQ(Part().cbxOutput().count(), 4);
    // ... and pulled again: still chosen, never replaced.
    station.parts.sound.RemoveNamed(TWaveDirection::Playback, "radio-usb");
    EXPECT_EQ(Part().cbxOutput().currentText().toStdString(), "radio-usb (not found)");
    station.parts.sound.RemoveNamed(TWaveDirection::Capture, "usb-in");
    EXPECT_EQ(Part().cbxInput().currentText().toStdString(), "usb-in (not found)");
    EXPECT_EQ(Settings().OutputDevice(), "radio-usb");
    EXPECT_EQ(Settings().InputDevice(), "usb-in");
}

TEST_F(SoundCardPart, TurnDownBoxWritesControlWinAmp)
{
    QCheckBox& box = station.form->SettingsForm().cbxTurnDown();
    EXPECT_FALSE(box.isChecked());
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
    EXPECT_TRUE(Settings().ControlWinAmp());
    EXPECT_NE(ReadBytes(station.parts.SettingsFile()).find("ControlWinAmp=1"), std::string::npos);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
    EXPECT_FALSE(Settings().ControlWinAmp());
}
