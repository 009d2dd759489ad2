// Opening and closing the POSIX port over a pseudo-terminal, and how COMn names reach a device.
#include "serial/port.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <fstream>

#include "devsim.h"
#include "line_helpers.h"
#include "serial/port_names_posix.h"

using namespace tarnwick;
using testline::RawLine;
using testline::TempDir;

namespace {

std::string resolved(const char* path) {
    char device[portPathCapacity];
    return resolvePortPath(path, device, sizeof device) ? device : "<none>";
}

class PortTest : public ::testing::Test {
protected:
    devsim::Device device;
    PortHandle slot = 12345;

    void SetUp() override { ASSERT_TRUE(device.ok()); }
    void TearDown() override {
        if (slot >= 0 && slot != 12345) closePort(slot);
    }
    std::string windowsPath() const { return "\\\\.\\" + device.slavePath(); }
};

// --- open, close, exclusive use ---------------------------------------------------------

TEST_F(PortTest, OpensTheDeviceAndBytesPassBothWays) {
    ASSERT_EQ(openPort(windowsPath().c_str(), 9600, slot), 0);
    ASSERT_GE(slot, 0);
    ASSERT_EQ(write(static_cast<int>(slot), "ATE0\r\n", 6), 6);
    EXPECT_TRUE(device.waitForText("ATE0\r\n", 2000));
    char answer[64];
    pollfd p = {static_cast<int>(slot), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    EXPECT_GT(read(static_cast<int>(slot), answer, sizeof answer), 0);
}

TEST_F(PortTest, ASecondOpenFailsWhileTheFirstHoldsThePortAndAfterCloseItWorks) {
    ASSERT_EQ(openPort(device.slavePath().c_str(), 9600, slot), 0);
    PortHandle second = 99;
    EXPECT_EQ(openPort(windowsPath().c_str(), 9600, second), -1);
    EXPECT_EQ(second, invalidPort);
    // The failed attempt must leave the holder's connection alone.
    ASSERT_EQ(write(static_cast<int>(slot), "AT\r", 3), 3);
    EXPECT_TRUE(device.waitForText("AT\r", 2000));
    int exclusive = 0;
    RawLine probe(device.slavePath());  // root may open it anyway: TIOCEXCL does not stop root
    if (probe.fd() >= 0 && ioctl(probe.fd(), TIOCGEXCL, &exclusive) == 0) {
        EXPECT_EQ(exclusive, 1);
    }

    EXPECT_EQ(closePort(slot), 0);
    slot = invalidPort;
    if (probe.fd() >= 0 && ioctl(probe.fd(), TIOCGEXCL, &exclusive) == 0) {
        EXPECT_EQ(exclusive, 0);
    }
    EXPECT_EQ(openPort(windowsPath().c_str(), 9600, second), 0);
    closePort(second);
}

TEST_F(PortTest, APortAnotherProgramHoldsFailsToOpen) {
    const int other = open(device.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(openPort(windowsPath().c_str(), 9600, slot), -1);
    EXPECT_EQ(slot, invalidPort);
    close(other);
    EXPECT_EQ(openPort(windowsPath().c_str(), 9600, slot), 0);
}

TEST_F(PortTest, MissingDevicesAndNamesWithoutADeviceFailWithMinusOne) {
    EXPECT_EQ(openPort("\\\\.\\/dev/tarnwick-no-such-device", 9600, slot), -1);
    EXPECT_EQ(slot, invalidPort);
    slot = 7;
    EXPECT_EQ(openPort("\\\\.\\COM97", 9600, slot), -1);
    EXPECT_EQ(slot, invalidPort);
    slot = 7;
    EXPECT_EQ(openPort("\\\\.\\COM5x", 9600, slot), -1);
    EXPECT_EQ(slot, invalidPort);
}

TEST_F(PortTest, LaterStepsFailWithTheirOwnResultAndLeaveThePortFree) {
    // Not a terminal: its line settings cannot be read.
    EXPECT_EQ(openPort("/dev/null", 9600, slot), -2);
    EXPECT_EQ(slot, invalidPort);
    // A rate the driver has no setting for is not accepted.
    EXPECT_EQ(openPort(device.slavePath().c_str(), 12345, slot), -3);
    EXPECT_EQ(slot, invalidPort);
    // The failed open released the lock and the exclusive flag.
    EXPECT_EQ(openPort(device.slavePath().c_str(), 9600, slot), 0);
}

TEST_F(PortTest, WhatTheUnitSentWhileThePortWasClosedIsDiscardedAtOpen) {
    device.sendRaw("stale bytes");
    ASSERT_TRUE(device.waitForSent(11, 2000));
    ASSERT_EQ(openPort(device.slavePath().c_str(), 9600, slot), 0);
    char byte;
    EXPECT_EQ(read(static_cast<int>(slot), &byte, 1), -1);
    EXPECT_EQ(errno, EAGAIN);
}

// --- line settings ----------------------------------------------------------------------

void expectLineSettings(int fd) {
    termios settings{};
    ASSERT_EQ(tcgetattr(fd, &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), B9600);
    EXPECT_EQ(cfgetispeed(&settings), B9600);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK), 0u);
    EXPECT_EQ(settings.c_cc[VMIN], 1);
    EXPECT_EQ(settings.c_cc[VTIME], 0);
}

// Software flow control is switched off whatever the terminal had, as a fresh tty has IXON.
TEST_F(PortTest, LineSettingsAre9600EightNoneOneRawWithoutFlowControl) {
    for (bool xon : {true, false}) {
        SCOPED_TRACE(xon ? "IXON set before the open" : "IXON clear before the open");
        {
            RawLine setter(device.slavePath());
            termios before{};
            ASSERT_EQ(tcgetattr(setter.fd(), &before), 0);
            cfsetospeed(&before, B1200);
            before.c_cflag |= PARENB | CSTOPB;
            before.c_lflag |= ICANON | ECHO;
            if (xon)
                before.c_iflag |= IXON | IXOFF | IXANY;
            else
                before.c_iflag &= ~(IXON | IXOFF | IXANY);
            ASSERT_EQ(tcsetattr(setter.fd(), TCSANOW, &before), 0);
        }
        ASSERT_EQ(openPort(device.slavePath().c_str(), 9600, slot), 0);
        expectLineSettings(static_cast<int>(slot));
        termios after{};
        tcgetattr(static_cast<int>(slot), &after);
        EXPECT_EQ(after.c_iflag & (IXON | IXOFF | IXANY), 0u);
        closePort(slot);
        slot = invalidPort;
    }
}

// The simulated device leaves its terminal as the kernel made it, IXON included: every byte
// value, the flow-control characters too, must pass both ways, and a 0x13 from the line must
// not hold up what the program sends after it.
TEST_F(PortTest, EveryByteValuePassesBothWaysOnAFreshTerminal) {
    ASSERT_EQ(openPort(device.slavePath().c_str(), 9600, slot), 0);
    const int fd = static_cast<int>(slot);
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    device.sendRaw(all);
    std::string got;
    for (int i = 0; i < 200 && got.size() < all.size(); ++i) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) got.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_EQ(got, all);

