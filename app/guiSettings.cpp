#include "guiSettings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/Fonts.h"
#include "app/Cp1252Text.h"
#include "app/GpioControls.h"
#include "app/GuardedSlot.h"
#include "app/RadioGroup.h"
#include "app/SerialPortBox.h"
#include "app/SoundCardBox.h"
#include "app/UiText.h"
#include "audio/SoundPlatform.h"
#include "base/CodePage.h"
#include "desktop/SettingsLocation.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"
#include "station/untFFSKTranceiver.h"

namespace {
// The longest name the settings keep.
constexpr int NameLength = 20;

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

QLabel* NewLabel(const QString& caption, const char* name, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A row of widgets, the last one `stretch`ed, or a stretch after them.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretchLast)
{
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets) row->addWidget(widget, stretchLast && widget == *std::rbegin(widgets) ? 1 : 0);
    if (!stretchLast) row->addStretch(1);
    return row;
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
    ConnectInterface();
    RefreshControls();
    // A sound card's GPIO found at start takes the place of the line choices.
    if (FGpioControls->Refresh()) ShowLineGroups(false);
    // The rig interface tried the port before this dialog listened: a port
    // it needs but could not open is shown from the start, not only after
    // the operator's next change.
    if (FTranceiver.RigInterface().ComPortFailed()) ShowComPortProblem(FLblComInUse, FTranceiver.RigInterface());
}

// The controls are deleted after this part of the dialog is gone, and the
// name field that loses the focus then says its editing finished: nothing of
// theirs may reach the dialog any more.
TfrmSettings::~TfrmSettings()
{
    for (QObject* control : findChildren<QObject*>()) QObject::disconnect(control, nullptr, this, nullptr);
}

void TfrmSettings::CreateControls()
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(UiText("Settings"));
    setModal(false);
    setFont(FormFont(11));

    CreateKeyingControls();
    FGrpSoundCard = new TSoundCardBox(this, FTranceiver.Settings(), FTranceiver.Sound().DeviceList());
    CreateOperatorControls();

    FBtnOk = new QPushButton(UiText("OK"), this);
    FBtnOk->setObjectName(QStringLiteral("btnOk"));
    FBtnOk->setAutoDefault(false);

    FGpioControls = std::make_unique<TGpioControls>(this, FTranceiver);
    LayOut();
    ConnectControls();
}

// How the PC keys the radio: VOX or a line, which line, its polarity, the
// serial port and the unused line's level.
void TfrmSettings::CreateKeyingControls()
{
    FLblComPort = NewLabel(UiText("COM port:"), "lblComPort", this);

    FLblComInUse = NewColouredLabel(UiText("The selected com port is not available!"), QColor(255, 0, 0), this);
    FLblComInUse->setObjectName(QStringLiteral("lblComInUse"));

    FLblUsbInterfaceConnected = NewColouredLabel(UiText("USB interface connected"), QColor(0, 128, 0), this);
    FLblUsbInterfaceConnected->setObjectName(QStringLiteral("lblUsbInterfaceConnected"));

    FGrpPcToRadio = new TRadioGroup(
        UiText("PC to Radio"), {UiText("Use the VOX in the radio."), UiText("Use the USB / COM-port.")}, this);
    FGrpPcToRadio->setObjectName(QStringLiteral("grpPcToRadio"));

    FGrpPcToRadioPin = new TRadioGroup(QString(), {QStringLiteral("RTS"), QStringLiteral("DTR")}, this);
    FGrpPcToRadioPin->setObjectName(QStringLiteral("grpPcToRadioPin"));

    FGrpPcToRadioPolarity = new TRadioGroup(QString(), {UiText("Active hgh"), UiText("Active low")}, this);
    FGrpPcToRadioPolarity->setObjectName(QStringLiteral("grpPcToRadioPolarity"));

    // The serial links are kept beside the settings file, where the serial
    // back end looks for them.
    const TZYNClientSettings& settings = FTranceiver.Settings();
    FComboBox1 =
        new TSerialPortBox(this, FTranceiver.Settings(), TSerialDeviceList("/", FolderOf(settings.FileName())));
    FLblComPort->setBuddy(FComboBox1);

    FCbxUnusedHight = new QCheckBox(UiText("Unused pin (RTS/DTR) always high"), this);
    FCbxUnusedHight->setObjectName(QStringLiteral("cbxUnusedHight"));
}

