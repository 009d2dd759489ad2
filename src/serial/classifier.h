#pragma once

namespace tarnwick {

// Looks at how the burst in the receive buffer begins, sets its response bit, copies the user,
// APN and client address values of modem answers into the modem panel and resets rxCount,
// leaving the bytes in place. Called with the receive lock held, on the window thread.
void classifyBurst();

}  // namespace tarnwick
