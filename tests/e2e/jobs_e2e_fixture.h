#pragma once
// The fixture of the end-to-end job tests: one rig a case, and the moves a user makes.
#include <gtest/gtest.h>

#include <string>

#include "jobs_e2e_rig.h"

namespace e2e {

inline int valueId(int row) { return tarnwick::idFirstValue + row; }
inline tarnwick::Job& readJob(int row) {
    return *tarnwick::allJobs[tarnwick::periodReadIndex + 2 * row];
}
inline tarnwick::Job& writeJob(int row) {
    return *tarnwick::allJobs[tarnwick::periodWriteIndex + 2 * row];
}

class JobsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(rig.open(&why)) << why;
    }
    void TearDown() override { rig.close(); }

    void read(int row) {
        ASSERT_TRUE(rig.runJob(tarnwick::idFirstRead + row, readJob(row), readLimitMs));
    }
    void write(int row, const std::string& text) {
        Rig::type(valueId(row), text);
        ASSERT_TRUE(rig.runJob(tarnwick::idFirstWrite + row, writeJob(row), readLimitMs));
    }
    void setUp() {
        ASSERT_TRUE(rig.runJob(tarnwick::idModemWrite, tarnwick::modemSetupJob, modemLimitMs));
    }
    void query() {
        ASSERT_TRUE(rig.runJob(tarnwick::idModemRead, tarnwick::modemQueryJob, modemLimitMs));
    }
    void modemPanel(const char* ip, const char* apn, const char* user, const char* password) {
        Rig::type(tarnwick::idIpAddress, ip);
        Rig::type(tarnwick::idApn, apn);
        Rig::type(tarnwick::idUser, user);
        Rig::type(tarnwick::idPassword, password);
    }
    void noInternet(bool set) { fake::controlById(tarnwick::idNoInternet)->checked = set; }
    void echoOff() {
        devsim::ModemState modem = rig.device->modem();
        modem.echo = false;
        rig.device->setModem(modem);
    }
    void fault(bool silent, bool errorToAll) {
        devsim::Faults faults;
        faults.silent = silent;
        faults.errorToAll = errorToAll;
        rig.device->setFaults(faults);
    }

    Rig rig;
};

}  // namespace e2e
