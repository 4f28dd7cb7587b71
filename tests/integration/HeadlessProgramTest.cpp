#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTest>

#include <filesystem>
#include <functional>

#include "tests/app/FakeNotificationService.h"
#include "tests/support/TempFolder.h"

// The program as other programs run it: parlet --headless and parlet --send
// as processes on the private loop-back sound server and a private session
// bus, and the MQTT bridge on a private mosquitto.
namespace {

const std::string AnnaByVox = "[Identification]\r\nOperaterName=Anna\r\nFBand=0\r\n[Interface]\r\nRigComm=0\r\n";

// A program of the test's own, its standard output read line by line.
struct TChild {
    QProcess process;
    QStringList lines;

    void Start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
    {
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] {
            while (process.canReadLine()) lines << QString::fromUtf8(process.readLine()).trimmed();
        });
        process.start(program, arguments);
    }
    // Waits for a line that is a JSON object with these fields.
    bool WaitFor(const QJsonObject& fields, int ms = 12000)
    {
        return QTest::qWaitFor([&] { return Has(fields); }, ms);
    }
    bool Has(const QJsonObject& fields) const
    {
        for (const QString& line : lines) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            bool all = true;
            for (auto f = fields.begin(); f != fields.end(); ++f) all = all && o.value(f.key()) == f.value();
            if (all) return true;
        }
        return false;
    }
    ~TChild()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
};

QString Parlet()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/parlet");
}

// Runs parlet --send to completion; its status, its words in message.
int SendOnce(const QProcessEnvironment& environment, const QString& settings, const QString& text, QString& message)
{
    QProcess send;
    send.setProcessEnvironment(environment);
    send.start(Parlet(), {QStringLiteral("--send"), text, QStringLiteral("--config"), settings});
    send.waitForFinished(15000);
    message = QString::fromUtf8(send.readAllStandardOutput() + send.readAllStandardError());
    return send.exitStatus() == QProcess::NormalExit ? send.exitCode() : -1;
}

struct HeadlessParlet : testing::Test {
    TTempFolder folder;
    TPrivateSessionBus bus;
    QString settings = QString::fromStdString(folder.File("ZYNClient.ini"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

    void SetUp() override
    {
        ASSERT_TRUE(bus.Running()) << "dbus-daemon did not start";
        WriteBytes(settings.toStdString(), AnnaByVox);
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.Address());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(folder.File("data")));
        // Neither display nor platform plugin is needed.
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }
    std::string History() const
    {
        std::string all;
        const auto dir = folder.Path() / "data" / "Parlet" / "history";
        if (std::filesystem::exists(dir))
            for (const auto& entry : std::filesystem::directory_iterator(dir)) all += ReadBytes(entry.path().string());
        return all;
    }
};

QJsonObject Fields(std::initializer_list<std::pair<QString, QJsonValue>> fields)
{
    QJsonObject o;
    for (const auto& [k, v] : fields) o.insert(k, v);
    return o;
}

} // namespace

TEST_F(HeadlessParlet, StdinAndSendGoOnTheAirAndComeBackHeardUntilSigterm)
{
    TChild parlet;
    parlet.Start(Parlet(), {QStringLiteral("--headless"), QStringLiteral("--config"), settings}, environment);
    ASSERT_TRUE(parlet.WaitFor(Fields({{"event", "ready"}}))) << parlet.process.readAllStandardError().toStdString();
    EXPECT_TRUE(parlet.Has(Fields({{"event", "status"}, {"keyed", false}})));

    parlet.process.write("h\xC3\xA9llo\n{\"text\":\"second\"}\nbad\ttab\n");
    EXPECT_TRUE(parlet.WaitFor(Fields({{"event", "error"}, {"code", "control-character"}})));
    EXPECT_TRUE(parlet.WaitFor(Fields({{"direction", "sent"}, {"state", "queued"}, {"text", "h\u00e9llo"}})));
    EXPECT_TRUE(parlet.WaitFor(Fields({{"direction", "sent"}, {"state", "sent"}, {"text", "h\u00e9llo"}})));
    EXPECT_TRUE(parlet.WaitFor(Fields({{"direction", "heard"}, {"sender", "Anna"}, {"text", "h\u00e9llo"}})));
    EXPECT_TRUE(parlet.WaitFor(Fields({{"event", "status"}, {"keyed", true}})));
    EXPECT_TRUE(parlet.WaitFor(Fields({{"direction", "heard"}, {"text", "second"}})));

    // The end of input stops the reading, not the station: a text over the
    // bus still goes out and is heard.
    parlet.process.closeWriteChannel();
    QString message;
    ASSERT_EQ(SendOnce(environment, settings, QStringLiteral("by bus"), message), 0) << message.toStdString();
    EXPECT_TRUE(message.contains("queued as")) << message.toStdString();
    EXPECT_TRUE(parlet.WaitFor(Fields({{"direction", "heard"}, {"text", "by bus"}})));
    EXPECT_NE(History().find(" < Anna\tby bus\n"), std::string::npos) << History();

    parlet.process.terminate();
    ASSERT_TRUE(parlet.process.waitForFinished(10000));
    EXPECT_EQ(parlet.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(parlet.process.exitCode(), 0);

    EXPECT_EQ(SendOnce(environment, settings, QStringLiteral("nobody"), message), 1);
    EXPECT_TRUE(message.contains("no Parlet is running on the settings file")) << message.toStdString();
}

TEST_F(HeadlessParlet, SendReachesTheWindowedProgram)
{
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    TChild parlet;
    parlet.Start(Parlet(), {QStringLiteral("--config"), settings}, environment);
    QString message;
    // Queued as soon as the window's program is on the bus.
    ASSERT_TRUE(QTest::qWaitFor([&] { return SendOnce(environment, settings, "to the window", message) == 0; }, 15000))
        << message.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return History().find(" < Anna\tto the window\n") != std::string::npos; }, 12000))
        << History();
    parlet.process.terminate();
    ASSERT_TRUE(parlet.process.waitForFinished(10000));
    EXPECT_EQ(parlet.process.exitCode(), 0);
}

