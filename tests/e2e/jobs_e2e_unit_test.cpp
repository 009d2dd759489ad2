// The ten parameter jobs end to end, against the simulated unit on a pseudo-terminal.
#include "jobs_e2e_fixture.h"

using namespace tarnwick;
using e2e::Rig;
using e2e::valueId;

namespace {

class UnitJobsEndToEnd : public e2e::JobsEndToEnd {};

TEST_F(UnitJobsEndToEnd, AllTenParameterJobsReadAndWriteTheUnit) {
    devsim::UnitValues unit;
    unit.period = 5;
    unit.address = 171;
    unit.phone[0] = "89160000001";
    unit.phone[1] = "89160000002";
    unit.phone[2] = "89160000003";
    rig.device->setUnit(unit);

    const char* expected[5] = {"005", "171", "89160000001", "89160000002", "89160000003"};
    for (int row = 0; row < 5; ++row) {
        read(row);
        EXPECT_EQ(Rig::shown(valueId(row)), expected[row]) << row;
    }
    // Each read request went out as twelve bytes, the last seven zero.
    EXPECT_NE(rig.device->received().find(std::string("\x0A\x21\xAA" "N\x40", 5) +
                                          std::string(7, '\0')),
              std::string::npos);

    write(0, "123");
    write(1, "045");
    write(2, "+79990001122");
    write(3, "");
    write(4, "8800");
    const devsim::UnitValues after = rig.device->unit();
    EXPECT_EQ(after.period, 123);
    EXPECT_EQ(after.address, 45);
    EXPECT_EQ(after.phone[0], "+79990001122");
    EXPECT_EQ(after.phone[1], "");
    EXPECT_EQ(after.phone[2], "8800");

    for (int row = 0; row < 5; ++row) Rig::type(valueId(row), "old");
    const char* readBack[5] = {"123", "045", "+79990001122", "", "8800"};
    for (int row = 0; row < 5; ++row) {
        read(row);
        EXPECT_EQ(Rig::shown(valueId(row)), readBack[row]) << row;
    }

    // A number that fails its check sends nothing.
    const int frames = rig.device->framesHandled();
    write(1, "12a");
    EXPECT_EQ(rig.device->framesHandled(), frames);
    EXPECT_EQ(rig.device->unit().address, 45);
}

// The terminal reaches the program with the kernel's IXON on: the flow-control bytes must still
// arrive as values, and filler carrying XOFF must not hold up what the program sends next.
TEST_F(UnitJobsEndToEnd, OwnAddressesOf17And19ReadBackThroughAFreshTerminal) {
    devsim::Faults faults;
    faults.floodTo = 64;  // the filler behind each answer carries 0x11 and 0x13
    rig.device->setFaults(faults);
    for (int address : {17, 19}) {
        devsim::UnitValues unit;
        unit.address = address;
        rig.device->setUnit(unit);
        Rig::type(valueId(1), "old");
        read(1);
        EXPECT_EQ(Rig::shown(valueId(1)), address == 17 ? "017" : "019");
    }
    write(1, "019");
    EXPECT_EQ(rig.device->unit().address, 19) << "sent after an XOFF came in";
}

}  // namespace
