#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/ProgramFolder.h"
#include "base/VirtualLoop.h"
#include "radio/CPort.h"
#include "radio/LinuxSerialPlatform.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// A pseudo-terminal reached as "COMn" through ports/comn beside the test
// program, the way an operator maps a USB adapter.
class TPtyPort {
public:
    TPtyPort()
    {
        char slave[128] = {};
        if (openpty(&FMaster, &FSlave, slave, nullptr, nullptr) != 0) return;
        const int number = 100000 + getpid() % 800000;
        FName = "COM" + std::to_string(number);
        fs::create_directories(ProgramFolder() + "ports");
        FLink = ProgramFolder() + "ports/com" + std::to_string(number);
        fs::remove(FLink);
        fs::create_symlink(slave, FLink);
        FSlavePath = slave;
    }
    ~TPtyPort()
    {
        if (!FLink.empty()) fs::remove(FLink);
        if (FSlave >= 0) close(FSlave);
        if (FMaster >= 0) close(FMaster);
    }
    bool Ok() const { return !FName.empty(); }
    const std::string& Name() const { return FName; }
    const std::string& Link() const { return FLink; }
    const std::string& Target() const { return FSlavePath; }
    long Number() const { return std::stol(FName.substr(3)); }

private:
    int FMaster = -1;
    int FSlave = -1;
    std::string FName;
    std::string FLink;
    std::string FSlavePath;
};

// A COM port on the real serial back end, named after a fresh pty.
struct TPtyComPort {
    TPtyComPort() { port.SetPort(pty.Name()); }
    TPtyPort pty;
    TVirtualLoop loop;
    TLinuxSerialPlatform serial;
    TComPort port {serial};
};

int SetRtsError(TComPort& port, std::string& message)
{
    try {
        port.SetRTS(true);
    } catch (const EComPort& e) {
        message = e.Message();
        return e.Code();
    }
    return 0;
}

} // namespace

TEST(LinuxSerial, ComNamesMapToPortsLinkElseTtyS)
{
    EXPECT_EQ(TLinuxSerialPlatform::PathOf("COM1"), "/dev/ttyS0");
    EXPECT_EQ(TLinuxSerialPlatform::PathOf("com12"), "/dev/ttyS11");
    EXPECT_EQ(TLinuxSerialPlatform::PathOf("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(TLinuxSerialPlatform::PathOf("ttyACM0"), "/dev/ttyACM0");
    TPtyPort pty;
    ASSERT_TRUE(pty.Ok());
    EXPECT_EQ(TLinuxSerialPlatform::PathOf(pty.Name()), pty.Link());
}

TEST(LinuxSerial, PortsLinksAreLookedForInTheGivenFolder)
{
    // The folder of the settings file in use, not the program's.
    TPtyPort pty;
    ASSERT_TRUE(pty.Ok());
    TTempFolder settingsFolder;
    const std::string folder = settingsFolder.Path().string() + "/";
    EXPECT_EQ(TLinuxSerialPlatform::PathOf(pty.Name(), folder), "/dev/ttyS" + std::to_string(pty.Number() - 1));
    std::filesystem::create_directory(folder + "ports");
    std::filesystem::create_symlink(pty.Target(), folder + "ports/com" + std::to_string(pty.Number()));
    EXPECT_EQ(TLinuxSerialPlatform::PathOf(pty.Name(), folder), folder + "ports/com" + std::to_string(pty.Number()));

    TLinuxSerialPlatform serial(folder);
    EXPECT_EQ(serial.DevicePath(pty.Name()), folder + "ports/com" + std::to_string(pty.Number()));
    TSerialFault fault;
    EXPECT_NE(serial.Open(pty.Name(), fault), nullptr) << fault.Call << " " << fault.Error;
}

TEST(LinuxSerial, AbsentPortFailsWithCode1NamingTheCallTheDeviceAndTheSystemsText)
{
    TVirtualLoop loop;
    TLinuxSerialPlatform serial;
    TComPort port(serial);
    // No ports/com250 here: /dev/ttyS249, absent.
    for (const auto& [name, device] :
        {std::pair<std::string, std::string> {"/dev/parlet-no-such-tty", "/dev/parlet-no-such-tty"},
            {"COM250", "/dev/ttyS249"}}) {
        port.SetPort(name);
        try {
            port.OpenPort();
            FAIL() << name << " opened";
        } catch (const EComPort& e) {
            EXPECT_EQ(e.Code(), 1);
            EXPECT_EQ(e.Error(), ENOENT);
            EXPECT_EQ(e.DevicePath(), device);
            EXPECT_EQ(e.Message(), "Unable to open com port: open " + device + ": No such file or directory");
        }
        EXPECT_FALSE(port.Connected());
    }
}

TEST(LinuxSerial, PtyThroughPortsLinkOpensExclusivelyAndRefusesRts)
{
    TPtyComPort station;
    ASSERT_TRUE(station.pty.Ok());
    TComPort& port = station.port;
    port.OpenPort();
    EXPECT_TRUE(port.Connected());

    TComPort second(station.serial);
    second.SetPort(station.pty.Name());
    try {
        second.OpenPort();
        FAIL() << "second open of the pty succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_NE(e.Error(), 0);
    }
    EXPECT_FALSE(second.Connected());

    // A pty has no modem lines: the line call fails with the system's error.
    std::string message;
    EXPECT_EQ(SetRtsError(port, message), 12);
    EXPECT_EQ(message,
        "Unable to set a control line of the com port: ioctl TIOCMBIS " + station.pty.Link()
            + ": Inappropriate ioctl for device");

    const auto before = std::chrono::steady_clock::now();
    port.ClosePort();
    const auto closeMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before).count();
    EXPECT_LT(closeMs, 100);
    EXPECT_FALSE(port.Connected());

    // Free again once closed.
    second.OpenPort();
    EXPECT_TRUE(second.Connected());
}

TEST(LinuxSerial, PtyWithoutModemLinesDoesNotOpenForALineSubscriber)
{
    TPtyComPort station;
    ASSERT_TRUE(station.pty.Ok());
    TComPort& port = station.port;
    const TConnection listener = port.OnCTSChange.Connect([](TObject*, bool) {});
    try {
        port.OpenPort();
        FAIL() << "opened although its lines cannot be read";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code(), 11);
        EXPECT_EQ(e.Error(), ENOTTY);
    }
    EXPECT_FALSE(port.Connected());
    TComPort other(station.serial);
    other.SetPort(station.pty.Name());
    EXPECT_NO_THROW(other.OpenPort()) << "the failed open left the port held";
}

