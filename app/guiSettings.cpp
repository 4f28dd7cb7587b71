#include "guiSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "app/Fonts.h"
#include "app/GpioControls.h"
#include "app/GuardedSlot.h"
#include "app/RadioGroup.h"
#include "app/SoundCardBox.h"
#include "app/UiText.h"
#include "audio/SoundPlatform.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTranceiver.h"

namespace {
constexpr int PortCount = 16;

// Controls sit at their design rectangles; a label grows to its text where
// the font here is wider than the one it was laid out with.
void Place(QWidget* control, int left, int top, int width, int height)
{
    if (qobject_cast<QLabel*>(control)) {
        const QSize hint = control->sizeHint();
        width = std::max(width, hint.width());
        height = std::max(height, hint.height());
    }
    control->setGeometry(left, top, width, height);
}

QLabel* NewColouredLabel(const QString& caption, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(SansSerifLabelFont(11));
    QPalette palette = label->palette();
    // A dark colour would vanish on a dark desktop theme: brightened there.
    const bool darkTheme = palette.color(QPalette::Window).lightness() < 128;
    palette.setColor(QPalette::WindowText, darkTheme && colour.value() < 200 ? colour.lighter(180) : colour);
    label->setPalette(palette);
    label->hide();
    return label;
}

// The caption, and below it why the port cannot be used and what to do.
void ShowComPortProblem(QLabel* label, const TInterface& rig)
{
    label->setText(UiText("The selected com port is not available!") + QLatin1Char('\n')
        + QString::fromStdString(rig.ComPortProblem()));
    label->adjustSize();
    label->show();
}
} // namespace

TfrmSettings::TfrmSettings(QWidget* owner, TFFSKTranceiver& transceiver)
    : QDialog(owner)
    , FTranceiver(transceiver)
{
    CreateControls();
    TInterface& rig = FTranceiver.RigInterface();
    rig.OnInterfaceChange = [this](TObject* Sender) { InterfaceChange(Sender); };
    rig.OnCommError = [this](TObject* Sender) { InterfaceCommError(Sender); };
    rig.OnUsbConnection = [this](TObject* Sender, bool Connected) { InterfaceUsbConnection(Sender, Connected); };
    rig.OnGpioConnection = [this](TObject* Sender, bool Connected) { InterfaceGpioConnection(Sender, Connected); };
    RefreshControls();
    // A sound card's GPIO found at start takes the place of the line choices.
    if (FGpioControls->Refresh()) ShowLineGroups(false);
    // The rig interface tried the port before this dialog listened: a port
    // it needs but could not open is shown from the start, not only after
    // the operator's next change.
    if (rig.ComPortFailed()) ShowComPortProblem(FLblComInUse, rig);
}

TfrmSettings::~TfrmSettings()
{
    // The rig interface outlives the dialog; it must not call into it.
    TInterface& rig = FTranceiver.RigInterface();
    rig.OnInterfaceChange = nullptr;
    rig.OnCommError = nullptr;
    rig.OnUsbConnection = nullptr;
    rig.OnGpioConnection = nullptr;
}

void TfrmSettings::CreateControls()
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(UiText("Settings"));
    setModal(false);
    setFont(FormFont(11));

    CreateKeyingControls();

    FGrpSoundCard = new TSoundCardBox(this, FTranceiver.Settings(), FTranceiver.Sound().DeviceList());
    FGrpSoundCard->setGeometry(0, 120, 458, 78);

    FCbxTurnDown = new QCheckBox(UiText("Turn other programs down while the channel is busy"), this);
    FCbxTurnDown->setObjectName(QStringLiteral("cbxTurnDown"));
    // Its own line: a longer translation must not run under the OK button.
    Place(FCbxTurnDown, 8, 204, std::max(380, FCbxTurnDown->sizeHint().width()), 17);

    FBtnOk = new QPushButton(UiText("OK"), this);
    FBtnOk->setObjectName(QStringLiteral("btnOk"));
    FBtnOk->setAutoDefault(false);
    Place(FBtnOk, 386, 228, 72, 25);

    FGpioControls = std::make_unique<TGpioControls>(this, FTranceiver);

    // The dialog is as large as its controls reach.
    const QRect reach = childrenRect();
    setFixedSize(reach.right() + 1, reach.bottom() + 1);

    ConnectControls();
}

// How the PC keys the radio: VOX or a line, which line, its polarity, the
// COM port and the unused line's level.
void TfrmSettings::CreateKeyingControls()
{
    FLblComPort = new QLabel(UiText("COM port:"), this);
    FLblComPort->setObjectName(QStringLiteral("lblComPort"));
    FLblComPort->setTextFormat(Qt::PlainText);
    Place(FLblComPort, 248, 16, 50, 13);

    FLblComInUse = NewColouredLabel(UiText("The selected com port is not available!"), QColor(255, 0, 0), this);
    FLblComInUse->setObjectName(QStringLiteral("lblComInUse"));
    Place(FLblComInUse, 244, 32, 182, 13);

    FLblUsbInterfaceConnected = NewColouredLabel(UiText("USB interface connected"), QColor(0, 128, 0), this);
    FLblUsbInterfaceConnected->setObjectName(QStringLiteral("lblUsbInterfaceConnected"));
    Place(FLblUsbInterfaceConnected, 288, 32, 120, 13);

    FGrpPcToRadio = new TRadioGroup(
        UiText("PC to Radio"), {UiText("Use the VOX in the radio."), UiText("Use the USB / COM-port.")}, this);
    FGrpPcToRadio->setObjectName(QStringLiteral("grpPcToRadio"));
    Place(FGrpPcToRadio, 0, 0, 222, 65);

    FGrpPcToRadioPin = new TRadioGroup(QString(), {QStringLiteral("RTS"), QStringLiteral("DTR")}, this);
    FGrpPcToRadioPin->setObjectName(QStringLiteral("grpPcToRadioPin"));
    Place(FGrpPcToRadioPin, 8, 56, 110, 57);

    FGrpPcToRadioPolarity = new TRadioGroup(QString(), {UiText("Active hgh"), UiText("Active low")}, this);
    FGrpPcToRadioPolarity->setObjectName(QStringLiteral("grpPcToRadioPolarity"));
    Place(FGrpPcToRadioPolarity, 117, 56, 110, 57);

    FComboBox1 = new QComboBox(this);
    FComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (int port = 1; port <= PortCount; ++port) FComboBox1->addItem(QStringLiteral("COM%1").arg(port));
    FComboBox1->setMaxVisibleItems(PortCount);
    Place(FComboBox1, 312, 10, 86, 21);

    FCbxUnusedHight = new QCheckBox(UiText("Unused pin (RTS/DTR) always high"), this);
    FCbxUnusedHight->setObjectName(QStringLiteral("cbxUnusedHight"));
    Place(FCbxUnusedHight, 233, 48, 225, 17);
}

