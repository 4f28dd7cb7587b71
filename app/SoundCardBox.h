#pragma once

#include <QGroupBox>

#include <string>

#include "audio/SoundPlatform.h"
#include "base/Event.h"

class QComboBox;
class TSoundDeviceList;
class TZYNClientSettings;

// The "Sound card" part of the settings dialog: the device to play to the
// radio and the one to record from it, each from the back end's list by
// description, "System default" first. A chosen device that is not plugged
// in stays chosen and shows as "<name> (not found)". A choice is written to
// the settings at once. The lists follow devices coming and going.
class TSoundCardBox : public QGroupBox {
public:
    // `devices` may be null (a back end without choice): only the system
    // default and the stored choices are offered.
    TSoundCardBox(QWidget* parent, TZYNClientSettings& settings, TSoundDeviceList* devices);
    ~TSoundCardBox() override;

    // Fill both lists from the back end and select the settings' choices.
    void RefreshLists();

    QComboBox& cbxOutput() const { return *FOutput; }
    QComboBox& cbxInput() const { return *FInput; }

private:
    QComboBox* NewDeviceBox(const QString& name);
    void Fill(QComboBox& box, TWaveDirection direction, const std::string& chosen);
    void OutputChosen();
    void InputChosen();

    TZYNClientSettings& FSettings;
    TSoundDeviceList* const FDevices;
    QComboBox* FOutput = nullptr; // owned through Qt's parent chain
    QComboBox* FInput = nullptr;
    // The list outlives the dialog; declared last, so it goes first.
    TConnection FDevicesChange;
};
