#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "app/HistoryRecord.h"
#include "app/OutgoingText.h"
#include "app/SendGate.h"
#include "app/StationBus.h"
#include "app/StationJson.h"
#include "desktop/MessageHistory.h"
#include "tests/support/TempFolder.h"
#include "tests/app/FakeNotificationService.h"
#include "tests/app/SimulatedWindowStation.h"

// The doors other programs use: the text check, the input lines, the JSON
// lines, the bounded queue, and the station on a private session bus.
namespace {

QJsonObject Parsed(const std::string& line)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

} // namespace

TEST(StationApi, TextsAreCheckedLikeTheWindowsAndRefusedWithAReason)
{
    struct Case {
        std::string text;
        const char* code; // "" for accepted
        std::string bytes;
    };
    const Case cases[] = {
        {"hello", "", "hello"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC"
         "5?",
            "",
            "Gr\xFC\xDF"
            "e \x80"
            "5?"},
        {std::string(160, 'x'), "", std::string(160, 'x')},
        {std::string(161, 'x'), "too-long", ""},
        {std::string(100000, 'x'), "too-long", ""},
        {"", "empty", ""},
        {"a\tb", "control-character", ""},
        {std::string("a\0b", 3), "control-character", ""},
        {"a\x7F", "control-character", ""},
        {"a\xC2\x85", "control-character", ""}, // U+0085, a C1 control
        {"\xFF\xFE", "invalid-utf8", ""},
        {"\xE2\x82", "invalid-utf8", ""},
        {"\xCE\xB1", "not-windows-1252", ""}, // Greek alpha
        {"ok \xF0\x9F\x93\xBB", "not-windows-1252", ""},
    };
    for (const Case& c : cases) {
        const TOutgoingText checked = CheckOutgoingText(c.text);
        EXPECT_EQ(checked.Code, c.code) << c.text.substr(0, 40);
        EXPECT_EQ(checked.Ok, std::string(c.code).empty());
        EXPECT_EQ(checked.Bytes, c.bytes);
        EXPECT_EQ(checked.Message.empty(), checked.Ok);
    }
}

TEST(StationApi, InputLinesArePlainTextsOrJsonObjectsWithAText)
{
    using K = TInputLine::TKind;
    const struct {
        std::string line;
        K kind;
        std::string text;
    } cases[] = {
        {"hello there", K::Text, "hello there"},
        {"hello\r", K::Text, "hello"},
        {"", K::Skip, ""},
        {"\r", K::Skip, ""},
        {R"({"text":"a \u00e9 b"})", K::Text, "a \xC3\xA9 b"},
        {R"({"text":"x","to":"ignored"})", K::Text, "x"},
        {R"({"text":5})", K::Error, ""},
        {R"({"txt":"x"})", K::Error, ""},
        {R"(["text"])", K::Text, R"(["text"])"}, // only a line starting with '{' is JSON
        {R"({"text":"x")", K::Error, ""},
    };
    for (const auto& c : cases) {
        const TInputLine read = ReadInputLine(c.line);
        EXPECT_EQ(read.Kind, c.kind) << c.line;
        EXPECT_EQ(read.Text, c.text) << c.line;
        if (c.kind == K::Error) {
            EXPECT_EQ(read.Code, "bad-json");
        }
    }
}

TEST(StationApi, RecordsAndStatusBecomeOneJsonObjectALine)
{
    TMessageRecord heard;
    heard.RawBody = std::string("Tom>>caf\xE9 \"1\"\0\0", 15);
    heard.Message = ReadMessageText(TMessageType::Sms, heard.RawBody);
    heard.Message.Doubt = {3};
    heard.SnrDb = 17.46;
    heard.Time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1700000000123));
    const std::string line = RecordJson(heard);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const QJsonObject o = Parsed(line);
    EXPECT_EQ(o["event"], "message");
    EXPECT_EQ(o["direction"], "heard");
    EXPECT_FALSE(o.contains("id"));
    EXPECT_EQ(o["sender"], "Tom");
    EXPECT_EQ(o["text"], QString::fromUtf8("caf\xC3\xA9 \"1\""));
    EXPECT_EQ(o["damaged"], true);
    EXPECT_EQ(o["doubt"].toArray().at(0), 3);
    EXPECT_DOUBLE_EQ(o["snrDb"].toDouble(), 17.5);
    EXPECT_EQ(o["time"], "2023-11-14T22:13:20.123Z");

    TMessageRecord failed;
    failed.Direction = TMessageDirection::Sent;
    failed.State = TSendState::Failed;
    failed.Id = 18446744073709551615u;
    failed.FailReason = "no sound card";
    const QJsonObject f = Parsed(RecordJson(failed));
    EXPECT_EQ(f["state"], "failed");
    EXPECT_EQ(f["id"], "18446744073709551615");
    EXPECT_EQ(f["reason"], "no sound card");
    EXPECT_FALSE(f.contains("snrDb"));

    TStationStatus status;
    status.Keyed = true;
    status.InputLost = true;
    status.InputReason = "card gone";
    const QJsonObject s = Parsed(StatusJson(status));
    EXPECT_EQ(s["keyed"], true);
    EXPECT_EQ(s["channelBusy"], false);
    EXPECT_EQ(s["inputReason"], "card gone");
    EXPECT_FALSE(s.contains("outputReason"));
}

