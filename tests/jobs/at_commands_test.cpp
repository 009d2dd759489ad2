// The stored AT commands: what the modem receives is exactly these bytes, and the length byte
// decides how many of them go out.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "modem/at_commands.h"

using namespace tarnwick;

namespace {

TEST(AtCommandTableTest, EveryEntryIsLengthByteTextCrLfAndAZeroByte) {
    const struct {
        const char* text;
        int length;
    } expected[atCommandCount] = {
        {"+++", 5},
        {"ATE0", 6},
        {"AT^SICS?", 10},
        {"AT^SICS=0,\"conType\",\"GPRS0\"", 29},
        {"AT^SICS=0,\"apn\",\"\"", 20},
        {"AT^SICS=0,\"user\",\"\"", 21},
        {"AT^SICS=0,\"passwd\",\"\"", 23},
        {"AT^SIPS=connection,save,0", 27},
        {"AT^SIPS=service,load,0", 24},
        {"AT^SIPS=service,load,9", 24},
        {"AT^SISS?", 10},
        {"AT^SISS=0,\"srvType\",\"Socket\"", 30},
        {"AT^SISS=0,\"address\",\"socktcp://listener:65534\"", 48},
        {"AT^SIPS=service,save,0", 24},
        {"AT^SISS=9,\"srvType\",\"Socket\"", 30},
        {"AT^SISS=9,\"address\",\"socktcp:// :65534\"", 41},
        {"AT^SIPS=service,save,9", 24},
        {"AT^SIPS=all,reset,0", 21},
        {"AT^SIPS=all,save,0", 20},
        {"AT^SIPS=all,reset,1", 21},
        {"AT^SIPS=all,save,1", 20},
        {"AT^SIPS=all,reset,2", 21},
        {"AT^SIPS=all,save,2", 20},
        {"AT^SIPS=all,reset,3", 21},
        {"AT^SIPS=all,save,3", 20},
        {"AT^SIPS=all,reset,4", 21},
        {"AT^SIPS=all,save,4", 20},
        {"AT^SIPS=all,reset,5", 21},
        {"AT^SIPS=all,save,5", 20},
        {"AT^SIPS=service,reset,6", 25},
        {"AT^SIPS=service,save,6", 24},
        {"AT^SIPS=service,reset,7", 25},
        {"AT^SIPS=service,save,7", 24},
        {"AT^SIPS=service,reset,8", 25},
        {"AT^SIPS=service,save,8", 24},
        {"AT^SIPS=service,reset,9", 25},
        {"AT+CMGF=1", 11},
        {"AT&D0", 7},
        {"AT&W", 6},
    };
    for (int i = 0; i < atCommandCount; ++i) {
        const uint8_t* entry = atCommand(static_cast<AtCommandId>(i));
        const std::string text(reinterpret_cast<const char*>(entry + 1), entry[0]);
        EXPECT_EQ(entry[0], expected[i].length) << "entry " << i + 1;
        EXPECT_EQ(text, std::string(expected[i].text) + "\r\n") << "entry " << i + 1;
        EXPECT_EQ(entry[1 + entry[0]], 0) << "entry " << i + 1 << " is followed by a zero byte";
    }
}

}  // namespace
