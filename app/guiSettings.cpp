#include "guiSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "app/Fonts.h"
#include "app/GuardedSlot.h"
#include "app/RadioGroup.h"
#include "station/untFFSKTranceiver.h"
#include "radio/untInterface.h"
#include "settings/untZYNClientSettings.h"

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
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->hide();
    return label;
}
}

TfrmSettings::TfrmSettings(QWidget* owner, TFFSKTranceiver& transceiver)
    : QDialog(owner), FTranceiver(transceiver)
{
    CreateControls();
    TInterface& rig = FTranceiver.RigInterface();
    rig.OnInterfaceChange = [this](TObject* Sender) { InterfaceChange(Sender); };
    rig.OnCommError = [this](TObject* Sender) { InterfaceCommError(Sender); };
    rig.OnUsbConnection = [this](TObject* Sender, bool Connected) { InterfaceUsbConnection(Sender, Connected); };
    RefreshControls();
    // The rig interface tried the port before this dialog listened: a port
    // it needs but could not open is shown from the start, not only after
    // the operator's next change.
    if (rig.ComPortFailed()) lblComInUse_->show();
}

TfrmSettings::~TfrmSettings()
{
    // The rig interface outlives the dialog; it must not call into it.
    TInterface& rig = FTranceiver.RigInterface();
    rig.OnInterfaceChange = nullptr;
    rig.OnCommError = nullptr;
    rig.OnUsbConnection = nullptr;
}

void TfrmSettings::CreateControls()
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(false);
    setFont(FormFont(11));

    lblComPort_ = new QLabel(QStringLiteral("COM port:"), this);
    lblComPort_->setObjectName(QStringLiteral("lblComPort"));
    lblComPort_->setTextFormat(Qt::PlainText);
    Place(lblComPort_, 248, 16, 50, 13);

    lblComInUse_ = NewColouredLabel(QStringLiteral("The selected com port is not available!"), QColor(255, 0, 0), this);
    lblComInUse_->setObjectName(QStringLiteral("lblComInUse"));
    Place(lblComInUse_, 244, 32, 182, 13);

    lblUsbInterfaceConnected_ = NewColouredLabel(QStringLiteral("USB interface connected"), QColor(0, 128, 0), this);
    lblUsbInterfaceConnected_->setObjectName(QStringLiteral("lblUsbInterfaceConnected"));
    Place(lblUsbInterfaceConnected_, 288, 32, 120, 13);

    grpPcToRadio_ = new TRadioGroup(QStringLiteral("PC to Radio"),
                                    {QStringLiteral("Use the VOX in the radio."), QStringLiteral("Use the USB / COM-port.")},
                                    this);
    grpPcToRadio_->setObjectName(QStringLiteral("grpPcToRadio"));
    Place(grpPcToRadio_, 0, 0, 222, 65);

    grpPcToRadioPin_ = new TRadioGroup(QString(), {QStringLiteral("RTS"), QStringLiteral("DTR")}, this);
    grpPcToRadioPin_->setObjectName(QStringLiteral("grpPcToRadioPin"));
    Place(grpPcToRadioPin_, 8, 56, 110, 57);

    grpPcToRadioPolarity_ =
        new TRadioGroup(QString(), {QStringLiteral("Active hgh"), QStringLiteral("Active low")}, this);
    grpPcToRadioPolarity_->setObjectName(QStringLiteral("grpPcToRadioPolarity"));
    Place(grpPcToRadioPolarity_, 117, 56, 110, 57);

    ComboBox1_ = new QComboBox(this);
    ComboBox1_->setObjectName(QStringLiteral("ComboBox1"));
    for (int port = 1; port <= PortCount; ++port) ComboBox1_->addItem(QStringLiteral("COM%1").arg(port));
    ComboBox1_->setMaxVisibleItems(PortCount);
    Place(ComboBox1_, 312, 10, 86, 21);

    cbxUnusedHight_ = new QCheckBox(QStringLiteral("Unused pin (RTS/DTR) always high"), this);
    cbxUnusedHight_->setObjectName(QStringLiteral("cbxUnusedHight"));
    Place(cbxUnusedHight_, 233, 48, 225, 17);

    btnOk_ = new QPushButton(QStringLiteral("OK"), this);
    btnOk_->setObjectName(QStringLiteral("btnOk"));
    btnOk_->setAutoDefault(false);
    Place(btnOk_, 386, 88, 72, 25);

    // The dialog is as large as its controls reach.
    const QRect reach = childrenRect();
    setFixedSize(reach.right() + 1, reach.bottom() + 1);

    // Only the operator's own changes are written back; refreshing the
    // controls from the settings does not count as a change.
    grpPcToRadio_->OnClick = [this] { grpPcToRadioClick(); };
    grpPcToRadioPin_->OnClick = [this] { grpPcToRadioPinClick(); };
    grpPcToRadioPolarity_->OnClick = [this] { grpPcToRadioPolarityClick(); };
    connect(ComboBox1_, &QComboBox::activated, this, GuardedSlot([this] { ComboBox1Change(); }));
    connect(cbxUnusedHight_, &QCheckBox::clicked, this, GuardedSlot([this] { cbxUnusedHightClick(); }));
    connect(btnOk_, &QPushButton::clicked, this, GuardedSlot([this] { btnOkClick(); }));
}

