#pragma once

#include <QComboBox>

#include <string>
#include <vector>

#include "radio/SerialDeviceList.h"

class TZYNClientSettings;

// The settings dialog's list of serial ports: the machine's serial devices
// by name (the stable one where there is one), each with the COM number it
// has, and the stored COM number, when no device stands behind it, as
// "COMn (not found)". Choosing a device stores its COM number in the
// settings, giving it one by a link in ports/ beside the settings file
// where it has none; the stored values stay the client suite's.
class TSerialPortBox : public QComboBox {
public:
    TSerialPortBox(QWidget* parent, TZYNClientSettings& settings, TSerialDeviceList devices);

    // Lists the devices again and selects the one the stored number names.
    void Refresh();
    // The operator chose the item at `index`.
    void Choose(int index);
    // Another file system (tests): lists its devices from now on.
    void UseDevices(TSerialDeviceList devices);

protected:
    // Devices come and go: the list is read again as it opens.
    void showPopup() override;

private:
    TZYNClientSettings& FSettings;
    TSerialDeviceList FDevices;
    // The device of each item; the "(not found)" item has none.
    std::vector<TSerialDevice> FListed;
};
