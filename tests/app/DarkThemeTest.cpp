#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPalette>

#include "app/guiSettings.h"
#include "tests/app/SimulatedWindowStation.h"

// Under a dark desktop theme the dialog's coloured notes stay readable.
TEST(DarkTheme, ColouredNotesAreBrightenedOnADarkWindowColour)
{
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    {
        TSimulatedWindowStation station;
        TfrmSettings& dialog = station.Open().SettingsForm();
        const QColor green = dialog.lblUsbInterfaceConnected().palette().color(QPalette::WindowText);
        const QColor red = dialog.lblComInUse().palette().color(QPalette::WindowText);
        EXPECT_GE(green.value(), 200) << green.name().toStdString();
        EXPECT_GT(green.green(), green.red());
        EXPECT_EQ(red, QColor(255, 0, 0)) << "bright enough as it is";
    }
    QApplication::setPalette(light);
    {
        TSimulatedWindowStation station;
        TfrmSettings& dialog = station.Open().SettingsForm();
        EXPECT_EQ(dialog.lblUsbInterfaceConnected().palette().color(QPalette::WindowText), QColor(0, 128, 0));
    }
}
