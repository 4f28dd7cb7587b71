#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <string>

#include "app/ErrorBox.h"
#include "app/QtMainLoop.h"

// The top-level error report of the program: a message box, and the program
// carries on meanwhile and afterwards.
TEST(ErrorBox, ShowsTheMessageAsTextWhileTheLoopRunsOnAndNeverStacks)
{
    TQtMainLoop loop;
    TErrorBox errorBox;
    loop.SetErrorReport([&](const std::string& message) { errorBox.Show(message); });

    bool timerRanMeanwhile = false;
    loop.ScheduleAtUs(loop.NowUs() + 10000, [&] { timerRanMeanwhile = true; });
    QString shownText;
    Qt::TextFormat shownFormat = Qt::AutoText;
    bool secondReturned = false;
    QTimer::singleShot(100, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        shownFormat = box->textFormat();
        // A second error while the box is open does not open another box.
        loop.ReportError("second");
        secondReturned = true;
        box->accept();
    });
    loop.ReportError("<b>port</b> COM1 &amp; more");

    EXPECT_EQ(shownText, "<b>port</b> COM1 &amp; more");
    EXPECT_EQ(shownFormat, Qt::PlainText);
    EXPECT_TRUE(secondReturned);
    EXPECT_TRUE(timerRanMeanwhile);
    EXPECT_FALSE(errorBox.Showing());
}

// The program ending (a shutdown signal) closes an open box, and no later
// error opens another.
TEST(ErrorBox, DismissClosesTheOpenBoxAndKeepsLaterOnesClosed)
{
    TQtMainLoop loop;
    TErrorBox errorBox;
    QTimer::singleShot(50, [&] { errorBox.Dismiss(); });
    errorBox.Show("the box the signal closes");
    EXPECT_FALSE(errorBox.Showing());

    bool opened = false;
    QTimer::singleShot(50, [&] {
        opened = QApplication::activeModalWidget() != nullptr;
        if (auto* box = QApplication::activeModalWidget()) box->close();
    });
    errorBox.Show("after the end: stderr only");
    QTest::qWait(100);
    EXPECT_FALSE(opened);
}
