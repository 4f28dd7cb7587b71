#include "GpioControls.h"

#include <QComboBox>
#include <QLabel>

#include "app/Fonts.h"
#include "app/GuardedSlot.h"
#include "app/UiText.h"
#include "radio/GpioChips.h"
#include "radio/untGpioInterface.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTranceiver.h"

namespace {

QLabel* NewLabel(const char* name, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(SansSerifLabelFont(11));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->hide();
    return label;
}

} // namespace

TGpioControls::TGpioControls(QWidget* dialog, TFFSKTranceiver& transceiver)
    : FTranceiver(transceiver)
{
    // The dialog's layout puts the found interface where the USB interface
    // is shown and the pin where the serial line choices are, which give way
    // to it.
    FLblGpioInterface = NewLabel("lblGpioInterface", QColor(0, 128, 0), dialog);
    FLblGpioNoChoice = NewLabel("lblGpioNoChoice", QColor(255, 0, 0), dialog);
    FLblGpioNoChoice->setText(UiText("Several sound cards with GPIO: choose one"));
    FLblGpioPinRefused = NewLabel("lblGpioPinRefused", QColor(255, 0, 0), dialog);
    FLblGpioPinRefused->setWordWrap(true);

    FCbxGpioPin = new QComboBox(dialog);
    FCbxGpioPin->setObjectName(QStringLiteral("cbxGpioPin"));
    for (int pin = FirstGpioPin; pin <= LastGpioPin; ++pin) FCbxGpioPin->addItem(QStringLiteral("GPIO %1").arg(pin));
    FCbxGpioPin->hide();
    QObject::connect(FCbxGpioPin, &QComboBox::activated, dialog, GuardedSlot([this] { cbxGpioPinChange(); }));
}

bool TGpioControls::Refresh()
{
    const TInterface& rig = FTranceiver.RigInterface();
    const TGpioInterface& gpio = rig.GpioInterface();
    const bool shown = rig.GpioConnected() && !rig.UsbConnected();
    if (shown) FLblGpioInterface->setText(UiText("Sound card GPIO: %1").arg(QString::fromLatin1(gpio.Chip()->Name)));
    FLblGpioInterface->setVisible(shown);
    FLblGpioNoChoice->setVisible(!rig.GpioConnected() && gpio.Ambiguous() && !rig.UsbConnected());
    FCbxGpioPin->setCurrentIndex(FTranceiver.Settings().GpioPin() - FirstGpioPin);
    FCbxGpioPin->setVisible(shown);
    if (!shown) FLblGpioPinRefused->hide();
    return shown;
}

void TGpioControls::cbxGpioPinChange()
{
    const int pin = FCbxGpioPin->currentIndex() + FirstGpioPin;
    const TGpioChip* chip = FTranceiver.RigInterface().GpioInterface().Chip();
    if (chip && !HasPin(*chip, pin)) {
        // Nothing is stored: the pin stays what it was.
        FLblGpioPinRefused->setText(UiText("The %1 has no GPIO %2; it has %3.")
                                        .arg(QString::fromLatin1(chip->Name))
                                        .arg(pin)
                                        .arg(QString::fromStdString(PinList(*chip))));
        FLblGpioPinRefused->show();
        FCbxGpioPin->setCurrentIndex(FTranceiver.Settings().GpioPin() - FirstGpioPin);
        return;
    }
    FLblGpioPinRefused->hide();
    FTranceiver.Settings().SetGpioPin(pin);
}
