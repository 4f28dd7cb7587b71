#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/GpioControls.h"
#include "app/RadioGroup.h"
#include "app/SerialPortBox.h"
#include "app/SoundCardBox.h"
#include "app/guiSettings.h"
#include "desktop/SettingsLocation.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "tests/app/LayoutFaults.h"
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

// The machine's serial devices, as a folder tree: four UARTs (COM1 to COM4)
// and a USB adapter with a stable name.
const char* const AdapterName = "usb-FTDI_FT232R_USB_UART_A5-if00-port0";

struct SettingsDialog : testing::Test {
    explicit SettingsDialog(const char* settings = KeyingOnCom2)
        : station(settings)
    {
        namespace fs = std::filesystem;
        fs::create_directories(machine.Path() / "dev/serial/by-id");
        for (const char* node : {"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyUSB0"})
            WriteBytes((machine.Path() / "dev" / node).string(), "");
        fs::create_symlink("../../ttyUSB0", machine.Path() / "dev/serial/by-id" / AdapterName);
    }

    TfrmSettings& Open()
    {
        station.Open();
        TfrmSettings& dialog = station.form->SettingsForm();
        dialog.ComboBox1().UseDevices(
            TSerialDeviceList(machine.Path().string(), FolderOf(station.parts.SettingsFile())));
        dialog.show();
        return dialog;
    }
    TZYNClientSettings& Settings() { return station.form->Transceiver().Settings(); }
    std::string File() const { return ReadBytes(station.parts.SettingsFile()); }
    // A click on the item's round button.
    void Pick(TRadioGroup& group, int item)
    {
        QRadioButton* button = group.Item(item);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    static void Choose(QComboBox& box, int index)
    {
        // As the operator's choice from the list arrives.
        box.setCurrentIndex(index);
        emit box.activated(index);
    }
    // The item whose caption begins so.
    static void ChoosePort(QComboBox& box, const QString& caption)
    {
        const int index = box.findText(caption, Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << caption.toStdString();
        Choose(box, index);
    }
    // Typed key by key, letters beyond ASCII included.
    static void Type(QWidget& widget, const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&widget, &press);
        }
    }
    static QStringList Items(const QComboBox& box)
    {
        QStringList items;
        for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
        return items;
    }
    // A label's own state, whether or not the dialog is on screen.
    static bool Shown(const QWidget& w) { return !w.isHidden(); }

    TSimulatedWindowStation station;
    TTempFolder machine;
};
} // namespace