// The window and the headless program keep the same history lines.
TEST(StationApi, RecordsGoToTheHistoryWithTheirMarks)
{
    TTempFolder folder;
    TMessageHistory history(folder.File("history"), [](const std::string& report) { ADD_FAILURE() << report; });
    TMessageRecord heard;
    heard.RawBody = "Tom>>a5 x";
    heard.Message = ReadMessageText(TMessageType::Sms, heard.RawBody);
    heard.Message.Doubt = {1};
    heard.Time = std::chrono::system_clock::time_point(std::chrono::seconds(1796710878));
    TMessageRecord queued = heard;
    queued.Direction = TMessageDirection::Sent; // Queued: not kept
    AppendToHistory(history, heard);
    AppendToHistory(history, queued);
    EXPECT_EQ(ReadBytes(history.FileFor(heard.Time)), "2026-12-08T06:21:18Z < Tom\ta\\?5 x\n");
}

TEST(StationApi, BusNamesFollowTheCanonicalSettingsPath)
{
    const QString name = TStationBus::BusName("/tmp/../tmp/ZYNClient.ini");
    EXPECT_EQ(name, TStationBus::BusName("/tmp/ZYNClient.ini"));
    EXPECT_NE(name, TStationBus::BusName("/tmp/other.ini"));
    EXPECT_TRUE(name.startsWith("org.parlet.Parlet.s"));
    EXPECT_EQ(name.size(), 19 + 16);
    EXPECT_EQ(BusErrorName("queue-full"), "org.parlet.Parlet1.Error.QueueFull");
}

namespace {
struct StationOnTheBus : testing::Test {
    TPrivateSessionBus bus;
    TSimulatedWindowStation station;
    std::unique_ptr<TSendGate> gate;
    std::unique_ptr<TStationBus> api;
    std::vector<TMessageRecord> records;
    TConnection recording;
    // Names of their own: Qt keeps a named connection for the whole program.
    QDBusConnection client = bus.Connect(QStringLiteral("client ") + bus.Address());

    void SetUp() override
    {
        ASSERT_TRUE(bus.Running()) << "dbus-daemon did not start";
        station.Open();
        gate = std::make_unique<TSendGate>(*station.station);
        api = std::make_unique<TStationBus>(bus.Connect(QStringLiteral("program ") + bus.Address()), *station.station,
            *gate, station.parts.SettingsFile());
        ASSERT_TRUE(api->Registered()) << api->Problem().toStdString();
        recording = station.station->OnReceive.Connect(
            [this](TObject*, const TMessageRecord& record) { records.push_back(record); });
    }
    // Read as another program would; the station answers on this thread.
    QVariant Property(const char* name)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(TStationBus::BusName(station.parts.SettingsFile()),
            TStationBus::ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QString::fromLatin1(TStationBus::Interface) << QString::fromLatin1(name);
        const QDBusMessage reply = client.call(get, QDBus::BlockWithGui, 5000);
        return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first().value<QDBusVariant>().variant();
    }
    int SendOver(const std::string& text, std::string& message)
    {
        return SendToRunningParlet(client, station.parts.SettingsFile(), text, message);
    }
};
} // namespace

TEST_F(StationOnTheBus, SendQueuesTheTextAndRefusalsAreErrorsWithReasons)
{
    std::string message;
    ASSERT_EQ(SendOver("hello bus", message), 0) << message;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(message, "queued as " + std::to_string(records[0].Id));
    EXPECT_EQ(records[0].Message.Text, "hello bus");

    // Straight on the bus, past the client's own check.
    QDBusMessage call = QDBusMessage::createMethodCall(TStationBus::BusName(station.parts.SettingsFile()),
        TStationBus::ObjectPath, TStationBus::Interface, QStringLiteral("Send"));
    call << QStringLiteral("line\nbreak");
    const QDBusMessage refused = client.call(call, QDBus::BlockWithGui, 5000);
    EXPECT_EQ(refused.errorName(), "org.parlet.Parlet1.Error.ControlCharacter");
    EXPECT_EQ(records.size(), 1u);

    // A bounded queue: the 21st text waiting is refused until one is sent.
    for (int i = 1; i < 20; ++i) ASSERT_EQ(SendOver("text " + std::to_string(i), message), 0) << message;
    EXPECT_EQ(SendOver("one too many", message), 1);
    EXPECT_NE(message.find("20 texts are waiting"), std::string::npos) << message;
    EXPECT_EQ(Property("QueuedTexts").toUInt(), 20u);
    EXPECT_EQ(Property("MaxTextLength").toUInt(), 160u);
    ASSERT_TRUE(station.loop.AdvanceUntil([&] { return gate->Waiting() < 20; }, 12000));
    EXPECT_EQ(SendOver("room again", message), 0) << message;
}

TEST_F(StationOnTheBus, SendWithNoneRunningOnTheSettingsFileFailsClearly)
{
    std::string message;
    EXPECT_EQ(SendToRunningParlet(client, "/nowhere/ZYNClient.ini", "hello", message), 1);
    EXPECT_EQ(message, "no Parlet is running on the settings file /nowhere/ZYNClient.ini");
    EXPECT_EQ(SendOver("tab\there", message), 1);
    EXPECT_NE(message.find("control character"), std::string::npos) << message;
}