    const std::string out = "\x13 held \x11 \x13";
    ASSERT_EQ(write(fd, out.data(), out.size()), static_cast<ssize_t>(out.size()));
    ASSERT_EQ(write(fd, "after", 5), 5);
    EXPECT_TRUE(device.waitForText(out + "after", 2000)) << "output stopped by a 0x13";
}

// --- COMn names -------------------------------------------------------------------------

class PortNameTest : public ::testing::Test {
protected:
    TempDir home;
    TempDir ports;

    void SetUp() override {
        setenv("HOME", home.path().c_str(), 1);
        setenv("TARNWICK_PORTS", ports.path().c_str(), 1);
    }
};

TEST_F(PortNameTest, WithoutAnEntryComNumbersMapOntoTheUsualDeviceFamilies) {
    EXPECT_EQ(resolved("\\\\.\\COM1"), "/dev/ttyS0");
    EXPECT_EQ(resolved("\\\\.\\COM32"), "/dev/ttyS31");
    EXPECT_EQ(resolved("\\\\.\\COM33"), "/dev/ttyUSB0");
    EXPECT_EQ(resolved("\\\\.\\COM64"), "/dev/ttyUSB31");
    EXPECT_EQ(resolved("\\\\.\\COM65"), "/dev/ttyACM0");
    EXPECT_EQ(resolved("\\\\.\\COM96"), "/dev/ttyACM31");
    EXPECT_EQ(resolved("\\\\.\\COM97"), "<none>");
    EXPECT_EQ(resolved("\\\\.\\COM256"), "<none>");
    EXPECT_EQ(resolved("COM7"), "/dev/ttyS6");  // the prefix is optional
}