// Who is sending, and what happens to other programs' sound.
void TfrmSettings::CreateOperatorControls()
{
    FLblOperaterName = NewLabel(UiText("Operator name:"), "lblOperaterName", this);
    FEdtOperaterName = new QLineEdit(this);
    FEdtOperaterName->setObjectName(QStringLiteral("edtOperaterName"));
    FEdtOperaterName->setMaxLength(NameLength);
    FLblOperaterName->setBuddy(FEdtOperaterName);
    FLblNamePrompt = NewColouredLabel(
        UiText("Please enter your name: it goes with every message you send."), QColor(0, 0, 160), this);
    FLblNamePrompt->setObjectName(QStringLiteral("lblNamePrompt"));
    FLblNamePrompt->setWordWrap(true);

    FCbxTurnDown = new QCheckBox(UiText("Turn other programs down while the channel is busy"), this);
    FCbxTurnDown->setObjectName(QStringLiteral("cbxTurnDown"));
    FLblMediaVolume = NewLabel(UiText("Other programs' volume while the channel is free:"), "lblMediaVolume", this);
    FSpnMediaVolume = new QSpinBox(this);
    FSpnMediaVolume->setObjectName(QStringLiteral("spnMediaVolume"));
    FSpnMediaVolume->setRange(0, 100);
    FSpnMediaVolume->setSuffix(QStringLiteral(" %"));
    // Stored when the operator is done (Enter, an arrow, leaving the box),
    // not at every digit typed.
    FSpnMediaVolume->setKeyboardTracking(false);
    FLblMediaVolume->setBuddy(FSpnMediaVolume);
}

void TfrmSettings::LayOut()
{
    TGpioControls& gpio = *FGpioControls;
    // Left: how the PC keys the radio; below it the line and its polarity,
    // or the sound card's GPIO pin, which takes their place.
    auto* keying = new QVBoxLayout;
    keying->addWidget(FGrpPcToRadio);
    QHBoxLayout* lines = Row({FGrpPcToRadioPin, FGrpPcToRadioPolarity}, false);
    lines->insertWidget(2, &gpio.cbxGpioPin(), 0, Qt::AlignTop);
    keying->addLayout(lines);
    keying->addStretch(1);

    // Right: the port, what became of it, and the other line's level.
    auto* port = new QVBoxLayout;
    port->addLayout(Row({FLblComPort, FComboBox1}, true));
    for (QWidget* status : {FLblComInUse, FLblUsbInterfaceConnected, &gpio.lblGpioInterface(), &gpio.lblGpioNoChoice()})
        port->addWidget(status);
    port->addWidget(FCbxUnusedHight);
    port->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addLayout(keying);
    top->addLayout(port, 1);

    // Indented: the level belongs to the box above it.
    QHBoxLayout* volume = Row({FLblMediaVolume, FSpnMediaVolume}, false);
    volume->insertSpacing(0, FCbxTurnDown->sizeHint().height());

    auto* dialog = new QVBoxLayout(this);
    dialog->addLayout(top);
    dialog->addWidget(&gpio.lblGpioPinRefused());
    dialog->addWidget(FGrpSoundCard);
    dialog->addLayout(Row({FLblOperaterName, FEdtOperaterName}, true));
    dialog->addWidget(FLblNamePrompt);
    dialog->addWidget(FCbxTurnDown);
    dialog->addLayout(volume);
    dialog->addStretch(1);
    // OK on the right.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FBtnOk);
    dialog->addLayout(buttons);
    // The keyboard reaches the pin where it stands, not after OK.
    setTabOrder(FGrpPcToRadioPolarity->Item(FGrpPcToRadioPolarity->ItemCount() - 1), &gpio.cbxGpioPin());
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
    connect(FEdtOperaterName, &QLineEdit::editingFinished, this, GuardedSlot([this] { edtOperaterNameChange(); }));
    connect(FSpnMediaVolume, &QSpinBox::valueChanged, this, GuardedSlot([this] { spnMediaVolumeChange(); }));
    connect(FBtnOk, &QPushButton::clicked, this, GuardedSlot([this] { btnOkClick(); }));
}

void TfrmSettings::ConnectInterface()
{
    TInterface& rig = FTranceiver.RigInterface();
    FInterfaceChange = rig.OnInterfaceChange.Connect([this](TObject* sender) { InterfaceChange(sender); });
    FCommError = rig.OnCommError.Connect([this](TObject* sender) { InterfaceCommError(sender); });
    FUsbConnection = rig.OnUsbConnection.Connect(
        [this](TObject* sender, bool connected) { InterfaceUsbConnection(sender, connected); });
    FGpioConnection = rig.OnGpioConnection.Connect(
        [this](TObject* sender, bool connected) { InterfaceGpioConnection(sender, connected); });
}

