#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

#include <string>

#include "base/Event.h"

class TFFSKTranceiver;
class TSendGate;

// The station on the session bus, for other programs of the same user: the
// windowed and the headless program alike. Interface org.parlet.Parlet1 at
// /org/parlet/Parlet under a name of its settings file (BusName); the
// interface is described in packaging/org.parlet.Parlet1.xml.
class TStationBus : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.parlet.Parlet1")
    Q_PROPERTY(bool Keyed READ Keyed)
    Q_PROPERTY(bool ChannelBusy READ ChannelBusy)
    Q_PROPERTY(bool OutputLost READ OutputLost)
    Q_PROPERTY(bool InputLost READ InputLost)
    Q_PROPERTY(QString OutputReason READ OutputReason)
    Q_PROPERTY(QString InputReason READ InputReason)
    Q_PROPERTY(uint QueuedTexts READ QueuedTexts)
    Q_PROPERTY(uint MaxQueuedTexts READ MaxQueuedTexts)
    Q_PROPERTY(uint MaxTextLength READ MaxTextLength)
    Q_PROPERTY(QString SettingsFile READ SettingsFile)

public:
    static constexpr const char* Interface = "org.parlet.Parlet1";
    static constexpr const char* ObjectPath = "/org/parlet/Parlet";

    // "org.parlet.Parlet.s" + the first 16 hex digits of the SHA-256 of the
    // settings file's canonical path: one name per settings file, as one
    // program per settings file runs.
    static QString BusName(const std::string& settingsFile);

    // Registers on bus; Registered() tells whether that worked (no session
    // bus, or the name taken), Problem() why not.
    TStationBus(const QDBusConnection& bus, TFFSKTranceiver& station, TSendGate& gate, const std::string& settingsFile);
    ~TStationBus() override;

    bool Registered() const { return FProblem.isEmpty(); }
    const QString& Problem() const { return FProblem; }

    bool Keyed() const;
    bool ChannelBusy() const;
    bool OutputLost() const;
    bool InputLost() const;
    QString OutputReason() const;
    QString InputReason() const;
    uint QueuedTexts() const;
    uint MaxQueuedTexts() const;
    uint MaxTextLength() const;
    QString SettingsFile() const { return FSettingsFile; }

public slots:
    // Queues a text (UTF-8 on the bus, Windows-1252 on the air); returns the
    // id its message records carry. A refused text is a D-Bus error
    // org.parlet.Parlet1.Error.<Code> with a message for people.
    qulonglong Send(const QString& text);

signals:
    // Each message record and status change, as the JSON object the headless
    // program prints.
    void MessageRecord(const QString& json);
    void StatusChanged(const QString& json);

private:
    QDBusConnection FBus;
    TFFSKTranceiver& FStation;
    TSendGate& FGate;
    QString FSettingsFile;
    QString FName;
    QString FProblem;
    TConnection FRecords;
    TConnection FStatus;
};

// The D-Bus error name of a refusal code such as "queue-full".
QString BusErrorName(const std::string& code);

// parlet --send: hands text to the program running on settingsFile. Returns
// the exit status; message is what to print (the id on success, the reason
// on failure).
int SendToRunningParlet(
    const QDBusConnection& bus, const std::string& settingsFile, const std::string& text, std::string& message);
