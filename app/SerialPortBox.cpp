#include "app/SerialPortBox.h"

#include <filesystem>

#include "app/UiText.h"
#include "settings/untZYNClientSettings.h"

namespace {
QString FileName(const std::string& path)
{
    return QString::fromStdString(std::filesystem::path(path).filename().string());
}

// "COM3: usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0 (ttyUSB0)"; the node
// alone where it has no stable name, the number where it has one.
QString Caption(const TSerialDevice& device, int comNumber)
{
    QString caption = FileName(device.Path);
    if (FileName(device.Path) != FileName(device.Node)) caption += QStringLiteral(" (%1)").arg(FileName(device.Node));
    return comNumber > 0 ? QStringLiteral("COM%1: %2").arg(comNumber).arg(caption) : caption;
}
} // namespace

TSerialPortBox::TSerialPortBox(QWidget* parent, TZYNClientSettings& settings, TSerialDeviceList devices)
    : QComboBox(parent)
    , FSettings(settings)
    , FDevices(std::move(devices))
{
    setObjectName(QStringLiteral("ComboBox1"));
    // Stable names are long; the list that drops down shows them whole.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(30);
    // Filled by its dialog, which refreshes all its controls at once.
}

void TSerialPortBox::UseDevices(TSerialDeviceList devices)
{
    FDevices = std::move(devices);
    Refresh();
}

void TSerialPortBox::Refresh()
{
    clear();
    FListed = FDevices.Devices();
    const int stored = FSettings.CommIndex() + 1;
    const std::string storedNode = FDevices.NodeOf(stored);
    int selected = -1;
    for (const TSerialDevice& device : FListed) {
        addItem(Caption(device, FDevices.ComNumberOf(device)));
        setItemData(count() - 1, QString::fromStdString(device.Path), Qt::ToolTipRole);
        if (!storedNode.empty() && device.Node == storedNode) selected = count() - 1;
    }
    // Kept in sight, never replaced: the port may be plugged in later.
    if (selected < 0 && stored >= 1) {
        addItem(UiText("%1 (not found)").arg(QStringLiteral("COM%1").arg(stored)));
        selected = count() - 1;
    }
    setCurrentIndex(selected);
}

void TSerialPortBox::Choose(int index)
{
    int comNumber = FSettings.CommIndex() + 1;
    if (index >= 0 && index < static_cast<int>(FListed.size())) {
        try {
            comNumber = FDevices.Assign(FListed[static_cast<std::size_t>(index)], comNumber);
        } catch (...) {
            // Nothing changed: the list shows the stored port again.
            Refresh();
            throw;
        }
    }
    // Stored even when it is the number already held: the port is opened
    // again, through a link that may now lead elsewhere.
    FSettings.SetCommIndex(comNumber - 1);
    Refresh();
}

void TSerialPortBox::showPopup()
{
    Refresh();
    QComboBox::showPopup();
}
