#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>

#include "app/AdvProgr.h"
#include "app/Memo.h"
#include "app/guiSettings.h"
#include "base/Exceptions.h"
#include "tests/app/SimulatedWindowStation.h"

namespace {
struct MainWindow : testing::Test {
    TSimulatedWindowStation station;
    TfrmParlet& form = station.Open();
    TObject sender; // stands for the transceiver

    QStringList Log() const { return form.Memo1().Lines(); }
    void Receive(const std::string& body, bool sms = true)
    {
        TDecodedMessage heard;
        heard.Type = sms ? TMessageType::Sms : TMessageType::Loc;
        heard.Body = body;
        TMessageRecord record;
        record.Type = heard.Type;
        record.Message = ReadMessageText(heard);
        form.TranceiverReceive(&sender, record);
    }
};

QColor Highlight()
{
    return QApplication::palette().color(QPalette::Highlight);
}
} // namespace

TEST_F(MainWindow, LayoutAndAnchors)
{
    EXPECT_EQ(form.windowTitle(), "Parlet");
    EXPECT_EQ(form.size(), QSize(441, 200));
    form.show();
    EXPECT_EQ(form.Memo1().geometry(), QRect(17, 34, 424, 132));
    EXPECT_EQ(form.prbLevelIn().geometry(), QRect(0, 34, 17, 132));
    EXPECT_EQ(form.Panel2().geometry(), QRect(0, 0, 441, 34));
    EXPECT_EQ(form.Panel1().geometry(), QRect(0, 166, 441, 34));
    EXPECT_EQ(form.Edit1().geometry(), QRect(8, 6, 344, 21));
    EXPECT_EQ(form.btnSend().geometry(), QRect(359, 4, 75, 25));
    EXPECT_EQ(form.btnSettings().geometry(), QRect(8, 4, 75, 25));
    EXPECT_EQ(form.btnSend().text(), "Send");
    EXPECT_EQ(form.btnSettings().text(), "Settings");
    EXPECT_TRUE(form.Memo1().isReadOnly());
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(form.Memo1().font().pixelSize(), 13);

    // The input line widens with the window; Send keeps to the bottom right.
    form.resize(541, 260);
    EXPECT_EQ(form.Edit1().geometry(), QRect(8, 6, 444, 21));
    EXPECT_EQ(form.btnSend().geometry(), QRect(459, 4, 75, 25));
    EXPECT_EQ(form.Memo1().geometry(), QRect(17, 34, 524, 192));
    EXPECT_EQ(form.btnSettings().geometry(), QRect(8, 4, 75, 25));
}

TEST_F(MainWindow, TabOrderIsLogInputSettingsAboutAndSendIsNeverTheKeyboards)
{
    std::vector<QWidget*> order;
    QWidget* w = &form.Memo1();
    for (int i = 0; i < 50 && order.size() < 4; ++i, w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->window() == &form
            && (order.empty() || w != order.front()))
            order.push_back(w);
    EXPECT_EQ(order, (std::vector<QWidget*> {&form.Memo1(), &form.Edit1(), &form.btnSettings(), &form.btnAbout()}));
    EXPECT_EQ(form.btnSend().focusPolicy(), Qt::NoFocus);
}

TEST_F(MainWindow, EnterSendsALineButNeverAnEmptyOneAndTheFocusStaysInTheLine)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), &form.Edit1()) << "typing goes to the line from the start";
    QTest::keyClick(&form.Edit1(), Qt::Key_Return);
    EXPECT_TRUE(Log().isEmpty()) << "Enter in an empty line sends nothing";
    QTest::keyClicks(&form.Edit1(), "one");
    QTest::keyClick(&form.Edit1(), Qt::Key_Return);
    QTest::keyClicks(&form.Edit1(), "two");
    QTest::keyClick(&form.Edit1(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Log(), (QStringList {"Anna", ">one", "Anna", ">two"}));
    QTest::mouseClick(&form.btnSend(), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), &form.Edit1()) << "after Send";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Log().size(), 6) << "a space after Send goes into the line, it does not send";
    EXPECT_EQ(form.Edit1().text(), " ");
}

TEST_F(MainWindow, LevelBarTurnsRedAbove90AndBackOnlyBelow70)
{
    TAdvProgress& bar = form.prbLevelIn();
    form.TranceiverInputLevel(&sender, 80);
    EXPECT_EQ(bar.value(), 80);
    EXPECT_EQ(bar.BarRgb(), Highlight());
    form.TranceiverInputLevel(&sender, 90);
    EXPECT_EQ(bar.BarRgb(), Highlight());
    form.TranceiverInputLevel(&sender, 95);
    EXPECT_EQ(bar.BarColor(), TColor::Rgb(255, 0, 0));
    form.TranceiverInputLevel(&sender, 80);
    EXPECT_EQ(bar.BarColor(), TColor::Rgb(255, 0, 0));
    form.TranceiverInputLevel(&sender, 70);
    EXPECT_EQ(bar.BarColor(), TColor::Rgb(255, 0, 0));
    EXPECT_EQ(bar.value(), 70);
    form.TranceiverInputLevel(&sender, 60);
    EXPECT_EQ(bar.BarColor(), TColor::Highlight());
    EXPECT_EQ(bar.BarRgb(), Highlight());
    EXPECT_EQ(bar.value(), 60);
}

TEST_F(MainWindow, MessageIsSplitAtTheFirstDoubleArrowOnly)
{
    Receive("a text with no arrows");
    Receive("Bob>>one>>two");
    EXPECT_EQ(Log(), (QStringList {"a text with no arrows", "Bob", ">one>>two"}));
}

TEST_F(MainWindow, OtherMessagesRaiseTheWindowButAreNotLogged)
{
    ASSERT_FALSE(form.isVisible());
    Receive("LOC>somewhere", false);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Memo1().LineCount(), 0);
}

