// Bursts that arrive from a reader thread and are classified through the program's real event
// loop (the timer request, its expiry, the classifier) allocate nothing, with the window up
// and its tick running.
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/app_state.h"
#include "counting_new.h"
#include "qt_support.h"
#include "serial/buffers.h"
#include "serial/burst.h"

using namespace tarnwick;

namespace {

class QtAllocation : public qttest::WindowTest {};

TEST_F(QtAllocation, BurstsThroughTheEventLoopAllocateNothing) {
    openWindow();
    window->start();
    constexpr int warmUp = 2;
    constexpr int measured = 10;
    std::atomic<int> sent{0};
    // Made before the count starts: starting a thread allocates.
    std::thread reader([&sent] {
        static const uint8_t frame[] = {0x0A, 0x21, 0xAA, 0x40, 0x11, 'T', 'N', '\r', '\n'};
        for (int i = 0; i < warmUp + measured; ++i) {
            appendReceived(frame, sizeof frame);
            sent.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(quietMs + 100));
        }
    });
    int classified = 0;
    const auto classifyNext = [&classified] {
        responseStatus = 0;
        QTRY_VERIFY_WITH_TIMEOUT((responseStatus & frameBit) != 0, 5000);
        ++classified;
    };
    for (int i = 0; i < warmUp; ++i) classifyNext();

    counting::allocations = 0;
    counting::on = true;
    for (int i = 0; i < measured; ++i) classifyNext();
    counting::on = false;
    reader.join();

    EXPECT_EQ(counting::allocations.load(), 0);
    EXPECT_EQ(classified, warmUp + measured) << "every burst went through the loop";
    EXPECT_EQ(quiet->expiries(), warmUp + measured);
    EXPECT_GT(tickCount, 40u) << "the tick ran meanwhile";
}

}  // namespace