// Runs in a fresh process started by the test below (translation state is
// per process and set up at the first message); skipped on its own.
TEST(LinuxSerialChild, SetRtsMessageInTheLanguageOfLang)
{
    const char* portName = std::getenv("PARLET_TEST_PTY_PORT");
    if (!portName) GTEST_SKIP() << "started by MessageIsTranslatedWithTheCatalogueBesideTheProgram";
    TVirtualLoop loop;
    TLinuxSerialPlatform serial;
    TComPort port(serial);
    port.SetPort(portName);
    port.OpenPort();
    std::string message;
    EXPECT_EQ(SetRtsError(port, message), 12);
    EXPECT_EQ(message.substr(0, message.find(':')), "Ne eblas agordi kontrollinion de la COM-pordo");
}

TEST(LinuxSerial, MessageIsTranslatedWithTheCatalogueBesideTheProgram)
{
    // Esperanto: no other test uses it, and no system locale is needed.
    const fs::path dir = fs::path(ProgramFolder()) / "locale" / "eo" / "LC_MESSAGES";
    fs::create_directories(dir);
    const fs::path po = dir / ("cport-" + std::to_string(getpid()) + ".po");
    std::ofstream(po) << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                      << "msgid \"Unable to set a control line of the com port\"\n"
                      << "msgstr \"Ne eblas agordi kontrollinion de la COM-pordo\"\n";
    const std::string cmd = "msgfmt -o '" + (dir / "cport.mo").string() + "' '" + po.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "msgfmt failed";
    fs::remove(po);

    TPtyPort pty;
    ASSERT_TRUE(pty.Ok());
    const int rc = ExitCodeInChild([&] {
        setenv("LANG", "eo.UTF-8", 1);
        unsetenv("LANGUAGE");
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("PARLET_TEST_PTY_PORT", pty.Name().c_str(), 1);
        execl("/proc/self/exe", "radio_tests", "--gtest_filter=LinuxSerialChild.*", static_cast<char*>(nullptr));
        return false;
    });
    EXPECT_EQ(rc, 0);
    fs::remove_all(fs::path(ProgramFolder()) / "locale" / "eo");
}
