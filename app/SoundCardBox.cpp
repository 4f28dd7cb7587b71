#include "app/SoundCardBox.h"

#include <QComboBox>
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
    auto* outputLabel = new QLabel(UiText("Output to the radio"), this);
    outputLabel->setGeometry(8, 20, 140, 17);
    FOutput = new QComboBox(this);
    FOutput->setObjectName(QStringLiteral("cbxOutputDevice"));
    FOutput->setGeometry(150, 18, 300, 22);
    auto* inputLabel = new QLabel(UiText("Input from the radio"), this);
    inputLabel->setGeometry(8, 48, 140, 17);
    FInput = new QComboBox(this);
    FInput->setObjectName(QStringLiteral("cbxInputDevice"));
    FInput->setGeometry(150, 46, 300, 22);
    connect(FOutput, &QComboBox::activated, this, GuardedSlot([this] { OutputChosen(); }));
    connect(FInput, &QComboBox::activated, this, GuardedSlot([this] { InputChosen(); }));
    if (FDevices) FDevices->OnChange = [this](TObject*) { RefreshLists(); };
    RefreshLists();
}

TSoundCardBox::~TSoundCardBox()
{
    // The list outlives the dialog.
    if (FDevices) FDevices->OnChange = nullptr;
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
