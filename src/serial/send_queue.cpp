#include "serial/send_queue.h"

#include <cstring>
#include <mutex>

#include "base/app_state.h"
#include "base/trace.h"
#include "serial/buffers.h"
#include "serial/port.h"

namespace tarnwick {

namespace {

// Jobs send at most a few commands a tick and the writer empties the queue within one line
// time, so sixteen slots only fill when output is stuck (flow control holding the line).
constexpr size_t queueSlots = 16;

struct PendingSend {
    uint8_t length;
    uint8_t bytes[txBufferSize - 1];
};

std::mutex sendLock;
PendingSend queue[queueSlots];
size_t queueHead = 0;
size_t queueLength = 0;

}  // namespace

void sendTxBuffer() {
    if (writerRunning != 1 || txBuffer[0] == 0) return;
    {
        std::lock_guard<std::mutex> hold(sendLock);
        // A full queue means the line is stuck; the oldest send is what a purge of the
        // driver's output would have thrown away, so it gives way to the new one.
        if (queueLength == queueSlots) {
            queueHead = (queueHead + 1) % queueSlots;
            --queueLength;
        }
        PendingSend& slot = queue[(queueHead + queueLength) % queueSlots];
        slot.length = txBuffer[0];
        std::memcpy(slot.bytes, txBuffer + 1, slot.length);
        ++queueLength;
    }
    traceSent(txBuffer + 1, txBuffer[0]);
    wakeWriter();
}

int takePendingSend(uint8_t* bytes) {
    std::lock_guard<std::mutex> hold(sendLock);
    if (queueLength == 0) return -1;
    const PendingSend& slot = queue[queueHead];
    std::memcpy(bytes, slot.bytes, slot.length);
    queueHead = (queueHead + 1) % queueSlots;
    --queueLength;
    return slot.length;
}

void clearPendingSends() {
    std::lock_guard<std::mutex> hold(sendLock);
    queueHead = 0;
    queueLength = 0;
}

}  // namespace tarnwick
