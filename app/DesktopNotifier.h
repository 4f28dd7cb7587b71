#pragma once

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

// Desktop notifications through the freedesktop notification service on a
// session bus. Calls never block and never fail loudly: without a service
// nothing happens. Choosing a notification's default action calls the
// activate handler, with the activation token the service handed over set
// for the window system (XDG_ACTIVATION_TOKEN) while it runs, so that a
// Wayland compositor lets the window come forward.
class TDesktopNotifier : public QObject {
    Q_OBJECT
public:
    TDesktopNotifier(const QDBusConnection& bus, QString desktopEntry, std::function<void()> activate);

    // A received message: the sender as the title, the text as the body.
    void NotifyReceived(const QString& sender, const QString& text);

    // Plain text escaped for the service's body markup.
    static QString EscapedForMarkup(const QString& text);

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnActivationToken(uint id, const QString& token);
    void OnNotificationClosed(uint id, uint reason);
    void OnCapabilities(QDBusPendingCallWatcher* reply);

private:
    QDBusConnection FBus;
    QString FDesktopEntry;
    std::function<void()> FActivate;
    // The notifications this program raised and the service still shows.
    QSet<uint> FShown;
    QString FActivationToken;
    // Until the service says otherwise it is taken to read body markup, as
    // nearly every one does.
    bool FBodyMarkup = true;
};
