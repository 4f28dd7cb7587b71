#pragma once

#include <QStringList>
#include <QWidget>

#include <memory>
#include <string>

#include <vector>

#include "base/Event.h"
#include "base/Object.h"
#include "station/untFFSKTranceiver.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TAdvProgress;
class TMemo;
class TfrmSettings;

// The main window: the message log, the line to type a message into, Send,
// Settings, the input level bar and a line for what the station lacks. It
// only shows what the station tells it and hands it the typed lines.
//
// The controls belong to the window through Qt's parent chain; the settings
// dialog is held here and freed in the destructor.
class TfrmParlet : public QWidget {
public:
    explicit TfrmParlet(TFFSKTranceiver& station);
    ~TfrmParlet() override;

    // Event handlers, public so that tests can call them as the events would.
    void btnSendClick();
    void btnSettingsClick();
    void btnAboutClick();
    void TranceiverInputLevel(TObject* sender, int level);
    void TranceiverReceive(TObject* sender, const TMessageRecord& record);
    void TranceiverStatus(TObject* sender, const TStationStatus& status);

    TMemo& Memo1() const { return *FMemo1; }
    QFrame& Panel1() const { return *FPanel1; }
    QLineEdit& Edit1() const { return *FEdit1; }
    QPushButton& btnSend() const { return *FBtnSend; }
    TAdvProgress& prbLevelIn() const { return *FPrbLevelIn; }
    QFrame& Panel2() const { return *FPanel2; }
    QPushButton& btnSettings() const { return *FBtnSettings; }
    QPushButton& btnAbout() const { return *FBtnAbout; }
    QLabel& lblStatus() const { return *FLblStatus; }
    TFFSKTranceiver& Transceiver() const { return FTransceiver; }
    TfrmSettings& SettingsForm() const { return *FFrmSettings; }

    // Raised by the About button.
    TEvent<QWidget*> OnAbout;

    // The log keeps at most this many lines before a message is added.
    static constexpr int MaxLogLines = 70;

private:
    void CreateControls();
    void ArrangeControls();
    // Enter in the message line: an empty line is sent only by Send itself.
    void Edit1ReturnPressed();
    // Up, but the keyboard stays with whatever program has it.
    void ComeForward();

    TMemo* FMemo1 = nullptr;
    QFrame* FPanel1 = nullptr;
    QLineEdit* FEdit1 = nullptr;
    QPushButton* FBtnSend = nullptr;
    TAdvProgress* FPrbLevelIn = nullptr;
    QFrame* FPanel2 = nullptr;
    QPushButton* FBtnSettings = nullptr;
    QPushButton* FBtnAbout = nullptr;
    QLabel* FLblStatus = nullptr;

    TFFSKTranceiver& FTransceiver;
    std::unique_ptr<TfrmSettings> FFrmSettings;
    // Declared last, so they end first: the station may still raise events
    // while it closes its streams after the window is gone.
    std::vector<TConnection> FConnections;
};
