#pragma once
// The ids of the main window's controls and of its commands: the core's jobs and command table
// name controls by them, and the front ends build menus and controls with them.
namespace tarnwick {

enum : int {
    idAbout = 104,
    idExit = 105,
    idPortName = 3000,
    idSetupStatus = 3002,
    idQueryStatus = 3003,
    idPortStatus = 3004,
    idIpAddress = 3021,
    idApn = 3022,
    idUser = 3023,
    idPassword = 3027,
    idModemRead = 3030,
    idModemWrite = 3031,
    idNoInternet = 3032,
    idFirstValue = 3139,   // + row 0..4
    idFirstRead = 3144,    // + row 0..4
    idFirstWrite = 3149,   // + row 0..4
    idOpenPort = 32772,
    idClosePort = 32773,
    idTrace = 32774,       // menu "Tools", beside the menu "Communication"
};

// The unit's parameter rows: period, own address, phone 1, phone 2, SMS phone. Each row's box,
// "Read" and "Write" button follow from the row's number.
constexpr int parameterRowCount = 5;
constexpr int valueBoxOf(int row) { return idFirstValue + row; }
constexpr int readButtonOf(int row) { return idFirstRead + row; }
constexpr int writeButtonOf(int row) { return idFirstWrite + row; }
static_assert(valueBoxOf(parameterRowCount) <= idFirstRead && readButtonOf(parameterRowCount) <= idFirstWrite,
              "the rows' boxes and buttons overlap");

}  // namespace tarnwick