namespace {
// A private broker on a free localhost port, keeping sessions over restarts.
struct TBroker {
    TBroker(const TTempFolder& folder)
        : config(QString::fromStdString(folder.File("mosquitto.conf")))
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port = probe.serverPort();
        probe.close();
        WriteBytes(config.toStdString(),
            "listener " + std::to_string(port) + " 127.0.0.1\nallow_anonymous true\npersistence true\n"
                + "persistence_location " + folder.Path().string() + "/\n");
        Start();
    }
    void Start()
    {
        broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config});
        QTest::qWaitFor(
            [&] {
                QProcess probe;
                probe.start(QStringLiteral("mosquitto_pub"), {"-p", QString::number(port), "-t", "probe", "-m", "x"});
                probe.waitForFinished(3000);
                return probe.exitCode() == 0;
            },
            5000);
    }
    void Stop()
    {
        broker.terminate();
        broker.waitForFinished(5000);
    }
    ~TBroker() { Stop(); }
    QString config;
    quint16 port = 0;
    QProcess broker;
};
} // namespace

TEST_F(HeadlessParlet, TextsThroughTheBrokerGoOnTheAirAndHeardOnesComeBackEvenAfterTheBrokerWasAway)
{
    TBroker broker(folder);
    const QString port = QString::number(broker.port);
    TChild heard;
    heard.Start(QStringLiteral("mosquitto_sub"),
        {"-p", port, "-q", "1", "-c", "-i", "test-listener", "-t", "parlet/site1/message"}, environment);
    TChild bridge;
    bridge.Start(QStringLiteral(PARLET_MQTT_BRIDGE),
        {"-p", port, "-s", "site1", "-c", settings, "-d", QString::fromStdString(folder.File("spool")), "-P", Parlet()},
        environment);
    QString message;
    ASSERT_TRUE(QTest::qWaitFor([&] { return SendOnce(environment, settings, "first", message) == 0; }, 15000))
        << message.toStdString();
    QProcess::execute(
        QStringLiteral("mosquitto_pub"), {"-p", port, "-q", "1", "-t", "parlet/site1/send", "-m", "over mqtt"});
    EXPECT_TRUE(heard.WaitFor(Fields({{"direction", "heard"}, {"text", "over mqtt"}}), 20000))
        << heard.lines.join('\n').toStdString();

    // The broker goes away; what is heard meanwhile follows once it is back.
    broker.Stop();
    ASSERT_EQ(SendOnce(environment, settings, QStringLiteral("while away"), message), 0) << message.toStdString();
    // Heard and kept in the spool while no broker takes it.
    const QString spool = QString::fromStdString(folder.File("spool/site1.jsonl"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            TChild lines;
            lines.lines = QString::fromStdString(ReadBytes(spool.toStdString())).split('\n');
            return lines.Has(Fields({{"direction", "heard"}, {"text", "while away"}}));
        },
        15000));
    EXPECT_FALSE(heard.Has(Fields({{"text", "while away"}})));
    broker.Start();
    EXPECT_TRUE(heard.WaitFor(Fields({{"direction", "heard"}, {"text", "while away"}}), 20000))
        << heard.lines.join('\n').toStdString();

    bridge.process.terminate();
    ASSERT_TRUE(bridge.process.waitForFinished(15000));
    EXPECT_EQ(bridge.process.exitCode(), 0) << bridge.process.readAllStandardError().toStdString();
}
