#include "base/app_state.h"

#include <initializer_list>

#include "base/job_report.h"

namespace tarnwick {

uint32_t tickCount = 0;

Job modemQueryJob;
Job modemSetupJob;
Job periodReadJob;
Job periodWriteJob;
Job addressReadJob;
Job addressWriteJob;
Job phone1ReadJob;
Job phone1WriteJob;
Job phone2ReadJob;
Job phone2WriteJob;
Job smsPhoneReadJob;
Job smsPhoneWriteJob;
Job modemIdentityJob;
Job modemStatusJob;

Job* const allJobs[jobCount] = {
    &modemQueryJob,  &modemSetupJob,   &periodReadJob,  &periodWriteJob,
    &addressReadJob, &addressWriteJob, &phone1ReadJob,  &phone1WriteJob,
    &phone2ReadJob,  &phone2WriteJob,  &smsPhoneReadJob, &smsPhoneWriteJob,
};

PortHandle portHandle = invalidPort;
uint8_t readerRunning = 0;
uint8_t writerRunning = 0;

WindowHandle mainWindow = nullptr;

TextField portNameField;
TextField portStatusField;
TextField ipAddressField;
TextField apnField;
TextField userField;
TextField passwordField;
TextField queryStatusField;
TextField setupStatusField;
TextField periodField;
TextField addressField;
TextField phone1Field;
TextField phone2Field;
TextField smsPhoneField;

static TextField* const allFields[] = {
    &portNameField, &portStatusField, &ipAddressField, &apnField,   &userField,
    &passwordField, &queryStatusField, &setupStatusField, &periodField, &addressField,
    &phone1Field,   &phone2Field,     &smsPhoneField,
};

uint8_t jobIndexOf(const Job& job) {
    for (int index = 0; index < jobCount; ++index)
        if (allJobs[index] == &job) return static_cast<uint8_t>(index);
    if (&job == &modemIdentityJob) return identityJobIndex;
    return &job == &modemStatusJob ? statusJobIndex : noJob;
}

bool jobsAtRest() {
    for (const Job* job : allJobs)
        if (job->trigger != 0 || job->state != 0) return false;
    for (const Job* job : {&modemIdentityJob, &modemStatusJob})
        if (job->trigger != 0 || job->state != 0) return false;
    return true;
}

void resetAppState() {
    tickCount = 0;
    for (Job* job : allJobs) *job = Job{};
    modemIdentityJob = Job{};
    modemStatusJob = Job{};
    portHandle = invalidPort;
    readerRunning = 0;
    writerRunning = 0;
    mainWindow = nullptr;
    for (TextField* field : allFields) *field = TextField{};
    resetJobReports();
}

}  // namespace tarnwick
