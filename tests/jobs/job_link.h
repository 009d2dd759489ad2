#pragma once
// The link as the job tests see it: the whole main window on fake controls, a writer that
// records each send with the tick it was made on, and answers delivered as quiet-ended bursts.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/layout.h"
#include "app/tick.h"
#include "base/app_state.h"
#include "fakes.h"
#include "modem/settings_file.h"
#include "serial/buffers.h"
#include "serial/send_queue.h"
#include "test_files.h"

namespace jobs {

struct Sent {
    uint32_t tick;
    std::string bytes;
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::startWithOpenLink();
        fake::nowMs = 5000;
        sent.clear();
        respond = nullptr;
    }
    void TearDown() override { std::remove(tarnwick::settingsFileName); }

    // One main tick; what it sent is recorded with the tickCount it ran on, and each command is
    // answered through the responder, if one is set, as a burst seen from the next tick on.
    void tick() {
        const uint32_t now = tarnwick::tickCount;
        const size_t before = sent.size();
        tarnwick::mainTick();
        uint8_t bytes[255];
        int n;
        while ((n = tarnwick::takePendingSend(bytes)) >= 0)
            sent.push_back({now, std::string(reinterpret_cast<char*>(bytes), n)});
        if (!respond) return;
        for (size_t i = before; i < sent.size(); ++i) {
            const std::string reply = respond(sent[i].bytes);
            if (!reply.empty()) fake::deliverBurst(reply);
        }
    }
    void ticks(int count) {
        for (int i = 0; i < count; ++i) tick();
    }
    // Ticks until tickCount reaches `target` (the tick numbered `target` has not run yet).
    void tickUntil(uint32_t target) {
        while (tarnwick::tickCount != target) tick();
    }

    void press(int id) { tarnwick::handleCommand(id, tarnwick::notifyClick); }
    void type(int id, const std::string& text) { fake::controlById(id)->text = text; }
    std::string shown(int id) { return fake::controlById(id)->text; }
    void answer(const std::string& bytes) { fake::deliverBurst(bytes); }

    std::vector<Sent> sent;
    std::function<std::string(const std::string&)> respond;
};

inline std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

// A unit answer: start mark, then the rest.
inline std::string unitAnswer(const std::string& rest) { return bytes({0x0A, 0x21, 0xAA}) + rest; }

using fake::fileExists;
using fake::fileText;

}  // namespace jobs
