#include "StationBus.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <filesystem>
#include <system_error>

#include "app/OutgoingText.h"
#include "app/SendGate.h"
#include "app/StationJson.h"
#include "station/untFFSKTranceiver.h"

namespace {

std::string CanonicalPath(const std::string& file)
{
    std::error_code error;
    const std::filesystem::path path = std::filesystem::weakly_canonical(std::filesystem::absolute(file), error);
    return error ? file : path.string();
}

QString Bytes(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

QString TStationBus::BusName(const std::string& settingsFile)
{
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(CanonicalPath(settingsFile)), QCryptographicHash::Sha256);
    return QStringLiteral("org.parlet.Parlet.s") + QString::fromLatin1(hash.toHex().left(16));
}

QString BusErrorName(const std::string& code)
{
    // "queue-full" -> QueueFull
    QString name;
    bool upper = true;
    for (const char c : code) {
        if (c == '-') {
            upper = true;
            continue;
        }
        name += upper ? QChar::fromLatin1(c).toUpper() : QChar::fromLatin1(c);
        upper = false;
    }
    return QStringLiteral("org.parlet.Parlet1.Error.") + name;
}

TStationBus::TStationBus(
    const QDBusConnection& bus, TFFSKTranceiver& station, TSendGate& gate, const std::string& settingsFile)
    : FBus(bus)
    , FStation(station)
    , FGate(gate)
    , FSettingsFile(Bytes(CanonicalPath(settingsFile)))
    , FName(BusName(settingsFile))
    , FRecords(station.OnReceive.Connect(
          [this](TObject*, const TMessageRecord& record) { emit MessageRecord(Bytes(RecordJson(record))); }))
    , FStatus(station.OnStatusChange.Connect(
          [this](TObject*, const TStationStatus& status) { emit StatusChanged(Bytes(StatusJson(status))); }))
{
    if (!FBus.isConnected()) {
        FProblem = QStringLiteral("no session bus: ") + FBus.lastError().message();
        return;
    }
    if (!FBus.registerObject(QString::fromLatin1(ObjectPath), this,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                | QDBusConnection::ExportAllProperties)) {
        FProblem = QStringLiteral("the object path is taken on the session bus");
        return;
    }
    if (!FBus.registerService(FName)) {
        FBus.unregisterObject(QString::fromLatin1(ObjectPath));
        FProblem = QStringLiteral("the name ") + FName + QStringLiteral(" is taken: ") + FBus.lastError().message();
    }
}

TStationBus::~TStationBus()
{
    if (!Registered()) return;
    FBus.unregisterService(FName);
    FBus.unregisterObject(QString::fromLatin1(ObjectPath));
}

bool TStationBus::Keyed() const
{
    return FStation.Status().Keyed;
}
bool TStationBus::ChannelBusy() const
{
    return FStation.Status().ChannelBusy;
}
bool TStationBus::OutputLost() const
{
    return FStation.Status().OutputLost;
}
bool TStationBus::InputLost() const
{
    return FStation.Status().InputLost;
}
QString TStationBus::OutputReason() const
{
    return Bytes(FStation.Status().OutputReason);
}
QString TStationBus::InputReason() const
{
    return Bytes(FStation.Status().InputReason);
}
uint TStationBus::QueuedTexts() const
{
    return static_cast<uint>(FGate.Waiting());
}
uint TStationBus::MaxQueuedTexts() const
{
    return TSendGate::MaxQueuedTexts;
}
uint TStationBus::MaxTextLength() const
{
    return MaxOutgoingTextLength;
}

qulonglong TStationBus::Send(const QString& text)
{
    const TSendGate::TResult result = FGate.Send(text.toStdString());
    if (!result.Ok) {
        if (calledFromDBus()) sendErrorReply(BusErrorName(result.Code), Bytes(result.Message));
        return 0;
    }
    return result.Id;
}

int SendToRunningParlet(
    const QDBusConnection& bus, const std::string& settingsFile, const std::string& text, std::string& message)
{
    // Refused here already, with the same words as the station would use.
    const TOutgoingText checked = CheckOutgoingText(text);
    if (!checked.Ok) {
        message = "not sent: " + checked.Message;
        return 1;
    }
    if (!bus.isConnected()) {
        message = "no session bus, so no Parlet to hand the text to: " + bus.lastError().message().toStdString();
        return 1;
    }
    const QString name = TStationBus::BusName(settingsFile);
    QDBusMessage call = QDBusMessage::createMethodCall(name, QString::fromLatin1(TStationBus::ObjectPath),
        QString::fromLatin1(TStationBus::Interface), QStringLiteral("Send"));
    call << QString::fromStdString(text);
    const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, 10000);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        message = "queued as " + std::to_string(reply.arguments().first().toULongLong());
        return 0;
    }
    if (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")
        || reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        message = "no Parlet is running on the settings file " + CanonicalPath(settingsFile);
        return 1;
    }
    message = "not sent: " + reply.errorMessage().toStdString();
    return 1;
}
