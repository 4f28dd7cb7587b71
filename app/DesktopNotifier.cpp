#include "DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <utility>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString DefaultAction = QStringLiteral("default");
} // namespace

TDesktopNotifier::TDesktopNotifier(const QDBusConnection& bus, QString desktopEntry, std::function<void()> activate)
    : FBus(bus)
    , FDesktopEntry(std::move(desktopEntry))
    , FActivate(std::move(activate))
{
    if (!FBus.isConnected()) return;
    FBus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this, SLOT(OnActionInvoked(uint, QString)));
    FBus.connect(
        Service, Path, Interface, QStringLiteral("ActivationToken"), this, SLOT(OnActivationToken(uint, QString)));
    FBus.connect(
        Service, Path, Interface, QStringLiteral("NotificationClosed"), this, SLOT(OnNotificationClosed(uint, uint)));
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(FBus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &TDesktopNotifier::OnCapabilities);
}

void TDesktopNotifier::OnCapabilities(QDBusPendingCallWatcher* finished)
{
    const QDBusPendingReply<QStringList> reply = *finished;
    if (reply.isValid()) FBodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
    finished->deleteLater();
}

QString TDesktopNotifier::EscapedForMarkup(const QString& text)
{
    // The service may read the body as a small subset of HTML: the three
    // characters that start markup or an entity are written as entities.
    return text.toHtmlEscaped().replace(QStringLiteral("&quot;"), QStringLiteral("\""));
}

void TDesktopNotifier::NotifyReceived(const QString& sender, const QString& text)
{
    if (!FBus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const QVariantMap hints {
        {QStringLiteral("category"), QStringLiteral("im.received")},
        {QStringLiteral("desktop-entry"), FDesktopEntry},
    };
    call << QStringLiteral("Parlet") << uint {0} << FDesktopEntry << sender
         << (FBodyMarkup ? EscapedForMarkup(text) : text) << QStringList {DefaultAction, QStringLiteral("Show")}
         << hints << int {-1};
    // Asynchronous: a slow or missing service never holds up the radio.
    auto* watcher = new QDBusPendingCallWatcher(FBus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isValid()) FShown.insert(reply.value());
        finished->deleteLater();
    });
}

void TDesktopNotifier::OnActivationToken(uint id, const QString& token)
{
    if (FShown.contains(id)) FActivationToken = token;
}

void TDesktopNotifier::OnActionInvoked(uint id, const QString& action)
{
    if (!FShown.contains(id) || action != DefaultAction) return;
    const QString token = std::exchange(FActivationToken, QString());
    if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    if (FActivate) FActivate();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

void TDesktopNotifier::OnNotificationClosed(uint id, uint)
{
    FShown.remove(id);
}
