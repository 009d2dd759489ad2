#pragma once

namespace tarnwick {

// One 54 ms tick: steps each of the twelve jobs once in their fixed order, and the modem
// identity query and the status check after them, then counts the tick. Runs on the window thread and never blocks.
void mainTick();

}  // namespace tarnwick
