#include "unit/job_engine.h"

#include <cstring>

#include "base/trace.h"
#include "serial/buffers.h"
#include "serial/send_queue.h"

namespace tarnwick {

bool otherTriggerRaised(JobIndex self) {
    for (int index = 0; index < jobCount; ++index)
        if (index != self && allJobs[index]->trigger != 0) return true;
    return false;
}

void sendCommand(Job& job, const uint8_t* counted, uint32_t ticks) {
    std::memcpy(txBuffer, counted, 1u + counted[0]);
    sendTxBuffer();
    job.deadline = deadlineAfter(tickCount, ticks);
}

void endJob(Job& job, TextField& status, const char* text) {
    traceJobResult(job, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
    showText(status, text);
    job.trigger = 0;
    job.state = 0;
}

void showText(TextField& field, const uint8_t* bytes, size_t count) {
    field.useRaw();
    field.assign(bytes, static_cast<uint32_t>(count));
    field.show();
}

void showText(TextField& field, const char* text) {
    showText(field, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

size_t readFieldText(TextField& field, uint8_t* text) {
    std::memset(text, 0, TextField::rawCapacity);
    field.useRaw();
    field.pull();
    return field.copyOut(text);
}

}  // namespace tarnwick