TEST_F(PortNameTest, NamesThatAreNotComAndANumberHaveNoDevice) {
    for (const char* name : {"\\\\.\\COM5x", "\\\\.\\COM05", "\\\\.\\COM0", "\\\\.\\COM",
                             "\\\\.\\COM 5", "\\\\.\\COM+5", "\\\\.\\com5", "\\\\.\\LPT1",
                             "\\\\.\\COM99999999999"})
        EXPECT_EQ(resolved(name), "<none>") << name;
}

TEST_F(PortNameTest, DevicePathsPassAsTheyAre) {
    EXPECT_EQ(resolved("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(resolved("\\\\.\\/dev/pts/3"), "/dev/pts/3");
}

TEST_F(PortNameTest, AnEntryInThePortsFolderWinsOverTheMap) {
    ASSERT_EQ(symlink("/dev/pts/77", (ports.path() + "/COM1").c_str()), 0);
    std::ofstream(ports.path() + "/COM40") << "  /dev/ttyACM5 \n";
    std::ofstream(ports.path() + "/COM41") << " \n";  // holds no path: no device
    EXPECT_EQ(resolved("\\\\.\\COM1"), ports.path() + "/COM1");
    EXPECT_EQ(resolved("\\\\.\\COM40"), "/dev/ttyACM5");
    EXPECT_EQ(resolved("\\\\.\\COM41"), "<none>");
    EXPECT_EQ(resolved("\\\\.\\COM2"), "/dev/ttyS1");
}

TEST_F(PortNameTest, WithoutTheVariableTheFolderIsInTheHomeConfig) {
    unsetenv("TARNWICK_PORTS");
    const std::string folder = home.path() + "/.config/tarnwick/ports";
    ASSERT_EQ(std::system(("mkdir -p '" + folder + "'").c_str()), 0);
    std::ofstream(folder + "/COM3") << "/dev/ttyUSB9\n";
    EXPECT_EQ(resolved("\\\\.\\COM3"), "/dev/ttyUSB9");
    EXPECT_EQ(resolved("\\\\.\\COM4"), "/dev/ttyS3");
}

TEST_F(PortNameTest, RegisteredComNamesOpenTheSimulatedDevice) {
    devsim::Device device;
    ASSERT_TRUE(device.ok());
    ASSERT_EQ(symlink(device.slavePath().c_str(), (ports.path() + "/COM5").c_str()), 0);
    std::ofstream(ports.path() + "/COM6") << device.slavePath() << "\n";
    PortHandle slot = invalidPort;
    ASSERT_EQ(openPort("\\\\.\\COM5", 9600, slot), 0);
    // The same device under its other name is the same device: held, so refused.
    PortHandle other = invalidPort;
    EXPECT_EQ(openPort("\\\\.\\COM6", 9600, other), -1);
    ASSERT_EQ(write(static_cast<int>(slot), "AT\r\n", 4), 4);
    EXPECT_TRUE(device.waitForText("AT\r\n", 2000));
    closePort(slot);
    EXPECT_EQ(openPort("\\\\.\\COM6", 9600, other), 0);
    closePort(other);
}

}  // namespace
