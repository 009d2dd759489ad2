#pragma once
// The serial port and its reader and writer threads, supplied once per operating system.
#include <cstdint>

#include "base/app_state.h"

namespace tarnwick {

// Opens `path` for exclusive use at `baud`, 8N1, raw, DTR and RTS low, no hardware flow
// control, both queues empty. The slot receives the handle, or invalidPort on any failure.
//   0  opened and configured
//  -1  the device could not be opened (absent, or held by someone else)
//  -2  its line settings could not be read
//  -3  the new line settings were not accepted
//  -4  the time-outs were not accepted
int openPort(const char* path, int32_t baud, PortHandle& slot);

// Closes the handle; the result is the platform's and nobody relies on it.
int closePort(PortHandle handle);

// Starts the writer, then the reader, each unless its running flag is already 1. A thread
// that could not be started leaves its flag at 0.
void startPortThreads();

// Wakes both threads and waits until they no longer touch the port, the buffers or the quiet
// timer; clears both running flags. Safe to call when nothing runs.
void stopPortThreads();

// Wakes the writer thread to take the sends queued by sendTxBuffer().
void wakeWriter();

// Any thread: true once the reader has found the device gone (a hang-up or a read error, as
// when the adapter is pulled); false again after the next startPortThreads().
bool portLost();

}  // namespace tarnwick
