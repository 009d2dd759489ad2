// The port list on Linux, over pseudo-terminals registered in a ports folder. Whatever
// hardware udev reports on the machine running the tests is listed too, so the tests look for
// their own entries and check the rules that hold for every entry.
#include "serial/port_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "devsim.h"
#include "line_helpers.h"
#include "serial/port_names_posix.h"

using namespace tarnwick;
using testline::TempDir;

namespace {

class PortListTest : public ::testing::Test {
protected:
    TempDir home;
    TempDir ports;
    devsim::Device first;
    devsim::Device second;
    PortEntry entries[maxPorts];
    size_t count = 0;

    void SetUp() override {
        ASSERT_TRUE(first.ok() && second.ok());
        setenv("HOME", home.path().c_str(), 1);
        setenv("TARNWICK_PORTS", ports.path().c_str(), 1);
    }
    void link(const std::string& target, const char* name) {
        ASSERT_EQ(symlink(target.c_str(), (ports.path() + "/" + name).c_str()), 0);
    }
    void list() { count = listPorts(entries, maxPorts); }
    const PortEntry* named(const char* name) const {
        for (size_t i = 0; i < count; ++i)
            if (std::strcmp(entries[i].name, name) == 0) return &entries[i];
        return nullptr;
    }
    size_t listingsOf(const std::string& device) const {
        size_t n = 0;
        for (size_t i = 0; i < count; ++i) n += device == entries[i].device;
        return n;
    }
};

// COM1 also takes the name from a real /dev/ttyS0, which must then not be listed as COM1 too.
TEST_F(PortListTest, RegisteredPseudoTerminalsAreListedOnceUnderTheirLowestName) {
    // Created out of order, so that no folder order lists the lowest name last.
    link(first.slavePath(), "COM12");
    link(first.slavePath(), "COM1");
    link(first.slavePath(), "COM30");
    std::ofstream(ports.path() + "/COM3") << "  " << second.slavePath() << "\n";
    list();
    const PortEntry* com1 = named("COM1");
    const PortEntry* com3 = named("COM3");
    ASSERT_NE(com1, nullptr);
    ASSERT_NE(com3, nullptr);
    EXPECT_EQ(com1->device, first.slavePath());
    EXPECT_EQ(com3->device, second.slavePath());
    EXPECT_EQ(listingsOf(first.slavePath()), 1u);
    EXPECT_EQ(named("COM12"), nullptr);
    EXPECT_EQ(named("COM30"), nullptr);
    for (size_t i = 0; i < count; ++i) {
        for (size_t j = i + 1; j < count && entries[i].name[0] != '\0'; ++j)
            EXPECT_STRNE(entries[i].name, entries[j].name);
    }
}

TEST_F(PortListTest, EntriesWithoutAnExistingDeviceAreLeftOut) {
    link("/dev/tarnwick-no-such-device", "COM7");
    std::ofstream(ports.path() + "/COM8") << "/dev/tarnwick-no-such-device\n";
    std::ofstream(ports.path() + "/COM9") << "/etc/hostname\n";  // there, but no terminal
    link(first.slavePath(), "COM05");                            // no name Windows accepts
    list();
    EXPECT_EQ(named("COM7"), nullptr);
    EXPECT_EQ(named("COM8"), nullptr);
    EXPECT_EQ(named("COM9"), nullptr);
    EXPECT_EQ(listingsOf(first.slavePath()), 0u);
}

TEST_F(PortListTest, NamedPortsComeFirstByNumberAndLessRoomKeepsTheFirst) {
    link(first.slavePath(), "COM10");
    link(second.slavePath(), "COM9");
    list();
    ASSERT_GE(count, 2u);
    long previous = 0;  // -1 once an unnamed port came: no named one may follow
    for (size_t i = 0; i < count; ++i) {
        const long number = entries[i].name[0] != '\0' ? comNumber(entries[i].name) : -1;
        EXPECT_TRUE(number < 0 || (previous >= 0 && number > previous)) << entries[i].device;
        previous = number;
    }
    PortEntry few[2];
    std::memset(&few[1], 0x5A, sizeof few[1]);
    ASSERT_EQ(listPorts(few, 1), 1u);
    EXPECT_STREQ(few[0].device, entries[0].device);
    EXPECT_EQ(few[1].name[0], 0x5A) << "wrote past the room it was given";
}

// The fixed map must name exactly the device that opening the name reaches.
TEST(PortNameMapTest, TheDefaultNumberOfADeviceIsTheNameThatResolvesToIt) {
    TempDir ports;
    setenv("TARNWICK_PORTS", ports.path().c_str(), 1);
    for (long number = 1; number <= 96; ++number) {
        const std::string name = "COM" + std::to_string(number);
        char device[portPathCapacity];
        ASSERT_TRUE(resolvePortPath(name.c_str(), device, sizeof device));
        EXPECT_EQ(defaultComNumber(device), number) << device;
    }
    for (const char* device : {"/dev/ttyUSB32", "/dev/ttyS05", "/dev/ttyAMA0", "/dev/ttyS",
                               "/dev/ttyACM1x", "/dev/pts/3", "/dev/ttyUSB-1"})
        EXPECT_EQ(defaultComNumber(device), -1) << device;
}

TEST(PortLineTest, NamedAndUnnamedEntriesReadAsTheMenuShowsThem) {
    const PortEntry named = {"COM5", "/dev/ttyUSB0", "FTDI FT232R USB UART"};
    char line[portLineCapacity];
    const size_t length = formatPortEntry(named, line, sizeof line);
    EXPECT_STREQ(line, "COM5 \xE2\x80\x94 FTDI FT232R USB UART (/dev/ttyUSB0)");
    EXPECT_EQ(length, std::strlen(line));
    EXPECT_GT(formatPortEntry({"", "/dev/ttyAMA0", "serial port"}, line, sizeof line), 0u);
    EXPECT_STREQ(line, "/dev/ttyAMA0 \xE2\x80\x94 serial port "
                       "(no COMn name: name it in the ports folder)");
    // One byte short, the line would lose its end: none rather than a cut one.
    EXPECT_EQ(formatPortEntry(named, line, length), 0u);
    EXPECT_STREQ(line, "");
}

TEST(PortLineTest, EntriesFilledToTheBrimFitTheLineCapacity) {
    PortEntry longest;
    std::memset(&longest, 'x', sizeof longest);
    longest.device[sizeof longest.device - 1] = '\0';
    longest.description[sizeof longest.description - 1] = '\0';
    for (const size_t nameLength : {sizeof longest.name - 1, size_t{0}}) {
        longest.name[nameLength] = '\0';
        char line[portLineCapacity];
        EXPECT_GT(formatPortEntry(longest, line, sizeof line), 0u) << nameLength;
    }
}

}  // namespace
