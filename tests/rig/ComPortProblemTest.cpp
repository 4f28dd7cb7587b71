#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "radio/CPort.h"
#include "rig/ComPortProblem.h"

namespace {

std::string ProblemOf(int error, const std::string& path)
{
    return ComPortProblem(EComPort(CError_OpenFailed, TSerialFault {"open", error}, path));
}

} // namespace

TEST(ComPortProblem, SaysWhyThePortCannotBeUsedAndWhatToDo)
{
    EXPECT_EQ(ProblemOf(EACCES, "/dev/ttyUSB0"),
        "No permission to use /dev/ttyUSB0: add your user to the dialout group (sudo adduser $USER dialout), then "
        "log in again.");
    EXPECT_EQ(ProblemOf(EPERM, "/dev/ttyS0"), ProblemOf(EACCES, "/dev/ttyS0"));
    EXPECT_EQ(ProblemOf(EBUSY, "/dev/ttyUSB0"),
        "/dev/ttyUSB0 is in use by another program: close it there, or choose another port.");
    EXPECT_EQ(ProblemOf(EWOULDBLOCK, "/dev/ttyUSB0"), ProblemOf(EBUSY, "/dev/ttyUSB0"));
    EXPECT_EQ(ProblemOf(ENOENT, "/home/anna/.config/Parlet/ports/com3"),
        "The link /home/anna/.config/Parlet/ports/com3 points nowhere: plug the serial adapter in, or let the link "
        "point to it.");
    EXPECT_EQ(
        ProblemOf(ENODEV, "/dev/ttyACM0"), "/dev/ttyACM0 is missing: plug the device in, or choose another port.");
    // Anything else: the port's own message, naming the call.
    EXPECT_EQ(ProblemOf(EIO, "/dev/ttyS4"), "Unable to open com port: open /dev/ttyS4: Input/output error");

    EXPECT_TRUE(IsPortLink("/srv/zyn/ports/com12"));
    EXPECT_FALSE(IsPortLink("/dev/ttyS11"));
    EXPECT_FALSE(IsPortLink("/srv/ports/tty0"));
}