void TfrmSettings::RefreshControls()
{
    const TZYNClientSettings& settings = FTranceiver.Settings();
    cbxUnusedHight_->setChecked(settings.RigComUnusedHight());
    // By VOX the pin and its polarity do not apply.
    grpPcToRadio_->SetItemIndex(settings.RigComKeying() ? 1 : 0);
    grpPcToRadioPin_->setEnabled(settings.RigComKeying());
    grpPcToRadioPolarity_->setEnabled(settings.RigComKeying());
    grpPcToRadioPin_->SetItemIndex(settings.RigComDtr() ? 1 : 0);
    grpPcToRadioPolarity_->SetItemIndex(settings.RigComActiveHigh() ? 0 : 1);
    // A port number from the file outside the list selects nothing.
    ComboBox1_->setCurrentIndex(settings.CommIndex() >= 0 && settings.CommIndex() < PortCount ? settings.CommIndex()
                                                                                               : -1);
    lblUsbInterfaceConnected_->setVisible(FTranceiver.RigInterface().UsbConnected());
}

void TfrmSettings::grpPcToRadioClick()
{
    FTranceiver.Settings().SetRigComKeying(grpPcToRadio_->ItemIndex() == 1);
}

void TfrmSettings::grpPcToRadioPinClick()
{
    FTranceiver.Settings().SetRigComDtr(grpPcToRadioPin_->ItemIndex() == 1);
}

void TfrmSettings::grpPcToRadioPolarityClick()
{
    FTranceiver.Settings().SetRigComActiveHigh(grpPcToRadioPolarity_->ItemIndex() == 0);
}

void TfrmSettings::ComboBox1Change()
{
    // Hidden first: the reconfiguration shows it again if this port fails too.
    lblComInUse_->hide();
    FTranceiver.Settings().SetCommIndex(ComboBox1_->currentIndex());
}

void TfrmSettings::cbxUnusedHightClick()
{
    FTranceiver.Settings().SetRigComUnusedHight(cbxUnusedHight_->isChecked());
}

void TfrmSettings::btnOkClick()
{
    hide();
}

void TfrmSettings::InterfaceChange(TObject*)
{
    RefreshControls();
}

void TfrmSettings::InterfaceCommError(TObject*)
{
    lblUsbInterfaceConnected_->hide();
    lblComInUse_->show();
}

void TfrmSettings::InterfaceUsbConnection(TObject*, bool Connected)
{
    if (Connected) lblComInUse_->hide();
    lblUsbInterfaceConnected_->setVisible(Connected);
    grpPcToRadioPolarity_->setVisible(!Connected);
    grpPcToRadioPin_->setVisible(!Connected);
}
