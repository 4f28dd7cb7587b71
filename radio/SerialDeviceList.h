#pragma once

#include <string>
#include <vector>

// One serial device of the machine.
struct TSerialDevice {
    // The name to show and to link to: the stable name under
    // /dev/serial/by-id when the device has one (it survives re-plugging and
    // a changed plug order), else the device node.
    std::string Path;
    // The device node it stands for, resolved (/dev/ttyUSB0).
    std::string Node;

    bool operator==(const TSerialDevice&) const = default;
};

// The machine's serial devices and the "COMn" names the client suite knows
// them by. As the serial back end opens them, COMn is the symbolic link
// ports/comN in the ports folder when that exists, else /dev/ttyS(N-1); so
// a device without a number of its own gets one by a link.
class TSerialDeviceList {
public:
    // `root` is the file system's root ("/"; a folder tree of its own in
    // tests); `portsFolder` holds ports/ (the settings file's folder).
    TSerialDeviceList(std::string root, std::string portsFolder);

    // The stable names under /dev/serial/by-id, then the nodes /dev/ttyACM*,
    // /dev/ttyUSB* and /dev/ttyS* without one (a ttyS only where the kernel
    // found a UART behind it), in the order of their nodes.
    std::vector<TSerialDevice> Devices() const;

    // The device node COMn stands for now; empty when it stands for none.
    std::string NodeOf(int comNumber) const;
    // The lowest COM number that stands for the device now; 0 when none.
    int ComNumberOf(const TSerialDevice& device) const;

    // Gives the device a COM number and returns it: the number it already
    // has; else `current` when that is a link (the link is turned to the
    // device) or stands for nothing; else the lowest number that is neither
    // a link nor a serial port of the machine. Makes or replaces the link
    // ports/comN as needed (replaced whole, never missing meanwhile); throws
    // Exception naming the link and the system's reason when it cannot.
    int Assign(const TSerialDevice& device, int current) const;

    std::string LinkPath(int comNumber) const;

private:
    std::string Dev() const { return FRoot + "/dev"; }
    std::vector<int> LinkedNumbers() const;
    bool IsEntry(int comNumber) const;
    void Link(int comNumber, const std::string& target) const;

    std::string FRoot; // without a trailing '/'
    std::string FPortsFolder;
};
