#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "base/Event.h"
#include "base/Object.h"
#include "base/ProgramFolder.h"
#include "station/StationPlatform.h"
#include "station/untFFSKTranceiver.h"

class QFrame;
class QLineEdit;
class QPushButton;
class TAdvProgress;
class TMemo;
class TfrmSettings;

// One message as the log shows it: sent from this window (its echo) or
// heard on the radio; the sender's name and the text as 8-bit bytes.
using TMessageLoggedEvent = TEvent<QWidget*, bool, const std::string&, const std::string&>;

// The main window: the message log, the line to type a message into, Send,
// Settings, and the input level bar. It owns the transceiver and the settings
// dialog and only passes text and level between them and the screen.
//
// The controls belong to the window through Qt's parent chain; the
// transceiver and the dialog are held here and freed in the destructor,
// dialog first.
class TfrmParlet : public QWidget {
public:
    // Creates the transceiver on the platform and the settings file; its
    // errors (sound device, settings file, ports) leave this constructor.
    explicit TfrmParlet(const TStationPlatform& platform,
        const std::string& settingsFile = ProgramFolder() + TFFSKTranceiver::SettingsFileName);
    ~TfrmParlet() override;

    // Event handlers, public so that tests can call them as the events would.
    void btnSendClick();
    void btnSettingsClick();
    void btnAboutClick();
    void TranceiverInputLevel(TObject* Sender, int Level);
    void TranceiverReceive(TObject* Sender, bool MessIsSMS, const std::string& RxString);

    TMemo& Memo1() const { return *FMemo1; }
    QFrame& Panel1() const { return *FPanel1; }
    QLineEdit& Edit1() const { return *FEdit1; }
    QPushButton& btnSend() const { return *FBtnSend; }
    TAdvProgress& prbLevelIn() const { return *FPrbLevelIn; }
    QFrame& Panel2() const { return *FPanel2; }
    QPushButton& btnSettings() const { return *FBtnSettings; }
    QPushButton& btnAbout() const { return *FBtnAbout; }
    TFFSKTranceiver& Transceiver() const { return *FTransceiver; }
    TfrmSettings& SettingsForm() const { return *FFrmSettings; }

    // Raised for every SMS the log shows, before the window comes forward,
    // with Sent true for the echo of a message sent from here.
    TMessageLoggedEvent OnMessageLogged;
    // Raised by the About button.
    TEvent<QWidget*> OnAbout;

    // The log keeps at most this many lines before a message is added.
    static constexpr int MaxLogLines = 70;

private:
    void CreateControls();
    void ArrangeControls();
    void FormCreate(const TStationPlatform& platform, const std::string& settingsFile);
    void FormDestroy();

    TMemo* FMemo1 = nullptr;
    QFrame* FPanel1 = nullptr;
    QLineEdit* FEdit1 = nullptr;
    QPushButton* FBtnSend = nullptr;
    TAdvProgress* FPrbLevelIn = nullptr;
    QFrame* FPanel2 = nullptr;
    QPushButton* FBtnSettings = nullptr;
    QPushButton* FBtnAbout = nullptr;
    // True while SendText raises the echo of the message being sent.
    bool FSendingEcho = false;

    std::unique_ptr<TFFSKTranceiver> FTransceiver;
    std::unique_ptr<TfrmSettings> FFrmSettings;
};
