#include "app/SoundCardBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include "app/GuardedSlot.h"
#include "app/UiText.h"
#include "audio/SoundDeviceList.h"
#include "settings/untZYNClientSettings.h"

namespace {
QString Text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

// How a device reads in the list; a monitor says that it is one.
QString Caption(const TSoundDeviceInfo& device)
{
    const QString description = Text(device.Description);
    // The sound server says so itself, in the desktop's language.
    if (!device.Monitor || device.Description.rfind("Monitor of ", 0) == 0) return description;
    return UiText("Monitor of %1").arg(description);
}

std::string NameOf(const QComboBox& box)
{
    return box.currentData().toString().toStdString();
}
} // namespace

TSoundCardBox::TSoundCardBox(QWidget* parent, TZYNClientSettings& settings, TSoundDeviceList* devices)
    : QGroupBox(UiText("Sound card"), parent)
    , FSettings(settings)
    , FDevices(devices)
{
    setObjectName(QStringLiteral("grpSoundCard"));
    FOutput = NewDeviceBox(QStringLiteral("cbxOutputDevice"));
    FInput = NewDeviceBox(QStringLiteral("cbxInputDevice"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(UiText("Output to the radio"), this), 0, 0);
    grid->addWidget(FOutput, 0, 1);
    grid->addWidget(new QLabel(UiText("Input from the radio"), this), 1, 0);
    grid->addWidget(FInput, 1, 1);
    grid->setColumnStretch(1, 1);
    connect(FOutput, &QComboBox::activated, this, GuardedSlot([this] { OutputChosen(); }));
    connect(FInput, &QComboBox::activated, this, GuardedSlot([this] { InputChosen(); }));
    if (FDevices) FDevicesChange = FDevices->OnChange.Connect([this](TObject*) { RefreshLists(); });
    RefreshLists();
}

TSoundCardBox::~TSoundCardBox() = default;

QComboBox* TSoundCardBox::NewDeviceBox(const QString& name)
{
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    // A long device description must not widen the dialog past the screen;
    // the list that drops down shows it whole.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(32);
    return box;
}

void TSoundCardBox::RefreshLists()
{
    Fill(*FOutput, TWaveDirection::Playback, FSettings.OutputDevice());
    Fill(*FInput, TWaveDirection::Capture, FSettings.InputDevice());
}

void TSoundCardBox::Fill(QComboBox& box, TWaveDirection direction, const std::string& chosen)
{
    box.clear();
    box.addItem(UiText("System default"), QString());
    bool found = chosen.empty();
    if (FDevices) {
        for (const TSoundDeviceInfo& device : FDevices->Devices(direction)) {
            box.addItem(Caption(device), Text(device.Name));
            if (device.Name == chosen) {
                found = true;
                box.setCurrentIndex(box.count() - 1);
            }
        }
    }
    // Kept as chosen, never replaced: the streams wait for it.
    if (!found) {
        box.addItem(UiText("%1 (not found)").arg(Text(chosen)), Text(chosen));
        box.setCurrentIndex(box.count() - 1);
    }
    if (chosen.empty()) box.setCurrentIndex(0);
}

void TSoundCardBox::OutputChosen()
{
    FSettings.SetOutputDevice(NameOf(*FOutput));
}

void TSoundCardBox::InputChosen()
{
    FSettings.SetInputDevice(NameOf(*FInput));
}