void TfrmSettings::ConnectControls()
{
    // Only the operator's own changes are written back; refreshing the
    // controls from the settings does not count as a change.
    FGrpPcToRadio->OnClick = [this] { grpPcToRadioClick(); };
    FGrpPcToRadioPin->OnClick = [this] { grpPcToRadioPinClick(); };
    FGrpPcToRadioPolarity->OnClick = [this] { grpPcToRadioPolarityClick(); };
    connect(FComboBox1, &QComboBox::activated, this, GuardedSlot([this] { ComboBox1Change(); }));
    connect(FCbxUnusedHight, &QCheckBox::clicked, this, GuardedSlot([this] { cbxUnusedHightClick(); }));
    connect(FCbxTurnDown, &QCheckBox::clicked, this, GuardedSlot([this] { cbxTurnDownClick(); }));
    connect(FBtnOk, &QPushButton::clicked, this, GuardedSlot([this] { btnOkClick(); }));
}

void TfrmSettings::RefreshControls()
{
    const TZYNClientSettings& settings = FTranceiver.Settings();
    FCbxUnusedHight->setChecked(settings.RigComUnusedHight());
    FCbxTurnDown->setChecked(settings.ControlWinAmp());
    // By VOX the pin and its polarity do not apply.
    FGrpPcToRadio->SetItemIndex(settings.RigComKeying() ? 1 : 0);
    FGrpPcToRadioPin->setEnabled(settings.RigComKeying());
    FGrpPcToRadioPolarity->setEnabled(settings.RigComKeying());
    FGrpPcToRadioPin->SetItemIndex(settings.RigComDtr() ? 1 : 0);
    FGrpPcToRadioPolarity->SetItemIndex(settings.RigComActiveHigh() ? 0 : 1);
    // A port number from the file outside the list selects nothing.
    FComboBox1->setCurrentIndex(
        settings.CommIndex() >= 0 && settings.CommIndex() < PortCount ? settings.CommIndex() : -1);
    FLblUsbInterfaceConnected->setVisible(FTranceiver.RigInterface().UsbConnected());
    FGpioControls->Refresh();
}

void TfrmSettings::grpPcToRadioClick()
{
    FTranceiver.Settings().SetRigComKeying(FGrpPcToRadio->ItemIndex() == 1);
}

void TfrmSettings::grpPcToRadioPinClick()
{
    FTranceiver.Settings().SetRigComDtr(FGrpPcToRadioPin->ItemIndex() == 1);
}

void TfrmSettings::grpPcToRadioPolarityClick()
{
    FTranceiver.Settings().SetRigComActiveHigh(FGrpPcToRadioPolarity->ItemIndex() == 0);
}

void TfrmSettings::ComboBox1Change()
{
    // Hidden first: the reconfiguration shows it again if this port fails too.
    FLblComInUse->hide();
    FTranceiver.Settings().SetCommIndex(FComboBox1->currentIndex());
}

void TfrmSettings::cbxUnusedHightClick()
{
    FTranceiver.Settings().SetRigComUnusedHight(FCbxUnusedHight->isChecked());
}

void TfrmSettings::cbxTurnDownClick()
{
    FTranceiver.Settings().SetControlWinAmp(FCbxTurnDown->isChecked());
}

void TfrmSettings::btnOkClick()
{
    hide();
}

void TfrmSettings::InterfaceChange(TObject*)
{
    // A port that works again after any change is no longer shown as failed.
    if (!FTranceiver.RigInterface().ComPortFailed()) FLblComInUse->hide();
    RefreshControls();
}

void TfrmSettings::InterfaceCommError(TObject*)
{
    FLblUsbInterfaceConnected->hide();
    ShowComPortProblem(FLblComInUse, FTranceiver.RigInterface());
}

void TfrmSettings::InterfaceUsbConnection(TObject*, bool Connected)
{
    if (Connected) FLblComInUse->hide();
    FLblUsbInterfaceConnected->setVisible(Connected);
    ShowLineGroups(!Connected);
    FGpioControls->Refresh();
}

void TfrmSettings::InterfaceGpioConnection(TObject*, bool Connected)
{
    if (Connected) FLblComInUse->hide();
    const bool gpioKeys = FGpioControls->Refresh();
    ShowLineGroups(!gpioKeys && !FTranceiver.RigInterface().UsbConnected());
}

void TfrmSettings::ShowLineGroups(bool visible)
{
    FGrpPcToRadioPolarity->setVisible(visible);
    FGrpPcToRadioPin->setVisible(visible);
}
