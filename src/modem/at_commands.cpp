#include "modem/at_commands.h"

namespace tarnwick {

// The length byte is a literal of its own so that a text beginning with a hex digit cannot
// run into its escape.
constexpr const char* AtCommandTable[atCommandCount] = {
    "\x05" "+++\r\n",
    "\x06" "ATE0\r\n",
    "\x0A" "AT^SICS?\r\n",
    "\x1D" "AT^SICS=0,\"conType\",\"GPRS0\"\r\n",
    "\x14" "AT^SICS=0,\"apn\",\"\"\r\n",
    "\x15" "AT^SICS=0,\"user\",\"\"\r\n",
    "\x17" "AT^SICS=0,\"passwd\",\"\"\r\n",
    "\x1B" "AT^SIPS=connection,save,0\r\n",
    "\x18" "AT^SIPS=service,load,0\r\n",
    "\x18" "AT^SIPS=service,load,9\r\n",
    "\x0A" "AT^SISS?\r\n",
    "\x1E" "AT^SISS=0,\"srvType\",\"Socket\"\r\n",
    "\x30" "AT^SISS=0,\"address\",\"socktcp://listener:65534\"\r\n",
    "\x18" "AT^SIPS=service,save,0\r\n",
    "\x1E" "AT^SISS=9,\"srvType\",\"Socket\"\r\n",
    "\x29" "AT^SISS=9,\"address\",\"socktcp:// :65534\"\r\n",
    "\x18" "AT^SIPS=service,save,9\r\n",
    "\x15" "AT^SIPS=all,reset,0\r\n",
    "\x14" "AT^SIPS=all,save,0\r\n",
    "\x15" "AT^SIPS=all,reset,1\r\n",
    "\x14" "AT^SIPS=all,save,1\r\n",
    "\x15" "AT^SIPS=all,reset,2\r\n",
    "\x14" "AT^SIPS=all,save,2\r\n",
    "\x15" "AT^SIPS=all,reset,3\r\n",
    "\x14" "AT^SIPS=all,save,3\r\n",
    "\x15" "AT^SIPS=all,reset,4\r\n",
    "\x14" "AT^SIPS=all,save,4\r\n",
    "\x15" "AT^SIPS=all,reset,5\r\n",
    "\x14" "AT^SIPS=all,save,5\r\n",
    "\x19" "AT^SIPS=service,reset,6\r\n",
    "\x18" "AT^SIPS=service,save,6\r\n",
    "\x19" "AT^SIPS=service,reset,7\r\n",
    "\x18" "AT^SIPS=service,save,7\r\n",
    "\x19" "AT^SIPS=service,reset,8\r\n",
    "\x18" "AT^SIPS=service,save,8\r\n",
    "\x19" "AT^SIPS=service,reset,9\r\n",
    "\x0B" "AT+CMGF=1\r\n",
    "\x07" "AT&D0\r\n",
    "\x06" "AT&W\r\n",
};

namespace {

// Every length byte must count its text exactly, CR LF included, and the text must end in CR
// LF; the build fails otherwise.
constexpr bool entryConsistent(const char* entry) {
    size_t n = 0;
    while (entry[1 + n] != 0) ++n;
    return n >= 2 && static_cast<unsigned char>(entry[0]) == n && entry[n - 1] == '\r' &&
           entry[n] == '\n';
}

constexpr bool tableConsistent() {
    for (const char* entry : AtCommandTable)
        if (!entryConsistent(entry)) return false;
    return true;
}

static_assert(tableConsistent(), "an AT command's length byte does not match its text");

}  // namespace

}  // namespace tarnwick
