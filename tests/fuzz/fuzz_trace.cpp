// The trace on arbitrary records: sends and bursts of arbitrary bytes, events with arbitrary
// jobs and steps, and a port held by arbitrary holders, all decoded to lines. Checks that every
// line is terminated within its buffer and that no password value survives: behind every
// "passwd","" comes "***".
#include <cstdint>
#include <cstring>
#include <string>

#include "app/trace_decode.h"
#include "base/trace.h"
#include "fakes.h"
#include "fuzz_check.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t kind = data[0] % 14;
    const uint8_t job = data[1];
    const uint8_t step = data[2];
    const size_t capacity = 1 + data[3] * 16;
    data += 4;
    size -= 4;
    // The identity query and the status check stand beside the twelve.
    Job* const besides[] = {&modemIdentityJob, &modemStatusJob};
    Job* target = job % (jobCount + 2) >= jobCount ? besides[job % (jobCount + 2) - jobCount] : allJobs[job % jobCount];
    // A burst that comes while the status check waits for one of its steps (or for none known).
    modemStatusJob.state = kind == 1 && (job & 2) != 0 ? static_cast<uint8_t>(statusWaitingBase + step % 16) : 0;
    if (kind == 0) traceSent(data, size);
    else if (kind == 1) traceBurst(0, 0, data, size, step);
    else if (kind == 2) traceJobResult(*target, data, size);
    else if (kind == 3) tracePort(TraceKind::portNotOpened, "COM5", static_cast<int8_t>(step));
    else if (kind == 11 || kind == 12) tracePort(kind == 11 ? TraceKind::portRetrying : TraceKind::portReopened, "COM5");
    else if (kind == 13) {
        // Who holds the port and the udev rule, each as the holder lookup found it: any bytes.
        const std::string text(reinterpret_cast<const char*>(data), size);
        const size_t cut = size == 0 ? 0 : step % (size + 1);
        tracePortInUse("COM5", text.substr(0, cut).c_str(), text.substr(cut).c_str(), -1);
    }
    else traceJob(static_cast<TraceKind>(kind), *target, step, job & 1);
    const TraceRecord* record = traceRecord(traceNewest());
    FUZZ_CHECK(record != nullptr && record->length <= traceBytesCapacity);
    static char line[traceLineCapacity + 16];
    std::memset(line, 'z', sizeof line);
    const size_t cap = capacity < traceLineCapacity ? capacity : traceLineCapacity;
    const size_t length = decodeTrace(*record, line, cap);
    FUZZ_CHECK(length < cap && line[length] == '\0' && line[cap] == 'z');
    const std::string text(reinterpret_cast<const char*>(record->bytes), record->length);
    for (size_t at = text.find("\"passwd\",\""); at != std::string::npos; at = text.find("\"passwd\",\"", at + 1))
        FUZZ_CHECK(text.compare(at + 10, 3, "***") == 0 || text.size() - (at + 10) < 3);
    return 0;
}
