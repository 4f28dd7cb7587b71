#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/AboutBox.h"
#include "app/RadioGroup.h"
#include "app/SoundCardBox.h"
#include "app/guiSettings.h"
#include "tests/app/LayoutFaults.h"
#include "tests/app/SimulatedWindowStation.h"

// The windows read the German catalogue built beside the test program. The
// language is chosen at the first translation of a process: this program
// holds this one test, and CTest runs it in a process of its own.
TEST(GermanWindows, MainWindowDialogAndAboutBoxAreInGerman)
{
    setenv("LANG", "de_DE.UTF-8", 1);
    unsetenv("LANGUAGE");
    TSimulatedWindowStation station;
    TfrmParlet& form = station.Open();
    EXPECT_EQ(form.btnSend().text(), "Senden");
    EXPECT_EQ(form.btnSettings().text(), "Einstellungen");
    EXPECT_EQ(form.btnAbout().text(), "Info");

    TfrmSettings& dialog = form.SettingsForm();
    EXPECT_EQ(dialog.windowTitle(), "Einstellungen");
    EXPECT_EQ(dialog.lblComInUse().text(), QString::fromUtf8("Der gewählte COM-Port ist nicht verfügbar!"));
    EXPECT_EQ(dialog.grpSoundCard().title(), "Soundkarte");
    EXPECT_EQ(dialog.grpSoundCard().cbxOutput().itemText(0), "Systemstandard");
    // The longer German texts fit, every status line shown at once.
    dialog.show();
    for (QLabel* status : {&dialog.lblComInUse(), &dialog.lblUsbInterfaceConnected(), &dialog.lblNamePrompt()})
        status->show();
    EXPECT_EQ(LayoutFaults(dialog), std::vector<std::string> {});
    EXPECT_LT(dialog.cbxTurnDown().geometry().bottom(), dialog.btnOk().geometry().top());
    EXPECT_GE(dialog.cbxTurnDown().width(), dialog.cbxTurnDown().sizeHint().width());

    const QString about = AboutText({"/x/ZYNClient.ini", "/x/history"});
    EXPECT_TRUE(about.contains("Einstellungsdatei: /x/ZYNClient.ini")) << about.toStdString();
    EXPECT_TRUE(about.contains("Nachrichtenverlauf: /x/history")) << about.toStdString();
}
