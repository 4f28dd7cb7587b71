#pragma once

class QComboBox;
class QLabel;
class QWidget;
class TFFSKTranceiver;

// The settings dialog's part for keying through a sound card's GPIO: which
// interface was found (or that several were and none belongs to the chosen
// output card), the pin that keys, and why a pin is refused. The controls
// are children of the dialog, which lays them out beside its own.
class TGpioControls {
public:
    TGpioControls(QWidget* dialog, TFFSKTranceiver& transceiver);

    // Shows the interface and the pin from the settings. Returns whether
    // the GPIO keys the radio, so the serial line choices can give way.
    bool Refresh();
    // The operator chose a pin: stored, or refused when the chip lacks it.
    void cbxGpioPinChange();

    QLabel& lblGpioInterface() const { return *FLblGpioInterface; }
    QLabel& lblGpioNoChoice() const { return *FLblGpioNoChoice; }
    QComboBox& cbxGpioPin() const { return *FCbxGpioPin; }
    QLabel& lblGpioPinRefused() const { return *FLblGpioPinRefused; }

private:
    TFFSKTranceiver& FTranceiver;
    // Owned by the dialog through Qt's parent chain.
    QLabel* FLblGpioInterface = nullptr;
    QLabel* FLblGpioNoChoice = nullptr;
    QComboBox* FCbxGpioPin = nullptr;
    QLabel* FLblGpioPinRefused = nullptr;
};
