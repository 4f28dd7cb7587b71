#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <signal.h>

#include "app/DesktopBinding.h"
#include "app/DesktopNotifier.h"
#include "app/Memo.h"
#include "desktop/MessageHistory.h"
#include "tests/app/FakeNotificationService.h"
#include "tests/app/SimulatedWindowStation.h"
#include "tests/support/TempFolder.h"

// The main window on a simulated station whose sound card hears itself,
// bound to a private session bus with a notification service of the test's
// own: what the operator sends comes back as a frame heard on the input.
namespace {
struct DesktopNotifications : testing::Test {
    TTempFolder temp;
    TPrivateSessionBus bus;
    std::unique_ptr<TFakeNotificationService> service;
    TSimulatedWindowStation station;
    TfrmParlet& form = station.Open();
    TMessageHistory history {temp.File("history"), nullptr};
    std::unique_ptr<TDesktopBinding> binding;
    QWidget elsewhere; // the window the operator works in meanwhile

    void SetUp() override
    {
        ASSERT_TRUE(bus.Running()) << "dbus-daemon did not start";
        service = std::make_unique<TFakeNotificationService>(bus.Connect(QStringLiteral("service")));
        ASSERT_TRUE(service->Registered());
        binding =
            std::make_unique<TDesktopBinding>(*station.station, form, history, bus.Connect(QStringLiteral("program")),
                TAboutFacts {QStringLiteral("/x/ZYNClient.ini"), QStringLiteral("/x/history")});
    }
    void TearDown() override { binding.reset(); }

    void Send(const QString& text)
    {
        form.Edit1().setText(text);
        form.btnSendClick();
    }
    // Virtual time until the frame is decoded from the cable (the log then
    // holds the echo and the decoded message), then real time for the bus.
    void HearTheFrame(int logLines)
    {
        ASSERT_TRUE(station.loop.AdvanceUntil([&] { return form.Memo1().LineCount() == logLines; }, 10000));
    }
    void WorkElsewhere()
    {
        elsewhere.show();
        elsewhere.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
        ASSERT_FALSE(form.isActiveWindow());
    }
};
} // namespace

TEST_F(DesktopNotifications, FrameHeardWhileInactiveGivesOneNotifyWithEscapedBody)
{
    form.show();
    Send(QStringLiteral("<b>Tom & Jerry</b>"));
    WorkElsewhere();
    HearTheFrame(4);
    EXPECT_TRUE(form.isVisible()) << "a heard message brings the window up";
    QTest::qWait(100);
    EXPECT_TRUE(elsewhere.isActiveWindow()) << "but the keyboard stays where the operator types";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service->calls.empty(); }, 5000));
    QTest::qWait(200); // a second call would have arrived by now
    ASSERT_EQ(service->calls.size(), 1u) << "the echo of a sent message is not notified";
    const TNotifyCall& call = service->calls[0];
    EXPECT_EQ(call.summary, "Anna");
    EXPECT_EQ(call.body, "&lt;b&gt;Tom &amp; Jerry&lt;/b&gt;");
    EXPECT_EQ(call.hints.value("category").toString(), "im.received");
    EXPECT_EQ(call.hints.value("desktop-entry").toString(), "org.parlet.Parlet");
    EXPECT_EQ(call.appIcon, "org.parlet.Parlet");
    EXPECT_TRUE(call.actions.contains("default"));

    // The default action brings the window forward.
    WorkElsewhere();
    service->InvokeDefault(1, QStringLiteral("token-1"));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_TRUE(qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN")) << "the token is used once";
}

TEST_F(DesktopNotifications, FrameHeardWhileTheWindowIsActiveGivesNone)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    Send(QStringLiteral("hello"));
    HearTheFrame(4);
    QTest::qWait(300);
    EXPECT_TRUE(service->calls.empty());

    // Both messages are in the history all the same.
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path() / "history"))
        all += ReadBytes(entry.path().string());
    EXPECT_NE(all.find(" > Anna\thello\n"), std::string::npos) << all;
    EXPECT_NE(all.find(" < Anna\thello\n"), std::string::npos) << all;
}

TEST(DesktopNotifier, WithoutAServiceNothingHappens)
{
    TPrivateSessionBus bus;
    ASSERT_TRUE(bus.Running());
    bool activated = false;
    TDesktopNotifier notifier(bus.Connect(QStringLiteral("lonely")), "parlet", [&] { activated = true; });
    notifier.NotifyReceived("Bob", "hi");
    QTest::qWait(200);
    EXPECT_FALSE(activated);
}

TEST(DesktopNotifier, BodyMarkupEscapesOnlyWhatStartsMarkup)
{
    EXPECT_EQ(TDesktopNotifier::EscapedForMarkup("a<b>&c\"d'e"), "a&lt;b&gt;&amp;c\"d'e");
}
