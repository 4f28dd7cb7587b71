#pragma once

#include <QDBusConnection>

#include <memory>

#include "app/AboutBox.h"

class TDesktopNotifier;
class TMessageHistory;
class TfrmParlet;

// Ties the main window to the desktop around it: every logged message goes
// to the history, a message heard while the window is not the active one
// raises a desktop notification (whose default action brings the window
// forward), and the About button shows the About box.
class TDesktopBinding {
public:
    TDesktopBinding(TfrmParlet& form, TMessageHistory& history, const QDBusConnection& bus, TAboutFacts about);
    ~TDesktopBinding();
    TDesktopBinding(const TDesktopBinding&) = delete;
    TDesktopBinding& operator=(const TDesktopBinding&) = delete;

    // The name of the program's desktop entry, without ".desktop".
    static constexpr const char* DesktopEntry = "org.parlet.Parlet";

private:
    TfrmParlet& FForm;
    std::unique_ptr<TDesktopNotifier> FNotifier;
};
