#pragma once
// A modem on the fake link for the set-up and query tests: answers each AT command the way
// the classifier knows, with the form chosen per command.
#include <map>
#include <string>
#include <vector>

#include "job_link.h"

namespace jobs {

const std::string okAnswer = "\r\nOK\r\n";
const std::string blankOkAnswer = "\r\n\r\nOK\r\n";
const std::string errorAnswer = "\r\nERROR\r\n";

// The command with CR LF, as it goes on the line.
inline std::string line(const std::string& text) { return text + "\r\n"; }

// Answers the echo-off and the three no-internet closing commands with OK, everything else
// with the blank-line OK; `overrides` replaces the answer to single commands ("" = silence).
struct Modem {
    std::map<std::string, std::string> overrides;

    std::string operator()(const std::string& command) const {
        const auto found = overrides.find(command);
        if (found != overrides.end()) return found->second;
        if (command == line("+++")) return "";
        if (command == line("ATE0") || command == line("AT+CMGF=1") || command == line("AT&D0") ||
            command == line("AT&W"))
            return okAnswer;
        return blankOkAnswer;
    }
};

class ModemTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        marks.clear();
    }

    // Ticks until the job's trigger drops (or a guard runs out); after every tick that sent
    // something, notes the status field's text.
    void runJob(tarnwick::Job& job, int statusId, int guard = 400) {
        while (job.trigger != 0 && guard-- > 0) {
            const size_t before = sent.size();
            tick();
            if (sent.size() != before) marks.push_back(shown(statusId));
        }
        ASSERT_EQ(job.trigger, 0) << "the job never ended";
        EXPECT_EQ(job.state, 0);
    }

    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        for (const Sent& s : sent) out.push_back(s.bytes);
        return out;
    }

    std::vector<std::string> marks;
};

}  // namespace jobs
