#include "AboutBox.h"

#include <QMessageBox>

#include "app/UiText.h"
#include "base/InstalledFolders.h"

QString AboutText(const TAboutFacts& facts)
{
    return UiText("Parlet %1\n\n"
                  "Short text messages over a two-way FM radio.\n\n"
                  "Settings file: %2\n"
                  "Message history: %3\n\n"
                  "Licence: %4")
        .arg(QString::fromStdString(ProgramVersion()), facts.SettingsFile, facts.HistoryFolder,
            QString::fromStdString(ProgramLicence()));
}

void ShowAboutBox(QWidget* parent, const TAboutFacts& facts)
{
    QMessageBox box(QMessageBox::Information, UiText("About Parlet"), AboutText(facts), QMessageBox::Ok, parent);
    // Paths are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
