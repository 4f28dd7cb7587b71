#pragma once

#include <QDialog>

#include <memory>

#include "base/Object.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TFFSKTranceiver;
class TGpioControls;
class TRadioGroup;
class TSoundCardBox;

// The settings dialog: how the PC keys the radio (the radio's VOX, or the USB
// interface / a serial port line), which line, its polarity, the level of the
// other line and the COM port; the radio's sound card; whether other
// programs are turned down while the channel is busy. Every change goes to the client settings at
// once, which save it and make the rig interface reconfigure; the dialog then
// shows what came of it. No Cancel. Modeless; OK or the window frame hides
// it, and it lives until the main window frees it.
class TfrmSettings : public QDialog {
public:
    TfrmSettings(QWidget* owner, TFFSKTranceiver& transceiver);
    ~TfrmSettings() override;

    // Shows the settings in the controls (not the port error label).
    void RefreshControls();

    // Control handlers, run on a change by the operator.
    void grpPcToRadioClick();
    void grpPcToRadioPinClick();
    void grpPcToRadioPolarityClick();
    void ComboBox1Change();
    void cbxUnusedHightClick();
    void cbxTurnDownClick();
    void btnOkClick();

    // The rig interface's events.
    void InterfaceChange(TObject* Sender);
    void InterfaceCommError(TObject* Sender);
    void InterfaceUsbConnection(TObject* Sender, bool Connected);
    void InterfaceGpioConnection(TObject* Sender, bool Connected);

    QLabel& lblComPort() const { return *FLblComPort; }
    QLabel& lblComInUse() const { return *FLblComInUse; }
    QLabel& lblUsbInterfaceConnected() const { return *FLblUsbInterfaceConnected; }
    TRadioGroup& grpPcToRadio() const { return *FGrpPcToRadio; }
    TRadioGroup& grpPcToRadioPin() const { return *FGrpPcToRadioPin; }
    TRadioGroup& grpPcToRadioPolarity() const { return *FGrpPcToRadioPolarity; }
    QComboBox& ComboBox1() const { return *FComboBox1; }
    QCheckBox& cbxUnusedHight() const { return *FCbxUnusedHight; }
    QCheckBox& cbxTurnDown() const { return *FCbxTurnDown; }
    TSoundCardBox& grpSoundCard() const { return *FGrpSoundCard; }
    QPushButton& btnOk() const { return *FBtnOk; }
    TGpioControls& GpioControls() const { return *FGpioControls; }

private:
    void CreateControls();
    void CreateKeyingControls();
    void ConnectControls();
    void ShowLineGroups(bool visible);

    TFFSKTranceiver& FTranceiver;

    // Owned by the dialog through Qt's parent chain.
    QLabel* FLblComPort = nullptr;
    QLabel* FLblComInUse = nullptr;
    QLabel* FLblUsbInterfaceConnected = nullptr;
    TRadioGroup* FGrpPcToRadio = nullptr;
    TRadioGroup* FGrpPcToRadioPin = nullptr;
    TRadioGroup* FGrpPcToRadioPolarity = nullptr;
    QComboBox* FComboBox1 = nullptr;
    QCheckBox* FCbxUnusedHight = nullptr;
    TSoundCardBox* FGrpSoundCard = nullptr;
    QCheckBox* FCbxTurnDown = nullptr;
    QPushButton* FBtnOk = nullptr;
    std::unique_ptr<TGpioControls> FGpioControls;
};
