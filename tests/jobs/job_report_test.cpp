// What each job reports it did, against a modem and a unit on the fake link: the steps sent and
// refused, the step that ran into its deadline, the answer's length and how it ended. Whatever
// runs the jobs for the engineer reads these, so each field must say what happened on the line.
#include <string>
#include <vector>

#include "base/job_report.h"
#include "modem/identity_job.h"
#include "modem_link.h"

using namespace tarnwick;
using jobs::errorAnswer;
using jobs::line;

namespace {

uint32_t stepsUpTo(int last) { return last >= 31 ? 0xFFFFFFFFu : (1u << (last + 1)) - 1; }

class JobReportTest : public jobs::ModemTest {
protected:
    void SetUp() override {
        ModemTest::SetUp();
        for (int id : {idIpAddress, idApn, idUser, idPassword}) type(id, "x");
    }
    const JobReport& runModemJob(Job& job, int button, int status, const jobs::Modem& modem) {
        respond = modem;
        press(button);
        runJob(job, status);
        return jobReport(job);
    }
};

TEST_F(JobReportTest, TheModemJobsReportTheirStepsRefusalsDeadlinesAndEnd) {
    const std::string serviceListing = "\r\n^SISS: 9,\"address\",\"socktcp://1.2.3.4:65534\"\r\n\r\nOK\r\n";
    const std::string connectionListing = "\r\n^SICS: 0,\"apn\",\"a\"\r\n\r\nOK\r\n";
    const struct {
        const char* what;
        Job& job;
        bool withoutInternet;
        std::vector<std::pair<std::string, std::string>> answers;  // command, answer ("" silence)
        uint32_t sent;
        uint32_t refused;
        int deadlineStep;
        JobEnding ending;
    } cases[] = {
        {"set-up, every step answered", modemSetupJob, false, {}, stepsUpTo(11), 0, noStep, JobEnding::ok},
        {"set-up, the APN refused", modemSetupJob, false, {{"AT^SICS=0,\"apn\",\"x\"", errorAnswer}}, stepsUpTo(11),
         1u << 6, noStep, JobEnding::error},
        {"set-up, no answer to step 3", modemSetupJob, false, {{"AT^SISS=9,\"srvType\",\"Socket\"", ""}}, stepsUpTo(3),
         0, 3, JobEnding::error},
        {"set-up without internet, a reset refused", modemSetupJob, true, {{"AT^SIPS=all,reset,2", errorAnswer}},
         stepsUpTo(23), 1u << 2, noStep, JobEnding::ok},
        {"query, everything listed", modemQueryJob, false,
         {{"AT^SISS?", serviceListing}, {"AT^SICS?", connectionListing}}, stepsUpTo(5) & ~1u, 0, noStep, JobEnding::ok},
        {"query, nothing stored in profile 0", modemQueryJob, false, {{"AT^SIPS=service,load,0", errorAnswer}},
         stepsUpTo(2) & ~1u, 0, noStep, JobEnding::empty0},
        {"query, nothing stored in profile 9", modemQueryJob, false, {{"AT^SIPS=service,load,9", errorAnswer}},
         stepsUpTo(3) & ~1u, 0, noStep, JobEnding::empty9},
        {"query, no answer to echo off", modemQueryJob, false, {{"ATE0", ""}}, 1u << 1, 0, 1, JobEnding::error},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake::controlById(idNoInternet)->checked = c.withoutInternet;
        jobs::Modem modem;
        for (const auto& [command, answer] : c.answers) modem.overrides[line(command)] = answer;
        const bool setUp = &c.job == &modemSetupJob;
        const JobReport& report = runModemJob(c.job, setUp ? idModemWrite : idModemRead,
                                              setUp ? idSetupStatus : idQueryStatus, modem);
        EXPECT_TRUE(report.escapeSent);
        EXPECT_EQ(report.withoutInternet, c.withoutInternet);
        EXPECT_EQ(report.stepsSent, c.sent);
        EXPECT_EQ(report.stepsRefused, c.refused);
        EXPECT_EQ(report.deadlineStep, c.deadlineStep);
        EXPECT_EQ(report.ending, c.ending);
    }
}

TEST_F(JobReportTest, TheUnitJobsReportTheAnswerTheyTookAndHowTheyEnded) {
    const struct {
        const char* what;
        int button;
        const char* typed;       // into the row's box, for a write
        std::string answer;      // to a read; "" for none
        uint32_t sent;
        int answerLength;
        int deadlineStep;
        JobEnding ending;
    } cases[] = {
        {"a period read answered", readButtonOf(0), "", jobs::unitAnswer(jobs::bytes({0x41, 0x2D})), 1, 5, noStep,
         JobEnding::valueShown},
        {"a period answer cut before its value", readButtonOf(0), "", jobs::unitAnswer("A"), 1, 4, noStep,
         JobEnding::answerTooShort},
        {"a phone answer cut before its number", readButtonOf(2), "", jobs::unitAnswer("0ATD"), 1, 7, noStep,
         JobEnding::answerTooShort},
        {"a phone read answered", readButtonOf(2), "", jobs::unitAnswer("0ATD8916\r\n"), 1, 13, noStep,
         JobEnding::valueShown},
        {"an address read unanswered", readButtonOf(1), "", "", 1, -1, 0, JobEnding::noAnswer},
        {"a period write", writeButtonOf(0), "012", "", 1, -1, noStep, JobEnding::written},
        {"a period write of two digits", writeButtonOf(0), "12", "", 0, -1, noStep, JobEnding::inputRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool read = c.button < writeButtonOf(0);
        const int row = read ? c.button - readButtonOf(0) : c.button - writeButtonOf(0);
        Job& job = *allJobs[read ? readJobOf(row) : writeJobOf(row)];
        type(valueBoxOf(row), c.typed);
        const std::string answer = c.answer;
        respond = [answer](const std::string&) { return answer; };
        press(c.button);
        runJob(job, valueBoxOf(row));
        const JobReport& report = jobReport(job);
        EXPECT_EQ(report.stepsSent, c.sent);
        EXPECT_EQ(report.answerLength, c.answerLength);
        EXPECT_EQ(report.deadlineStep, c.deadlineStep);
        EXPECT_EQ(report.ending, c.ending);
    }
}

// A report is the last run's alone: what an earlier run refused or missed is gone once the job
// leaves rest again, and a start refused for another job's trigger says so.
TEST_F(JobReportTest, EachRunStartsAFreshReport) {
    jobs::Modem refusing;
    refusing.overrides[line("AT^SICS=0,\"apn\",\"x\"")] = errorAnswer;
    refusing.overrides[line("AT^SIPS=connection,save,0")] = "";
    const JobReport& first = runModemJob(modemSetupJob, idModemWrite, idSetupStatus, refusing);
    ASSERT_EQ(first.deadlineStep, 11);
    ASSERT_NE(first.stepsRefused, 0u);
    const JobReport& second = runModemJob(modemSetupJob, idModemWrite, idSetupStatus, jobs::Modem{});
    EXPECT_EQ(second.stepsRefused, 0u);
    EXPECT_EQ(second.deadlineStep, noStep);
    EXPECT_EQ(second.ending, JobEnding::ok);
    EXPECT_EQ(shown(idSetupStatus), "Ok!");

    press(idModemRead);
    press(readButtonOf(0));
    tick();
    EXPECT_EQ(jobReport(periodReadJob).ending, JobEnding::refusedToStart);
    EXPECT_EQ(jobReport(periodReadJob).stepsSent, 0u);
    runJob(modemQueryJob, idQueryStatus);

    respond = [](const std::string& command) {
        return command == line("AT+CGSN") ? std::string("\r\n490154203237518\r\n\r\nOK\r\n") : std::string();
    };
    modemIdentityJob.trigger = 1;
    for (int guard = 0; guard < 200 && modemIdentityJob.trigger != 0; ++guard) tick();
    EXPECT_EQ(jobReport(modemIdentityJob).ending, JobEnding::ok);
    EXPECT_EQ(jobReport(modemIdentityJob).stepsSent, 1u << 1);
}

}  // namespace
