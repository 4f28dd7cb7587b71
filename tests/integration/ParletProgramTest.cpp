#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "station/untFFSKTranceiver.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/Memo.h"
#include "app/Program.h"
#include "app/QtMainLoop.h"
#include "app/guiParlet.h"
#include "tests/support/TempFolder.h"

// The program end to end: what start-up builds (the real back ends: ALSA,
// termios, hidraw; the main window on them) on Qt's main loop, on the private
// loop-back sound server, driven as an operator would drive it. The window is
// drawn on Qt's offscreen platform: the test types and clicks through Qt's
// own input events and reads the log from the widget.
namespace {
const std::string AnnaByVox = "; the client suite's own settings\r\n"
                              "[Identification]\r\n"
                              "OperaterName=Anna\r\n"
                              "FBand=0\r\n"
                              "Channel=12\r\n"
                              "\r\n"
                              "[Interface]\r\n"
                              "RigComm=0\r\n"
                              "CourtesyDelay=400\r\n";
}

TEST(ParletProgram, HelloGoesOutAndComesBackDecodedFromTheSoundServer)
{
    TTempFolder folder;
    const std::string settingsFile = folder.File("ZYNClient.ini");
    WriteBytes(settingsFile, AnnaByVox);

    TQtMainLoop loop;
    std::vector<std::string> errors;
    loop.SetErrorReport([&](const std::string& message) { errors.push_back(message); });
    {
        TProgram program(settingsFile, folder.File("history"));
        TfrmParlet& form = program.MainForm();
        form.show();

        QTest::keyClicks(&form.Edit1(), "hello");
        QTest::mouseClick(&form.btnSend(), Qt::LeftButton);
        EXPECT_EQ(form.Memo1().Lines(), (QStringList {"Anna", ">hello"}));
        EXPECT_TRUE(form.Edit1().text().isEmpty());

        // Out at the next queue tick (at most 5 s), 400 ms courtesy delay, a
        // short burst, decoded from the sound server's loop-back.
        const auto sent = std::chrono::steady_clock::now();
        const bool decoded = QTest::qWaitFor([&] { return form.Memo1().LineCount() >= 4; }, 7000);
        const auto tookMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent).count();
        ASSERT_TRUE(decoded) << "log: " << form.Memo1().toPlainText().toStdString();
        const QStringList log = form.Memo1().Lines();
        EXPECT_EQ(log.mid(0, 2), (QStringList {"Anna", ">hello"}));
        // Heard back: the sender with the quality beside it, no doubt.
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^Anna   \\(\\d+ dB\\)$")).match(log.value(2)).hasMatch())
            << log.value(2).toStdString() << " after " << tookMs << " ms";
        EXPECT_EQ(log.value(3), ">hello");
        RecordProperty("decoded_after_ms", std::to_string(tookMs));
        // The history has the text as sent once the radio is released.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !program.Station().Status().Keyed; }, 3000));
    }
    EXPECT_TRUE(errors.empty()) << errors.front();

    // Both in the day's history: the message sent and the one heard.
    std::string history;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path() / "history"))
        history += ReadBytes(entry.path().string());
    EXPECT_NE(history.find(" > Anna\thello\n"), std::string::npos) << history;
    EXPECT_NE(history.find(" < Anna\thello\n"), std::string::npos) << history;

    std::string expected = AnnaByVox;
    expected.replace(expected.find("FBand=0"), 7, "FBand=1");
    EXPECT_EQ(ReadBytes(settingsFile), expected);
}
