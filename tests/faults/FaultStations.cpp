#include "tests/faults/FaultStations.h"

#include <fcntl.h>
#include <filesystem>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "base/ProgramFolder.h"
#include "radio/untUsbInterface.h"
#include "rig/untInterface.h"
#include "settings/untZYNClientSettings.h"

namespace {
const std::string StationSettings =
    "[Identification]\r\nOperaterName=Anna\r\n[Interface]\r\nRigComm=1\r\nRigComDtr=0\r\n"
    "RigComActiveHigh=1\r\nRigComUnusedHight=0\r\nCourtesyDelay=400\r\n";
}

TFaultStation::~TFaultStation()
{
    if (FMaster >= 0) ::close(FMaster);
}

bool TFaultStation::Create(const std::string& interfaceSettings)
{
    char slave[128] = {};
    int slaveFd = -1;
    if (openpty(&FMaster, &slaveFd, slave, nullptr, nullptr) != 0) return false;
    // No line discipline between the back end and the other side.
    termios tio {};
    tcgetattr(FMaster, &tio);
    cfmakeraw(&tio);
    tcsetattr(FMaster, TCSANOW, &tio);
    fcntl(FMaster, F_SETFL, O_NONBLOCK);
    // Only the back end holds the device side open: its last close is what
    // a device sees as the program letting go.
    ::close(slaveFd);
    FSlavePath = slave;
    WriteBytes(FFolder.File("ZYNClient.ini"), StationSettings + interfaceSettings);
    return true;
}

void TFaultStation::Open()
{
    transceiver = std::make_unique<TFFSKTranceiver>(Platform(), FFolder.File("ZYNClient.ini"));
}

// ---------------------------------------------------------------------------

TSerialFaultStation::TSerialFaultStation(TSystemCallSeam& seam)
    : FSeam(seam)
{
    // Above the numbers the serial port tests take, so the two programs
    // running side by side never share a link.
    const int number = 900000 + getpid() % 99999;
    if (!Create("CommPort=" + std::to_string(number - 1) + "\r\n")) return;
    std::filesystem::create_directories(ProgramFolder() + "ports");
    const std::string link = ProgramFolder() + "ports/com" + std::to_string(number);
    std::filesystem::remove(link);
    std::filesystem::create_symlink(FSlavePath, link);
    FSeam.EmulateModemLines(link);
    FDevicePath = link;
}

TSerialFaultStation::~TSerialFaultStation()
{
    transceiver.reset();
    if (!FDevicePath.empty()) std::filesystem::remove(FDevicePath);
}

void TSerialFaultStation::Reattach()
{
    if (!transceiver->RigInterface().ComPortOpen()) transceiver->Settings().SetRigComUnusedHight(false);
}

void TSerialFaultStation::StirInput()
{
    FSeam.SetModemInputs(FDevicePath, FSeam.ModemLines(FDevicePath) ^ TIOCM_CTS);
}

bool TSerialFaultStation::Keyed()
{
    return FSeam.ModemLines(FDevicePath) & TIOCM_RTS;
}

// ---------------------------------------------------------------------------

THidQuery TUsbFaultStation::TPtyHidPlatform::QueryAttributes(const std::string&, THidAttributes& attributes)
{
    attributes.VendorID = TUsbInterface::VendorID;
    attributes.ProductID = TUsbInterface::ProductID;
    return THidQuery::Ok;
}

TUsbFaultStation::TUsbFaultStation()
{
    if (!Create("CommPort=0\r\n")) return;
    FDevicePath = FSlavePath;
    FHid = std::make_unique<TPtyHidPlatform>(FDevicePath);
}

TUsbFaultStation::~TUsbFaultStation()
{
    transceiver.reset();
}

void TUsbFaultStation::Reattach()
{
    if (!transceiver->RigInterface().UsbConnected()) FHid->Replug();
}

void TUsbFaultStation::StirInput()
{
    const unsigned char report[8] = {0, 0, 0, 0, 0, 0, 0, 0xFF};
    [[maybe_unused]] const ssize_t n = ::write(FMaster, report, sizeof report);
}

bool TUsbFaultStation::Keyed()
{
    // Output reports are the report id and 8 data bytes; the last data byte
    // is 0x00 in the PTT-on report and 0xFF in the PTT-off one.
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
        if (n <= 0) break;
        FPending.append(buffer, static_cast<std::size_t>(n));
    }
    while (FPending.size() >= 9) {
        FKeyed = static_cast<unsigned char>(FPending[8]) == 0x00;
        FPending.erase(0, 9);
    }
    return FKeyed;
}
