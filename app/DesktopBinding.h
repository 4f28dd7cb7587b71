#pragma once

#include <QDBusConnection>

#include <memory>

#include "app/AboutBox.h"
#include "base/Event.h"

class TDesktopNotifier;
class TFFSKTranceiver;
class TMessageHistory;
class TfrmParlet;
struct TMessageRecord;

// Ties the station and its window to the desktop around them: every message
// sent, not sent or heard goes to the history; a message heard while the
// window is not the active one, and a text that could not be sent, raise a
// desktop notification (whose default action brings the window forward);
// the About button shows the About box.
class TDesktopBinding {
public:
    TDesktopBinding(TFFSKTranceiver& station, TfrmParlet& form, TMessageHistory& history, const QDBusConnection& bus,
        TAboutFacts about);
    ~TDesktopBinding();
    TDesktopBinding(const TDesktopBinding&) = delete;
    TDesktopBinding& operator=(const TDesktopBinding&) = delete;

    // The name of the program's desktop entry, without ".desktop".
    static constexpr const char* DesktopEntry = "org.parlet.Parlet";

private:
    void Record(const TMessageRecord& record);

    TfrmParlet& FForm;
    TMessageHistory& FHistory;
    std::unique_ptr<TDesktopNotifier> FNotifier;
    TConnection FMessages;
    TConnection FAbout;
};