TEST_F(SettingsDialog, ControlsAndTheirCaptions)
{
    TfrmSettings& d = Open();
    EXPECT_EQ(d.windowTitle(), "Settings");
    EXPECT_EQ(d.grpPcToRadio().title(), "PC to Radio");
    EXPECT_EQ(d.grpPcToRadio().Item(0)->text(), "Use the VOX in the radio.");
    EXPECT_EQ(d.grpPcToRadio().Item(1)->text(), "Use the USB / COM-port.");
    EXPECT_EQ(d.grpPcToRadioPin().Item(0)->text(), "RTS");
    EXPECT_EQ(d.grpPcToRadioPin().Item(1)->text(), "DTR");
    EXPECT_EQ(d.grpPcToRadioPolarity().Item(0)->text(), "Active hgh");
    EXPECT_EQ(d.grpPcToRadioPolarity().Item(1)->text(), "Active low");
    EXPECT_EQ(d.lblComPort().text(), "COM port:");
    EXPECT_EQ(d.lblComInUse().text(), "The selected com port is not available!");
    EXPECT_EQ(d.lblUsbInterfaceConnected().text(), "USB interface connected");
    EXPECT_EQ(d.cbxUnusedHight().text(), "Unused pin (RTS/DTR) always high");
    EXPECT_EQ(d.grpSoundCard().title(), "Sound card");
    EXPECT_EQ(d.cbxTurnDown().text(), "Turn other programs down while the channel is busy");
    EXPECT_EQ(d.btnOk().text(), "OK");
    EXPECT_EQ(d.lblComInUse().palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(d.lblUsbInterfaceConnected().palette().color(QPalette::WindowText), QColor(0, 128, 0));
    // The serial devices by name, each with the COM number it has.
    EXPECT_EQ(Items(d.ComboBox1()),
        (QStringList {"COM1: ttyS0", "COM2: ttyS1", "COM3: ttyS2", "COM4: ttyS3",
            QStringLiteral("%1 (ttyUSB0)").arg(AdapterName)}));
    EXPECT_EQ(d.ComboBox1().currentText(), "COM2: ttyS1");
    EXPECT_EQ(d.spnMediaVolume().minimum(), 0);
    EXPECT_EQ(d.spnMediaVolume().maximum(), 100);
}

// Run at the scale of the process: CTest runs this suite at 1 and at 2
// (QT_SCALE_FACTOR=2); the German test checks the same in German.
TEST_F(SettingsDialog, LayoutHasNoOverlapsAndKeepsClearOfTheEdgesInEveryState)
{
    const char* scale = std::getenv("QT_SCALE_FACTOR");
    TfrmSettings& d = Open();
    EXPECT_DOUBLE_EQ(d.devicePixelRatioF(), scale ? std::atof(scale) : 1.0);
    EXPECT_EQ(LayoutFaults(d), std::vector<std::string> {}) << "as opened";

    // Every status line at once, and the prompt for the name.
    d.lblComInUse().show();
    d.lblUsbInterfaceConnected().show();
    d.lblNamePrompt().show();
    EXPECT_EQ(LayoutFaults(d), std::vector<std::string> {}) << "with the status lines";
    // The sound card's GPIO in place of the line choices, a pin refused.
    station.parts.hid.Plug(0x0D8C, 0x013C);
    ASSERT_TRUE(station.loop.AdvanceUntil([&] { return Shown(d.GpioControls().cbxGpioPin()); }, 1000));
    Choose(d.GpioControls().cbxGpioPin(), 1);
    ASSERT_TRUE(Shown(d.GpioControls().lblGpioPinRefused()));
    EXPECT_EQ(LayoutFaults(d), std::vector<std::string> {}) << "with the sound card's GPIO";
    // A long device name is shortened in the box, not widening the window.
    EXPECT_LT(d.width(), 900);
}

TEST_F(SettingsDialog, ShowsTheSettingsFile)
{
    WriteBytes(station.parts.SettingsFile(),
        "[Identification]\r\nOperaterName=J\xFCrgen\r\n"
        "[Interface]\r\nRigComm=1\r\nRigComDtr=1\r\nRigComActiveHigh=0\r\n"
        "RigComUnusedHight=1\r\nCommPort=2\r\n[Media]\r\nMediaVolume=150\r\n");
    TfrmSettings& d = Open();
    EXPECT_EQ(d.grpPcToRadio().ItemIndex(), 1);
    EXPECT_EQ(d.grpPcToRadioPin().ItemIndex(), 1);
    EXPECT_EQ(d.grpPcToRadioPolarity().ItemIndex(), 1);
    EXPECT_EQ(d.ComboBox1().currentText(), "COM3: ttyS2");
    EXPECT_TRUE(d.cbxUnusedHight().isChecked());
    EXPECT_EQ(d.edtOperaterName().text(), QString::fromUtf8("Jürgen"));
    // Out of range in the file: shown at the end, and the file keeps it.
    EXPECT_EQ(d.spnMediaVolume().value(), 100);
    EXPECT_FALSE(d.spnMediaVolume().isEnabled()) << "other programs are not turned down";
    EXPECT_NE(File().find("MediaVolume=150"), std::string::npos);
    EXPECT_FALSE(Shown(d.lblComInUse()));
    EXPECT_FALSE(Shown(d.lblUsbInterfaceConnected()));
    EXPECT_FALSE(Shown(d.lblNamePrompt()));
}

TEST_F(SettingsDialog, VoxGreysPinAndPolarityAndEveryChangeIsSavedAtOnce)
{
    TfrmSettings& d = Open();
    EXPECT_TRUE(d.grpPcToRadioPin().isEnabled());
    Pick(d.grpPcToRadio(), 0);
    EXPECT_FALSE(Settings().RigComKeying());
    EXPECT_NE(File().find("RigComm=0"), std::string::npos);
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
    const std::string file = File();
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

    ChoosePort(d.ComboBox1(), "COM3:"); // present and free
    EXPECT_FALSE(Shown(d.lblComInUse()));
    EXPECT_TRUE(station.parts.serial.IsOpen("COM3"));
    EXPECT_EQ(Settings().CommIndex(), 2);

    ChoosePort(d.ComboBox1(), "COM4:"); // absent
    EXPECT_TRUE(Shown(d.lblComInUse()));
    EXPECT_EQ(d.lblComInUse().text(),
        "The selected com port is not available!\nCOM4 is missing: plug the device in, or choose another port.");
    EXPECT_EQ(Settings().CommIndex(), 3);
    EXPECT_NE(File().find("CommPort=3"), std::string::npos);

    // Another absent one: hidden and shown again at once.
    ChoosePort(d.ComboBox1(), "COM2:");
    EXPECT_TRUE(Shown(d.lblComInUse()));
    EXPECT_FALSE(Shown(d.lblUsbInterfaceConnected()));
}

TEST_F(SettingsDialog, AUsbAdapterChosenByNameGetsAComNumberByALinkBesideTheSettings)
{
    namespace fs = std::filesystem;
    TfrmSettings& d = Open();
    ChoosePort(d.ComboBox1(), AdapterName);
    // COM1 to COM4 are the machine's own ports: the adapter is COM5.
    EXPECT_EQ(Settings().CommIndex(), 4);
    EXPECT_NE(File().find("CommPort=4"), std::string::npos);
    const fs::path link = fs::path(FolderOf(station.parts.SettingsFile())) / "ports/com5";
    EXPECT_EQ(fs::read_symlink(link), machine.Path() / "dev/serial/by-id" / AdapterName);
    EXPECT_TRUE(station.parts.serial.IsOpen("COM5"));
    EXPECT_EQ(d.ComboBox1().currentText(), QStringLiteral("COM5: %1 (ttyUSB0)").arg(AdapterName));

    // Unplugged: the stored number stays, shown as not found.
    fs::remove(machine.Path() / "dev/serial/by-id" / AdapterName);
    fs::remove(machine.Path() / "dev/ttyUSB0");
    d.RefreshControls();
    EXPECT_EQ(d.ComboBox1().currentText(), "COM5 (not found)");
    EXPECT_EQ(d.ComboBox1().count(), 5);
    // Chosen as it is: the port is tried again, nothing else changes.
    ChoosePort(d.ComboBox1(), "COM5 (");
    EXPECT_EQ(Settings().CommIndex(), 4);
    EXPECT_TRUE(fs::is_symlink(link));
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
    for (const char* port : {"COM1:", "COM4:", AdapterName}) {
        ChoosePort(d.ComboBox1(), port);
        EXPECT_FALSE(Shown(d.lblComInUse())) << port;
    }
    QTest::mouseClick(&d.cbxUnusedHight(), Qt::LeftButton);
    EXPECT_FALSE(Shown(d.lblComInUse()));
    EXPECT_EQ(station.parts.serial.OpenCount("COM1") + station.parts.serial.OpenCount("COM5"), 0);
}

TEST_F(SettingsDialog, DialogOutlivesHidingAndFollowsTheInterfaceWhileHidden)
{
    station.parts.serial.SetAbsent("COM7", true);
    TfrmSettings& d = Open();
    d.hide();
    Settings().SetCommIndex(6);
    EXPECT_TRUE(Shown(d.lblComInUse()));
    EXPECT_EQ(d.ComboBox1().currentText(), "COM7 (not found)");
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

    Choose(gpio.cbxGpioPin(), 1);
    ASSERT_TRUE(Shown(gpio.lblGpioPinRefused()));
    EXPECT_EQ(gpio.lblGpioPinRefused().text(), "The CM108AH has no GPIO 2; it has GPIO 1, 3, 4.");
    EXPECT_EQ(Settings().GpioPin(), 3);
    EXPECT_EQ(gpio.cbxGpioPin().currentText(), "GPIO 3");

    Choose(gpio.cbxGpioPin(), 3);
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

TEST_F(SettingsDialog, OperatorNameAndFreeChannelLevelAreWrittenThrough)
{
    TfrmSettings& d = Open();
    EXPECT_EQ(d.edtOperaterName().text(), "Anna");
    d.edtOperaterName().setFocus();
    d.edtOperaterName().selectAll();
    Type(d.edtOperaterName(), QString::fromUtf8("jürgen  server"));
    EXPECT_EQ(Settings().OperaterName(), "Anna") << "not at every key";
    QTest::keyClick(&d.edtOperaterName(), Qt::Key_Return);
    // The settings' name rule, and the suite's code page in the file.
    EXPECT_EQ(Settings().OperaterName(), "J\xFCrgen");
    EXPECT_NE(File().find("OperaterName=J\xFCrgen\r\n"), std::string::npos);
    EXPECT_EQ(d.edtOperaterName().text(), QString::fromUtf8("Jürgen"));
    // Typed and left by OK: kept as well.
    QTest::keyClicks(&d.edtOperaterName(), "a");
    QTest::mouseClick(&d.btnOk(), Qt::LeftButton);
    EXPECT_EQ(Settings().OperaterName(), "J\xFCrgena");
    EXPECT_FALSE(d.isVisible());

    // The level applies while other programs are turned down.
    d.show();
    EXPECT_FALSE(d.spnMediaVolume().isEnabled());
    QTest::mouseClick(&d.cbxTurnDown(), Qt::LeftButton);
    ASSERT_TRUE(d.spnMediaVolume().isEnabled());
    EXPECT_EQ(d.spnMediaVolume().value(), 50);
    d.spnMediaVolume().setFocus();
    QTest::keyClick(&d.spnMediaVolume(), Qt::Key_Down);
    EXPECT_EQ(Settings().MediaVolume(), 49);
    d.spnMediaVolume().selectAll();
    QTest::keyClicks(&d.spnMediaVolume(), "30");
    EXPECT_EQ(Settings().MediaVolume(), 49) << "not at every digit";
    QTest::keyClick(&d.spnMediaVolume(), Qt::Key_Enter);
    EXPECT_EQ(Settings().MediaVolume(), 30);
    EXPECT_NE(File().find("MediaVolume=30"), std::string::npos);
}

namespace {
struct SettingsDialogWithoutName : SettingsDialog {
    SettingsDialogWithoutName()
        : SettingsDialog("[Interface]\r\nRigComm=0\r\n")
    {
    }
};
} // namespace

TEST_F(SettingsDialogWithoutName, AFirstStartAsksForTheNameOnceInARun)
{
    station.Open();
    TfrmSettings& d = station.form->SettingsForm();
    ASSERT_FALSE(d.isVisible());
    EXPECT_TRUE(d.AskOperatorNameIfMissing());
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(Shown(d.lblNamePrompt()));
    EXPECT_EQ(d.focusWidget(), &d.edtOperaterName());

    // Closed without a name: not asked again in this run.
    d.reject();
    EXPECT_FALSE(d.AskOperatorNameIfMissing());
    EXPECT_FALSE(d.isVisible());

    d.show();
    QTest::keyClicks(&d.edtOperaterName(), "Bob");
    QTest::keyClick(&d.edtOperaterName(), Qt::Key_Return);
    EXPECT_EQ(Settings().OperaterName(), "Bob");
    EXPECT_FALSE(Shown(d.lblNamePrompt()));
}

TEST_F(SettingsDialog, ANamedOperatorIsNotAsked)
{
    station.Open();
    TfrmSettings& d = station.form->SettingsForm();
    EXPECT_FALSE(d.AskOperatorNameIfMissing());
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(Shown(d.lblNamePrompt()));
}

// The check itself, on frames placed by hand as the dialog's once were.
TEST(LayoutCheck, FindsOverlappingFramesAndControlsAtTheEdge)
{
    QWidget window;
    window.resize(458, 253);
    auto* keying = new QGroupBox(QStringLiteral("PC to Radio"), &window);
    keying->setObjectName(QStringLiteral("keying"));
    keying->setGeometry(0, 0, 222, 65);
    auto* pin = new QGroupBox(&window);
    pin->setObjectName(QStringLiteral("pin"));
    pin->setGeometry(8, 56, 110, 57);
    auto* item = new QRadioButton(QStringLiteral("RTS"), pin);
    item->setObjectName(QStringLiteral("item"));
    item->setGeometry(0, 0, 60, 20);
    EXPECT_EQ(LayoutFaults(window),
        (std::vector<std::string> {"keying reaches out of QWidget", "keying overlaps pin", "item reaches out of pin"}));
}
