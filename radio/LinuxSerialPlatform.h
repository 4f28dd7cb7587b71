#pragma once

#include "SerialPlatform.h"

// Serial ports on termios and the modem-line ioctls of a tty.
//
// "COMn" names the symbolic link ports/comn beside the program when it exists
// (so a USB adapter can stand in for any COM number), else /dev/ttyS(n-1).
// An absolute path is used as it is; any other name is looked up in /dev.
class TLinuxSerialPlatform : public TSerialPlatform {
public:
    std::unique_ptr<TSerialLine> Open(const std::string& portName, int& error) override;

    // The device path a port name stands for.
    static std::string DevicePath(const std::string& portName);
};
