#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cerrno>
#include <string>
#include <vector>

#include "app/GpioControls.h"
#include "app/RadioGroup.h"
#include "app/SoundCardBox.h"
#include "app/guiSettings.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "tests/app/SimulatedWindowStation.h"

namespace {
// Keying by the RTS line of COM2, active high.
const char* const KeyingOnCom2 = "[Identification]\r\n"
                                 "OperaterName=Anna\r\n"
                                 "[Interface]\r\n"
                                 "RigComm=1\r\n"
                                 "RigComDtr=0\r\n"
                                 "RigComActiveHigh=1\r\n"
                                 "CommPort=1\r\n";

struct SettingsDialog : testing::Test {
    explicit SettingsDialog(const char* settings = KeyingOnCom2)
        : station(settings)
    {
    }

    TfrmSettings& Open()
    {
        station.Open();
        TfrmSettings& dialog = station.form->SettingsForm();
        dialog.show();
        return dialog;
    }
    TZYNClientSettings& Settings() { return station.form->Transceiver().Settings(); }
    // A click on the item's round button.
    void Pick(TRadioGroup& group, int item)
    {
        QRadioButton* button = group.Item(item);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void ChoosePort(QComboBox& box, int index)
    {
        // As the operator's choice from the list arrives.
        box.setCurrentIndex(index);
        emit box.activated(index);
    }
    // A label's own state, whether or not the dialog is on screen.
    static bool Shown(const QWidget& w) { return !w.isHidden(); }

    TSimulatedWindowStation station;
};
} // namespace

TEST_F(SettingsDialog, ControlsCaptionsAndPositions)
{
    TfrmSettings& d = Open();
    EXPECT_EQ(d.windowTitle(), "Settings");
    // The sound card part and the media box sit below the keying controls.
    EXPECT_EQ(d.size(), QSize(458, 253));
    EXPECT_EQ(d.grpPcToRadio().title(), "PC to Radio");
    EXPECT_EQ(d.grpPcToRadio().Item(0)->text(), "Use the VOX in the radio.");
    EXPECT_EQ(d.grpPcToRadio().Item(1)->text(), "Use the USB / COM-port.");
    EXPECT_EQ(d.grpPcToRadioPin().Item(0)->text(), "RTS");
    EXPECT_EQ(d.grpPcToRadioPin().Item(1)->text(), "DTR");
    EXPECT_EQ(d.grpPcToRadioPolarity().Item(0)->text(), "Active hgh");
    EXPECT_EQ(d.grpPcToRadioPolarity().Item(1)->text(), "Active low");
    EXPECT_EQ(d.lblComInUse().text(), "The selected com port is not available!");
    EXPECT_EQ(d.lblUsbInterfaceConnected().text(), "USB interface connected");
    EXPECT_EQ(d.cbxUnusedHight().text(), "Unused pin (RTS/DTR) always high");
    ASSERT_EQ(d.ComboBox1().count(), 16);
    EXPECT_EQ(d.ComboBox1().itemText(0), "COM1");
    EXPECT_EQ(d.ComboBox1().itemText(15), "COM16");
    EXPECT_EQ(d.grpPcToRadio().geometry(), QRect(0, 0, 222, 65));
    EXPECT_EQ(d.grpPcToRadioPin().geometry(), QRect(8, 56, 110, 57));
    EXPECT_EQ(d.grpPcToRadioPolarity().geometry(), QRect(117, 56, 110, 57));
    EXPECT_EQ(d.ComboBox1().geometry(), QRect(312, 10, 86, 21));
    EXPECT_EQ(d.cbxUnusedHight().geometry(), QRect(233, 48, 225, 17));
    EXPECT_EQ(d.btnOk().geometry(), QRect(386, 228, 72, 25));
    EXPECT_EQ(d.grpSoundCard().title(), "Sound card");
    EXPECT_EQ(d.grpSoundCard().geometry(), QRect(0, 120, 458, 78));
    EXPECT_EQ(d.cbxTurnDown().text(), "Turn other programs down while the channel is busy");
    EXPECT_EQ(d.lblComInUse().palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(d.lblUsbInterfaceConnected().palette().color(QPalette::WindowText), QColor(0, 128, 0));
}

TEST_F(SettingsDialog, ShowsTheSettingsFile)
{
    WriteBytes(station.parts.SettingsFile(),
        "[Interface]\r\nRigComm=1\r\nRigComDtr=1\r\nRigComActiveHigh=0\r\n"
        "RigComUnusedHight=1\r\nCommPort=5\r\n");
    TfrmSettings& d = Open();
    EXPECT_EQ(d.grpPcToRadio().ItemIndex(), 1);
    EXPECT_EQ(d.grpPcToRadioPin().ItemIndex(), 1);
    EXPECT_EQ(d.grpPcToRadioPolarity().ItemIndex(), 1);
    EXPECT_EQ(d.ComboBox1().currentIndex(), 5);
    EXPECT_TRUE(d.cbxUnusedHight().isChecked());
    EXPECT_FALSE(Shown(d.lblComInUse()));
    EXPECT_FALSE(Shown(d.lblUsbInterfaceConnected()));
}

TEST_F(SettingsDialog, VoxGreysPinAndPolarityAndEveryChangeIsSavedAtOnce)
{
    TfrmSettings& d = Open();
    EXPECT_TRUE(d.grpPcToRadioPin().isEnabled());
    Pick(d.grpPcToRadio(), 0);
    EXPECT_FALSE(Settings().RigComKeying());
    EXPECT_NE(ReadBytes(station.parts.SettingsFile()).find("RigComm=0"), std::string::npos);
    EXPECT_FALSE(d.grpPcToRadioPin().isEnabled());
    EXPECT_FALSE(d.grpPcToRadioPolarity().isEnabled());
    EXPECT_TRUE(d.ComboBox1().isEnabled());
    EXPECT_TRUE(d.cbxUnusedHight().isEnabled());
    EXPECT_FALSE(station.parts.serial.IsOpen("COM2"));

    Pick(d.grpPcToRadio(), 1);
    EXPECT_TRUE(d.grpPcToRadioPin().isEnabled());
    EXPECT_TRUE(d.grpPcToRadioPolarity().isEnabled());
    EXPECT_TRUE(station.parts.serial.IsOpen("COM2"));

    Pick(d.grpPcToRadioPin(), 1);
    EXPECT_TRUE(Settings().RigComDtr());
    Pick(d.grpPcToRadioPolarity(), 1);
    EXPECT_FALSE(Settings().RigComActiveHigh());
    // Idle PTT on DTR, active low: the line rests high.
    EXPECT_TRUE(station.parts.serial.DTR("COM2"));
    QTest::mouseClick(&d.cbxUnusedHight(), Qt::LeftButton);
    EXPECT_TRUE(Settings().RigComUnusedHight());
    EXPECT_TRUE(station.parts.serial.RTS("COM2"));
    const std::string file = ReadBytes(station.parts.SettingsFile());
    EXPECT_NE(file.find("RigComDtr=1"), std::string::npos);
    EXPECT_NE(file.find("RigComActiveHigh=0"), std::string::npos);
    EXPECT_NE(file.find("RigComUnusedHight=1"), std::string::npos);
}

TEST_F(SettingsDialog, RedLabelFollowsThePortChoice)
{
    station.parts.serial.SetAbsent("COM2", true);
    station.parts.serial.SetAbsent("COM4", true);
    TfrmSettings& d = Open();
    // The port failed while the program started.
    EXPECT_TRUE(Shown(d.lblComInUse()));

    ChoosePort(d.ComboBox1(), 2); // COM3: present and free
    EXPECT_FALSE(Shown(d.lblComInUse()));
    EXPECT_TRUE(station.parts.serial.IsOpen("COM3"));
    EXPECT_EQ(Settings().CommIndex(), 2);

    ChoosePort(d.ComboBox1(), 3); // COM4: absent
    EXPECT_TRUE(Shown(d.lblComInUse()));
    EXPECT_EQ(d.lblComInUse().text(),
        "The selected com port is not available!\nCOM4 is missing: plug the device in, or choose another port.");
    EXPECT_EQ(Settings().CommIndex(), 3);
    EXPECT_NE(ReadBytes(station.parts.SettingsFile()).find("CommPort=3"), std::string::npos);

    // Another absent one: hidden and shown again at once.
    ChoosePort(d.ComboBox1(), 1);
    EXPECT_TRUE(Shown(d.lblComInUse()));
    EXPECT_FALSE(Shown(d.lblUsbInterfaceConnected()));
}

TEST_F(SettingsDialog, UsbInterfaceShowsAndHidesGreenLabelAndTheLineGroups)
{
    station.parts.serial.SetAbsent("COM2", true);
    TfrmSettings& d = Open();
    ASSERT_TRUE(Shown(d.lblComInUse()));

    const std::string usb = station.parts.hid.Plug(0x07A0, 0x1001);
    ASSERT_TRUE(station.loop.AdvanceUntil([&] { return Shown(d.lblUsbInterfaceConnected()); }, 1000));
    EXPECT_FALSE(Shown(d.lblComInUse()));
    EXPECT_FALSE(Shown(d.grpPcToRadioPin()));
    EXPECT_FALSE(Shown(d.grpPcToRadioPolarity()));

    station.parts.hid.Unplug(usb);
    ASSERT_TRUE(station.loop.AdvanceUntil([&] { return !Shown(d.lblUsbInterfaceConnected()); }, 1000));
    EXPECT_TRUE(Shown(d.grpPcToRadioPin()));
    EXPECT_TRUE(Shown(d.grpPcToRadioPolarity()));
}

namespace {
struct SettingsDialogWithoutPort : SettingsDialog {
    SettingsDialogWithoutPort()
        : SettingsDialog("[Interface]\r\nRigComm=0\r\nVoIpComm=0\r\n")
    {
    }
};
} // namespace

TEST_F(SettingsDialogWithoutPort, NoPortErrorCanShowWhenNothingUsesThePort)
{
    for (int port = 1; port <= 16; ++port) station.parts.serial.SetAbsent("COM" + std::to_string(port), true);
    TfrmSettings& d = Open();
    for (int index : {0, 5, 15}) {
        ChoosePort(d.ComboBox1(), index);
        EXPECT_FALSE(Shown(d.lblComInUse())) << "port index " << index;
    }
    QTest::mouseClick(&d.cbxUnusedHight(), Qt::LeftButton);
    EXPECT_FALSE(Shown(d.lblComInUse()));
    EXPECT_EQ(station.parts.serial.OpenCount("COM1") + station.parts.serial.OpenCount("COM6"), 0);
}

TEST_F(SettingsDialog, DialogOutlivesHidingAndFollowsTheInterfaceWhileHidden)
{
    station.parts.serial.SetAbsent("COM5", true);
    TfrmSettings& d = Open();
    d.hide();
    Settings().SetCommIndex(4);
    EXPECT_TRUE(Shown(d.lblComInUse()));
    EXPECT_EQ(d.ComboBox1().currentIndex(), 4);
    // Freeing the window frees the dialog before the transceiver; the rig
    // interface must not reach it afterwards.
    station.form.reset();
}

TEST_F(SettingsDialog, AFailingControlLineIsReportedAndTheDialogCarriesOn)
{
    std::vector<std::string> reports;
    station.loop.SetErrorReport([&](const std::string& message) { reports.push_back(message); });
    TfrmSettings& d = Open();
    station.parts.serial.FailCall("COM2", TSerialCall::SetDTR, EIO);
    Pick(d.grpPcToRadioPin(), 1);
    // Shown in the red label, not in a box: the port is closed.
    EXPECT_TRUE(reports.empty());
    ASSERT_TRUE(Shown(d.lblComInUse()));
    EXPECT_TRUE(d.lblComInUse().text().endsWith("ioctl TIOCMBIC COM2: Input/output error"));
    // The choice was saved before the line failed.
    EXPECT_TRUE(Settings().RigComDtr());

    station.parts.serial.FailCall("COM2", TSerialCall::SetDTR, 0);
    Pick(d.grpPcToRadioPin(), 0);
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(Shown(d.lblComInUse()));
    EXPECT_FALSE(Settings().RigComDtr());
}

TEST_F(SettingsDialog, SoundCardGpioShowsItsChipAndPinAndRefusesAPinTheChipLacks)
{
    const std::string card = station.parts.hid.Plug(0x0D8C, 0x013C);
    TfrmSettings& d = Open();
    TGpioControls& gpio = d.GpioControls();
    ASSERT_TRUE(Shown(gpio.lblGpioInterface()));
    EXPECT_EQ(gpio.lblGpioInterface().text(), "Sound card GPIO: CM108AH");
    EXPECT_TRUE(Shown(gpio.cbxGpioPin()));
    EXPECT_EQ(gpio.cbxGpioPin().currentText(), "GPIO 3");
    EXPECT_FALSE(Shown(d.grpPcToRadioPin()));
    EXPECT_FALSE(Shown(d.grpPcToRadioPolarity()));

    ChoosePort(gpio.cbxGpioPin(), 1);
    ASSERT_TRUE(Shown(gpio.lblGpioPinRefused()));
    EXPECT_EQ(gpio.lblGpioPinRefused().text(), "The CM108AH has no GPIO 2; it has GPIO 1, 3, 4.");
    EXPECT_EQ(Settings().GpioPin(), 3);
    EXPECT_EQ(gpio.cbxGpioPin().currentText(), "GPIO 3");

    ChoosePort(gpio.cbxGpioPin(), 3);
    EXPECT_FALSE(Shown(gpio.lblGpioPinRefused()));
    EXPECT_EQ(Settings().GpioPin(), 4);
    EXPECT_EQ(station.parts.hid.Written(card).back(), (std::vector<std::uint8_t> {0, 0, 0, 0x08, 0}));

    station.parts.hid.Unplug(card);
    ASSERT_TRUE(station.loop.AdvanceUntil([&] { return !Shown(gpio.lblGpioInterface()); }, 1000));
    EXPECT_FALSE(Shown(gpio.cbxGpioPin()));
    EXPECT_TRUE(Shown(d.grpPcToRadioPin()));
    EXPECT_TRUE(Shown(d.grpPcToRadioPolarity()));
}

TEST_F(SettingsDialog, SeveralSoundCardsWithGpioAndNoChoiceAreSaidSo)
{
    station.parts.hid.Plug(0x0D8C, 0x013C);
    station.parts.hid.Plug(0x0D8C, 0x0012);
    TfrmSettings& d = Open();
    EXPECT_TRUE(Shown(d.GpioControls().lblGpioNoChoice()));
    EXPECT_FALSE(Shown(d.GpioControls().lblGpioInterface()));
    EXPECT_TRUE(Shown(d.grpPcToRadioPin()));
}
