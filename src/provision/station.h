#pragma once
// The station: one unit after another put on the same port.
#include <string>

namespace tarnwick::provision {

// Polls with the own-address read, at most once a second, until a unit answers (`present`) or
// no unit answers any more (not `present`). A port whose device went away is closed and
// opened again each second by the name `port`. False when interrupted.
bool awaitUnit(bool present, const std::string& port);

}  // namespace tarnwick::provision
