#pragma once
#include <cstdint>

#include "base/handles.h"
#include "base/ids.h"
#include "base/text_field.h"

namespace tarnwick {

// One tick-driven state machine. The trigger is raised by a command handler and lowered only
// by the job itself; the deadline is a tick number, meaningful while the job waits.
struct Job {
    uint8_t trigger;
    uint8_t state;
    int32_t deadline;
};

enum JobIndex {
    modemQueryIndex,
    modemSetupIndex,
    periodReadIndex,
    periodWriteIndex,
    addressReadIndex,
    addressWriteIndex,
    phone1ReadIndex,
    phone1WriteIndex,
    phone2ReadIndex,
    phone2WriteIndex,
    smsPhoneReadIndex,
    smsPhoneWriteIndex,
    jobCount
};

// A parameter row's read and write job: they come in pairs, read first, in the rows' order.
constexpr JobIndex readJobOf(int row) { return static_cast<JobIndex>(periodReadIndex + 2 * row); }
constexpr JobIndex writeJobOf(int row) { return static_cast<JobIndex>(periodWriteIndex + 2 * row); }
// The row of a parameter job, read or write.
constexpr int rowOfJob(int index) { return (index - periodReadIndex) / 2; }
constexpr bool isReadJob(int index) { return index >= periodReadIndex && (index - periodReadIndex) % 2 == 0; }
static_assert(writeJobOf(0) == readJobOf(0) + 1 && readJobOf(1) == addressReadIndex &&
                  readJobOf(parameterRowCount - 1) == smsPhoneReadIndex &&
                  writeJobOf(parameterRowCount - 1) == smsPhoneWriteIndex && jobCount == readJobOf(parameterRowCount),
              "the parameter jobs are not read-write pairs in the rows' order");
static_assert(rowOfJob(smsPhoneWriteIndex) == parameterRowCount - 1 && isReadJob(phone2ReadIndex) &&
                  !isReadJob(phone2WriteIndex),
              "rowOfJob and isReadJob disagree with the pairs");

// Count of 54 ms ticks since start; wraps after 2^32 ticks, which deadlines survive.
extern uint32_t tickCount;

extern Job modemQueryJob;
extern Job modemSetupJob;
extern Job periodReadJob;
extern Job periodWriteJob;
extern Job addressReadJob;
extern Job addressWriteJob;
extern Job phone1ReadJob;
extern Job phone1WriteJob;
extern Job phone2ReadJob;
extern Job phone2WriteJob;
extern Job smsPhoneReadJob;
extern Job smsPhoneWriteJob;

// The twelve jobs in step order; the index is the job's JobIndex.
extern Job* const allJobs[jobCount];

// The modem's identity query (AT+CGSN), beside the twelve: no button raises it and none of
// them looks at its trigger. The command-line program raises it for its provisioning log. It
// is stepped after the twelve and traced as job number identityJobIndex.
extern Job modemIdentityJob;
constexpr uint8_t identityJobIndex = jobCount;

// The modem status check (will this modem reach the server?), beside the identity query and
// like it: a program raises it, none of the twelve looks at its trigger, it refuses to start
// while any other trigger is raised, and it is stepped after the identity query. Traced and
// reported as job number statusJobIndex.
extern Job modemStatusJob;
constexpr uint8_t statusJobIndex = identityJobIndex + 1;
// While the status check waits for the answer to its step k, its state is
// statusWaitingBase + k: the trace names a burst that comes meanwhile after that step, as it
// names a unit answer after the read waiting for it.
constexpr uint8_t statusWaitingBase = 0x40;

// The job's number as the trace and the job reports count them: its JobIndex for the twelve,
// identityJobIndex for the identity query, statusJobIndex for the status check; noJob for
// anything else.
constexpr uint8_t noJob = 0xFF;
uint8_t jobIndexOf(const Job& job);

// True when no job has its trigger raised or is under way: the moment at which a program may
// press the next button, or a port may be opened again.
bool jobsAtRest();

// The serial link slots. The port handle is an integer wide enough for a POSIX descriptor
// and a Win32 HANDLE alike; invalidPort is both -1 and INVALID_HANDLE_VALUE.
using PortHandle = intptr_t;
constexpr PortHandle invalidPort = -1;
extern PortHandle portHandle;
extern uint8_t readerRunning;
extern uint8_t writerRunning;

extern WindowHandle mainWindow;

extern TextField portNameField;
extern TextField portStatusField;
extern TextField ipAddressField;
extern TextField apnField;
extern TextField userField;
extern TextField passwordField;
extern TextField queryStatusField;
extern TextField setupStatusField;
extern TextField periodField;
extern TextField addressField;
extern TextField phone1Field;
extern TextField phone2Field;
extern TextField smsPhoneField;

// A deadline set N ticks ahead has passed once the signed distance to it is negative; the
// comparison survives the wrap of tickCount because it is taken modulo 2^32.
inline bool deadlinePassed(int32_t deadline, uint32_t now) {
    return static_cast<int32_t>(static_cast<uint32_t>(deadline) - now) < 0;
}

inline int32_t deadlineAfter(uint32_t now, uint32_t ticks) {
    return static_cast<int32_t>(now + ticks);
}

// Puts the whole application state back to its start values; used between test cases.
void resetAppState();

}  // namespace tarnwick
