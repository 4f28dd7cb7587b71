// parlet-screenshots [--dark] FOLDER [SUFFIX]: draws the README's pictures
// into FOLDER, as parlet-main<SUFFIX>.png and parlet-settings<SUFFIX>.png
// (the language and the scale come from LANG and QT_SCALE_FACTOR; --dark
// draws them under a dark desktop palette). The
// real windows and modem run on a simulated station in virtual time (its
// sound card's output wired back to its input), so no sound card is needed:
// a message is typed and sent, comes back decoded, and a second one is being
// received while the main window is drawn; then the settings dialog. The
// pictures are Qt's own rendering of the windows (no window frame), on
// whatever display platform Qt is given.
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/AdvProgr.h"
#include "app/Memo.h"
#include "app/SerialPortBox.h"
#include "app/guiParlet.h"
#include "app/guiSettings.h"
#include "audio/SimulatedSoundCard.h"
#include "audio/VirtualCable.h"
#include "base/VirtualLoop.h"
#include "media/SimulatedMixer.h"
#include "modem/MessageText.h"
#include "radio/SimulatedHidBus.h"
#include "radio/SimulatedSerialPlatform.h"

namespace {
// A dark desktop theme as the common dark styles draw it: light text on dark
// grey, a blue selection, and greyed-out disabled texts.
QPalette DarkPalette()
{
    const QColor window(0x35, 0x35, 0x35), base(0x24, 0x24, 0x24), text(0xee, 0xee, 0xee), grey(0x80, 0x80, 0x80);
    QPalette dark;
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, grey);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, Qt::red);
    dark.setColor(QPalette::Light, window.lighter(150));
    dark.setColor(QPalette::Midlight, window.lighter(125));
    dark.setColor(QPalette::Mid, window.darker(130));
    dark.setColor(QPalette::Dark, window.darker(200));
    dark.setColor(QPalette::Shadow, Qt::black);
    dark.setColor(QPalette::Link, QColor(0x5a, 0xa9, 0xf0));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, grey);
    return dark;
}

bool Save(QWidget& window, const std::filesystem::path& file)
{
    QApplication::processEvents();
    if (window.grab().save(QString::fromStdString(file.string()), "PNG")) {
        std::printf("screenshots: wrote %s\n", file.c_str());
        return true;
    }
    std::fprintf(stderr, "screenshots: cannot write %s\n", file.c_str());
    return false;
}

void Send(TfrmParlet& form, const QString& text)
{
    QTest::keyClicks(&form.Edit1(), text);
    QTest::mouseClick(&form.btnSend(), Qt::LeftButton);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool dark = !args.empty() && args[0] == "--dark";
    if (dark) args.erase(args.begin());
    if (args.size() != 1 && args.size() != 2) {
        std::fprintf(stderr, "usage: parlet-screenshots [--dark] FOLDER [SUFFIX]\n");
        return 2;
    }
    const std::filesystem::path folder = args[0];
    const std::string suffix = args.size() == 2 ? args[1] : "";
    if (dark) {
        // Fusion draws every control from the palette, as a dark desktop does.
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(DarkPalette());
    }

    std::string pattern = (std::filesystem::temp_directory_path() / "parlet-shots-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("screenshots: mkdtemp");
        return 1;
    }
    const std::filesystem::path scratch = pattern;
    const std::string settingsFile = (scratch / "ZYNClient.ini").string();
    std::ofstream(settingsFile) << "[Identification]\r\nOperaterName=Anna\r\n[Interface]\r\nRigComm=1\r\nCommPort=2\r\n"
                                   "[Media]\r\nControlWinAmp=1\r\nMediaVolume=50\r\n";
    // The serial devices of a machine with one UART and a USB adapter, given
    // COM3 by its link beside the settings.
    const std::filesystem::path machine = scratch / "machine";
    std::filesystem::create_directories(machine / "dev/serial/by-id");
    std::filesystem::create_directories(scratch / "ports");
    for (const char* node : {"ttyS0", "ttyUSB0"}) std::ofstream(machine / "dev" / node);
    const std::filesystem::path adapter = machine / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    std::filesystem::create_symlink("../../ttyUSB0", adapter);
    std::filesystem::create_symlink(adapter, scratch / "ports/com3");

    bool saved = false;
    {
        TVirtualLoop loop;
        TSimulatedSoundCard sound;
        TVirtualCable loopback(sound, sound);
        // As loud as a receiver turned up: the level bar shows the burst well.
        loopback.SetGain(5.0);
        TSimulatedSerialPlatform serial;
        TSimulatedHidBus hid;
        TSimulatedMixer mixer;
        TFFSKTranceiver station(TStationPlatform {sound, serial, hid, hid, mixer}, settingsFile);
        TfrmParlet form(station);
        form.show();

        Send(form, "hello");
        loop.AdvanceUntil([&] { return form.Memo1().LineCount() == 4; }, 10000);
        Send(form, "Good morning, all stations");
        // Drawn while the second message is on the input.
        loop.AdvanceUntil([&] { return form.prbLevelIn().value() >= 50; }, 10000);
        saved = Save(form, folder / ("parlet-main" + suffix + ".png"));

        form.SettingsForm().ComboBox1().UseDevices(TSerialDeviceList(machine.string(), scratch.string()));
        form.btnSettingsClick();
        saved = Save(form.SettingsForm(), folder / ("parlet-settings" + suffix + ".png")) && saved;
        form.SettingsForm().hide();

        // A message heard through a fade: the receiver doubts two digits
        // and lost a block of eight characters.
        TDecodedMessage heard;
        heard.Body = "Bob>>Meet at Mill St 14, gate " + std::string(8, '?') + " at 0930";
        heard.Certainty.assign(heard.Body.size(), TCharCertainty::Sure);
        for (const std::size_t doubtful : {std::size_t {21}, std::size_t {22}})
            heard.Certainty[doubtful] = TCharCertainty::Doubtful;
        for (std::size_t i = 30; i < 38; ++i) heard.Certainty[i] = TCharCertainty::NotHeard;
        TMessageRecord record;
        record.Message = ReadMessageText(heard);
        record.SnrDb = 8.6;
        form.TranceiverReceive(&station, record);
        saved = Save(form, folder / ("parlet-damaged" + suffix + ".png")) && saved;
    }
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return saved ? 0 : 1;
}