void TfrmSettings::RefreshControls()
{
    const TZYNClientSettings& settings = FTranceiver.Settings();
    FCbxUnusedHight->setChecked(settings.RigComUnusedHight());
    FCbxTurnDown->setChecked(settings.ControlWinAmp());
    {
        // A value outside 0..100 in the file shows at the nearest end and
        // stays in the file until the operator sets one.
        const QSignalBlocker quiet(FSpnMediaVolume);
        FSpnMediaVolume->setValue(settings.MediaVolume());
    }
    // The level applies only while other programs are turned down.
    FSpnMediaVolume->setEnabled(settings.ControlWinAmp());
    FLblMediaVolume->setEnabled(settings.ControlWinAmp());
    // A name being typed is not overwritten.
    if (!FEdtOperaterName->isModified())
        FEdtOperaterName->setText(FromCp1252(settings.OperaterName()));
    // By VOX the pin and its polarity do not apply.
    FGrpPcToRadio->SetItemIndex(settings.RigComKeying() ? 1 : 0);
    FGrpPcToRadioPin->setEnabled(settings.RigComKeying());
    FGrpPcToRadioPolarity->setEnabled(settings.RigComKeying());
    FGrpPcToRadioPin->SetItemIndex(settings.RigComDtr() ? 1 : 0);
    FGrpPcToRadioPolarity->SetItemIndex(settings.RigComActiveHigh() ? 0 : 1);
    FComboBox1->Refresh();
    FLblUsbInterfaceConnected->setVisible(FTranceiver.RigInterface().UsbConnected());
    FGpioControls->Refresh();
}

bool TfrmSettings::AskOperatorNameIfMissing()
{
    if (FAskedForName || !FTranceiver.Settings().OperaterName().empty()) return false;
    FAskedForName = true;
    FLblNamePrompt->show();
    show();
    raise();
    activateWindow();
    FEdtOperaterName->setFocus();
    return true;
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
    FComboBox1->Choose(FComboBox1->currentIndex());
}

void TfrmSettings::cbxUnusedHightClick()
{
    FTranceiver.Settings().SetRigComUnusedHight(FCbxUnusedHight->isChecked());
}

void TfrmSettings::cbxTurnDownClick()
{
    FTranceiver.Settings().SetControlWinAmp(FCbxTurnDown->isChecked());
    FSpnMediaVolume->setEnabled(FCbxTurnDown->isChecked());
    FLblMediaVolume->setEnabled(FCbxTurnDown->isChecked());
}

void TfrmSettings::edtOperaterNameChange()
{
    CommitName();
}

void TfrmSettings::spnMediaVolumeChange()
{
    FTranceiver.Settings().SetMediaVolume(FSpnMediaVolume->value());
}

void TfrmSettings::CommitName()
{
    if (!FEdtOperaterName->isModified()) return;
    FEdtOperaterName->setModified(false);
    TZYNClientSettings& settings = FTranceiver.Settings();
    settings.SetOperaterName(Utf8ToCp1252(FEdtOperaterName->text().toStdString()));
    // The settings tidy a name up (capitals, spaces): shown as kept.
    FEdtOperaterName->setText(FromCp1252(settings.OperaterName()));
    FLblNamePrompt->setVisible(FLblNamePrompt->isVisible() && settings.OperaterName().empty());
}

void TfrmSettings::btnOkClick()
{
    CommitName();
    hide();
}

void TfrmSettings::reject()
{
    TMainLoop::Current().Guarded([this] { CommitName(); });
    QDialog::reject();
}

void TfrmSettings::showEvent(QShowEvent* event)
{
    FComboBox1->Refresh();
    QDialog::showEvent(event);
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

void TfrmSettings::InterfaceUsbConnection(TObject*, bool connected)
{
    if (connected) FLblComInUse->hide();
    FLblUsbInterfaceConnected->setVisible(connected);
    ShowLineGroups(!connected);
    FGpioControls->Refresh();
}

void TfrmSettings::InterfaceGpioConnection(TObject*, bool connected)
{
    if (connected) FLblComInUse->hide();
    const bool gpioKeys = FGpioControls->Refresh();
    ShowLineGroups(!gpioKeys && !FTranceiver.RigInterface().UsbConnected());
}

void TfrmSettings::ShowLineGroups(bool visible)
{
    FGrpPcToRadioPolarity->setVisible(visible);
    FGrpPcToRadioPin->setVisible(visible);
}