TEST_F(MainWindow, DoubtfulCharactersAreMarkedAndCharactersNotHeardArePlaceholders)
{
    TDecodedMessage heard;
    heard.Body = std::string("Bob>>go to 12", 13) + std::string(8, '\0') + "th st";
    heard.Certainty.assign(heard.Body.size(), TCharCertainty::Sure);
    heard.Certainty[11] = TCharCertainty::Doubtful; // the "1"
    for (std::size_t i = 13; i < 21; ++i) heard.Certainty[i] = TCharCertainty::NotHeard;
    heard.SnrDb = 9.4;
    TMessageRecord record;
    record.Message = ReadMessageText(heard);
    record.SnrDb = heard.SnrDb;
    form.TranceiverReceive(&sender, record);
    const QString placeholders(8, QChar(0xFFFD));
    EXPECT_EQ(Log(), (QStringList {"Bob   (9 dB, 9 doubtful)", ">go to 12" + placeholders + "th st"}));
    const int text = static_cast<int>(Log()[0].size()) + 1; // where the text line starts
    std::vector<int> marked;
    for (int i = 0; i < static_cast<int>(Log()[1].size()); ++i)
        if (form.Memo1().IsMarked(text + i)) marked.push_back(i);
    EXPECT_EQ(marked, (std::vector<int> {7, 9, 10, 11, 12, 13, 14, 15, 16}));
}

TEST_F(MainWindow, LogIsTrimmedTo70LinesBeforeAMessageIsAdded)
{
    for (int i = 1; i <= 70; ++i) Receive("line " + std::to_string(i));
    Receive("Anna>>first");
    ASSERT_EQ(form.Memo1().LineCount(), 72);
    Receive("Anna>>second");
    const QStringList log = Log();
    ASSERT_EQ(log.size(), 72);
    EXPECT_EQ(log.front(), "line 3");
    EXPECT_EQ(log.mid(68), (QStringList {"Anna", ">first", "Anna", ">second"}));
}

TEST_F(MainWindow, FillBytesAreCutAndBytesAreWindows1252PlainText)
{
    Receive(std::string("Anna>>hello\0\0\0\0\0", 16));
    Receive("J\xF6rg>>gr\xFC\xDF \x80 5");
    Receive("<b>Eve>><i>&amp;</i>");
    EXPECT_EQ(Log(),
        (QStringList {
            "Anna", ">hello", QString::fromUtf8("Jörg"), QString::fromUtf8(">grüß € 5"), "<b>Eve", "><i>&amp;</i>"}));
}

TEST_F(MainWindow, SendingAnEmptyLineLogsTheNameAndALoneArrow)
{
    QTest::mouseClick(&form.btnSend(), Qt::LeftButton);
    EXPECT_EQ(Log(), (QStringList {"Anna", ">"}));
}

TEST_F(MainWindow, SentTextIsEchoedClearedAndComesBackOverTheLoopback)
{
    QTest::keyClicks(&form.Edit1(), "hello ");
    form.Edit1().insert(QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    QTest::mouseClick(&form.btnSend(), Qt::LeftButton);
    EXPECT_TRUE(form.Edit1().text().isEmpty());
    EXPECT_EQ(Log(), (QStringList {"Anna", QString::fromUtf8(">hello été")}));

    // Sent at the next 5 s queue tick: the level bar shows the burst on the
    // input; decoded from the cable, the same two lines come again, without
    // the fill of the last block.
    int peak = 0;
    ASSERT_TRUE(station.loop.AdvanceUntil(
        [&] {
            peak = std::max(peak, form.prbLevelIn().value());
            return form.Memo1().LineCount() == 4;
        },
        10000));
    EXPECT_GT(peak, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Anna   \\(\\d+ dB\\)$")).match(Log()[2]).hasMatch())
        << "the quality beside the sender: " << Log()[2].toStdString();
    EXPECT_EQ(Log()[3], QString::fromUtf8(">hello été"));
}

TEST_F(MainWindow, SettingsButtonShowsTheDialogWhichOkHides)
{
    TfrmSettings& dialog = form.SettingsForm();
    EXPECT_FALSE(dialog.isVisible());
    QTest::mouseClick(&form.btnSettings(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    QTest::mouseClick(&dialog.btnOk(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    form.btnSettingsClick();
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    form.btnSettingsClick();
    EXPECT_TRUE(dialog.isVisible());
}

TEST(MainWindowStartUp, ACardThatCannotBeOpenedIsShownAndWaitedForAndSendingFailsVisibly)
{
    TSimulatedWindowStation station;
    station.parts.sound.SetOpenError(TWaveDirection::Playback, EBUSY);
    TfrmParlet& form = station.Open();
    form.show();
    ASSERT_TRUE(form.lblStatus().isVisible());
    EXPECT_TRUE(form.lblStatus().text().startsWith("Sending will fail: playback device \"System default\""))
        << form.lblStatus().text().toStdString();
    form.btnSettingsClick();
    EXPECT_TRUE(form.SettingsForm().isVisible()) << "the settings stay reachable";

    QTest::keyClicks(&form.Edit1(), "lost");
    form.btnSendClick();
    ASSERT_TRUE(station.loop.AdvanceUntil([&] { return form.Memo1().LineCount() == 3; }, 10000));
    EXPECT_TRUE(form.Memo1().Lines()[2].startsWith("Not sent (")) << form.Memo1().Lines()[2].toStdString();

    station.parts.sound.SetOpenError(TWaveDirection::Playback, 0);
    ASSERT_TRUE(station.loop.AdvanceUntil([&] { return !form.lblStatus().isVisible(); }, 3000))
        << "the card is back: the line goes";
}
