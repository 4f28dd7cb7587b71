#pragma once

#include <string>

#include "SerialPlatform.h"
#include "base/ProgramFolder.h"

// Serial ports on termios and the modem-line ioctls of a tty.
//
// "COMn" names the symbolic link ports/comn in the ports' folder (the folder
// of the settings file in use) when it exists, so a USB adapter can stand in
// for any COM number, else /dev/ttyS(n-1). An absolute path is used as it
// is; any other name is looked up in /dev.
class TLinuxSerialPlatform : public TSerialPlatform {
public:
    explicit TLinuxSerialPlatform(std::string portsFolder = ProgramFolder());

    std::unique_ptr<TSerialLine> Open(const std::string& portName, TSerialFault& fault) override;
    std::string DevicePath(const std::string& portName) const override;

    // The device path a port name stands for; portsFolder ends with '/'.
    static std::string PathOf(const std::string& portName, const std::string& portsFolder = ProgramFolder());

private:
    std::string FPortsFolder;
};
