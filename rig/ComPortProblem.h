#pragma once

#include <string>

class EComPort;

// Why the serial port cannot be used and what to do about it, in the
// operator's words: no permission (the dialout group), held by another
// program, a device or a ports/comN link that leads nowhere; any other
// failure as the port's own message.
std::string ComPortProblem(const EComPort& error);

// The device path is one of the links ports/comN that stand for COM ports.
bool IsPortLink(const std::string& devicePath);
