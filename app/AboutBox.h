#pragma once

#include <QString>

class QWidget;

// What the About box tells besides the version.
struct TAboutFacts {
    QString SettingsFile;
    QString HistoryFolder;
};

// The About box's text: version, settings file, history folder, licence.
QString AboutText(const TAboutFacts& facts);

// Shows it over parent, modal.
void ShowAboutBox(QWidget* parent, const TAboutFacts& facts);
