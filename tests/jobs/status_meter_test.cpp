// The Modem Status windows' signal meter: where a dBm stands on it, where the signal bands'
// edges are marked, and what the meter shows of a check's signal item.
#include <gtest/gtest.h>

#include "modem/status_job.h"
#include "modem/status_meaning.h"
#include "provision/network_check.h"

using namespace tarnwick;
using namespace tarnwick::provision;

namespace {

TEST(MeterLevel, RunsFromTheBottomToTheTopOfWhatCsqGives) {
    const struct {
        int dbm;
        int level;
    } cases[] = {
        {-200, 0}, {-114, 0}, {-113, 0}, {-111, 3}, {-93, 32}, {-83, 48}, {-82, 50},
        {-73, 64}, {-52, 98}, {-51, 100}, {-50, 100}, {0, 100},
    };
    for (const auto& c : cases) EXPECT_EQ(meterLevel(c.dbm), c.level) << c.dbm << " dBm";
}

TEST(MeterLevel, MarksTheBandsInOrderInsideTheMeter) {
    int above = 101;
    for (const SignalBand& band : signalBands) {
        const int level = meterLevel(band.lowestDbm);
        EXPECT_GT(level, 0) << band.lowestDbm;
        EXPECT_LT(level, above) << band.lowestDbm;  // the bands run from the best down
        above = level;
    }
}

ModemStatus withSignal(ItemState state, int rssi) {
    ModemStatus status;
    status.states[size_t(StatusItem::signal)] = state;
    status.rssi = rssi;
    return status;
}

TEST(SignalMeter, ShowsTheAnsweredSignalAndItsWord) {
    const struct {
        ItemState state;
        int rssi;
        bool known;
        int dbm;
        int level;
        const char* text;
    } cases[] = {
        {ItemState::answered, 0, true, -113, 0, "-113 dBm, poor"},
        {ItemState::answered, 10, true, -93, 32, "-93 dBm, fair"},
        {ItemState::answered, 15, true, -83, 48, "-83 dBm, good"},
        {ItemState::answered, 22, true, -69, 70, "-69 dBm, excellent"},
        {ItemState::answered, 31, true, -51, 100, "-51 dBm, excellent"},
        {ItemState::answered, 99, false, 0, 0, "unknown"},
        {ItemState::answered, 32, false, 0, 0, "unknown"},
        {ItemState::answered, -1, false, 0, 0, "unknown"},
        // An rssi left from a modem's earlier line means nothing unless the item was answered.
        {ItemState::notAsked, 15, false, 0, 0, "unknown"},
        {ItemState::notAvailable, 15, false, 0, 0, "unknown"},
        {ItemState::noAnswer, 15, false, 0, 0, "unknown"},
    };
    for (const auto& c : cases) {
        const SignalMeter meter = signalMeter(withSignal(c.state, c.rssi));
        EXPECT_EQ(meter.known, c.known) << c.rssi;
        EXPECT_EQ(meter.text, c.text) << c.rssi;
        if (c.known) {
            EXPECT_EQ(meter.dbm, c.dbm) << c.rssi;
            EXPECT_EQ(meter.level, c.level) << c.rssi;
        }
    }
}

}  // namespace
