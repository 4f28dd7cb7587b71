#pragma once

#include <QDialog>

#include <memory>

#include "base/Event.h"
#include "base/Object.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TFFSKTranceiver;
class TGpioControls;
class TRadioGroup;
class TSerialPortBox;
class TSoundCardBox;

// The settings dialog: how the PC keys the radio (the radio's VOX, or the USB
// interface / a serial port line), which line, its polarity, the level of the
// other line and the serial port; the radio's sound card; the operator's
// name; whether other programs are turned down while the channel is busy,
// and how loud they play while it is free. Every change goes to the client
// settings at once, which save it and make the rig interface reconfigure;
// the dialog then shows what came of it. No Cancel. Modeless; OK or the
// window frame hides it, and it lives until the main window frees it. Qt's
// layouts size and place every control, in any language and scale.
class TfrmSettings : public QDialog {
public:
    TfrmSettings(QWidget* owner, TFFSKTranceiver& transceiver);
    ~TfrmSettings() override;

    // Shows the settings in the controls (not the port error label).
    void RefreshControls();

    // At start: without an operator name the dialog opens with the name
    // field ready and says why. Asks once in a run, however often called
    // (the name may be left empty on purpose); nothing is stored for it, so
    // the next start asks again while the name is still empty. Returns
    // whether it asked.
    bool AskOperatorNameIfMissing();

    // Control handlers, run on a change by the operator.
    void grpPcToRadioClick();
    void grpPcToRadioPinClick();
    void grpPcToRadioPolarityClick();
    void ComboBox1Change();
    void cbxUnusedHightClick();
    void cbxTurnDownClick();
    void edtOperaterNameChange();
    void spnMediaVolumeChange();
    void btnOkClick();
    // Escape and the window frame end an edit of the name as OK does.
    void reject() override;

    // The rig interface's events.
    void InterfaceChange(TObject* sender);
    void InterfaceCommError(TObject* sender);
    void InterfaceUsbConnection(TObject* sender, bool connected);
    void InterfaceGpioConnection(TObject* sender, bool connected);

    QLabel& lblComPort() const { return *FLblComPort; }
    QLabel& lblComInUse() const { return *FLblComInUse; }
    QLabel& lblUsbInterfaceConnected() const { return *FLblUsbInterfaceConnected; }
    TRadioGroup& grpPcToRadio() const { return *FGrpPcToRadio; }
    TRadioGroup& grpPcToRadioPin() const { return *FGrpPcToRadioPin; }
    TRadioGroup& grpPcToRadioPolarity() const { return *FGrpPcToRadioPolarity; }
    TSerialPortBox& ComboBox1() const { return *FComboBox1; }
    QCheckBox& cbxUnusedHight() const { return *FCbxUnusedHight; }
    QCheckBox& cbxTurnDown() const { return *FCbxTurnDown; }
    QSpinBox& spnMediaVolume() const { return *FSpnMediaVolume; }
    QLineEdit& edtOperaterName() const { return *FEdtOperaterName; }
    QLabel& lblNamePrompt() const { return *FLblNamePrompt; }
    TSoundCardBox& grpSoundCard() const { return *FGrpSoundCard; }
    QPushButton& btnOk() const { return *FBtnOk; }
    TGpioControls& GpioControls() const { return *FGpioControls; }

protected:
    // Serial devices come and go while the dialog is hidden.
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateKeyingControls();
    void CreateOperatorControls();
    void LayOut();
    void ConnectControls();
    void ConnectInterface();
    void ShowLineGroups(bool visible);
    void CommitName();

    TFFSKTranceiver& FTranceiver;
    bool FAskedForName = false;

    // Owned by the dialog through Qt's parent chain.
    QLabel* FLblComPort = nullptr;
    QLabel* FLblComInUse = nullptr;
    QLabel* FLblUsbInterfaceConnected = nullptr;
    TRadioGroup* FGrpPcToRadio = nullptr;
    TRadioGroup* FGrpPcToRadioPin = nullptr;
    TRadioGroup* FGrpPcToRadioPolarity = nullptr;
    TSerialPortBox* FComboBox1 = nullptr;
    QCheckBox* FCbxUnusedHight = nullptr;
    TSoundCardBox* FGrpSoundCard = nullptr;
    QLabel* FLblOperaterName = nullptr;
    QLineEdit* FEdtOperaterName = nullptr;
    QLabel* FLblNamePrompt = nullptr;
    QCheckBox* FCbxTurnDown = nullptr;
    QLabel* FLblMediaVolume = nullptr;
    QSpinBox* FSpnMediaVolume = nullptr;
    QPushButton* FBtnOk = nullptr;
    std::unique_ptr<TGpioControls> FGpioControls;

    // The rig interface outlives the dialog; declared last, so they end
    // before the controls their handlers use.
    TConnection FInterfaceChange;
    TConnection FCommError;
    TConnection FUsbConnection;
    TConnection FGpioConnection;
};
