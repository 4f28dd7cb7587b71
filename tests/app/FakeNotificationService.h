#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

// A session bus of the test's own: dbus-daemon started for one test and
// ended with it, never the user's bus.
class TPrivateSessionBus {
public:
    TPrivateSessionBus()
    {
        FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        if (!out) return;
        char line[512];
        if (fgets(line, sizeof line, out)) FAddress = QString::fromUtf8(line).trimmed();
        if (fgets(line, sizeof line, out)) FPid = std::stoi(line);
        pclose(out);
    }
    ~TPrivateSessionBus()
    {
        if (FPid > 0) kill(FPid, SIGTERM);
    }
    TPrivateSessionBus(const TPrivateSessionBus&) = delete;
    TPrivateSessionBus& operator=(const TPrivateSessionBus&) = delete;

    bool Running() const { return FPid > 0 && !FAddress.isEmpty(); }
    // For programs the test starts (DBUS_SESSION_BUS_ADDRESS).
    const QString& Address() const { return FAddress; }
    // A connection of its own for each client, as separate programs have.
    QDBusConnection Connect(const QString& name) const { return QDBusConnection::connectToBus(FAddress, name); }

private:
    QString FAddress;
    int FPid = 0;
};

// One Notify call as the service received it.
struct TNotifyCall {
    QString appName;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
};

// A freedesktop notification service of the test's own that records every
// Notify call and can invoke a notification's action.
class TFakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit TFakeNotificationService(QDBusConnection bus)
        : FBus(std::move(bus))
    {
        FBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots);
        FRegistered = FBus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    bool Registered() const { return FRegistered; }

    // The user chose the notification's default action; the service hands
    // over an activation token first.
    void InvokeDefault(uint id, const QString& token)
    {
        const QString path = QStringLiteral("/org/freedesktop/Notifications");
        const QString iface = QStringLiteral("org.freedesktop.Notifications");
        QDBusMessage tokenSignal = QDBusMessage::createSignal(path, iface, QStringLiteral("ActivationToken"));
        tokenSignal << id << token;
        FBus.send(tokenSignal);
        QDBusMessage action = QDBusMessage::createSignal(path, iface, QStringLiteral("ActionInvoked"));
        action << id << QStringLiteral("default");
        FBus.send(action);
    }

    std::vector<TNotifyCall> calls;

public slots:
    QStringList GetCapabilities()
    {
        return {QStringLiteral("body"), QStringLiteral("body-markup"), QStringLiteral("actions")};
    }
    uint Notify(const QString& appName, uint, const QString& appIcon, const QString& summary, const QString& body,
        const QStringList& actions, const QVariantMap& hints, int)
    {
        calls.push_back({appName, appIcon, summary, body, actions, hints});
        return static_cast<uint>(calls.size());
    }

private:
    QDBusConnection FBus;
    bool FRegistered = false;
};
