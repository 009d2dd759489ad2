#pragma once
// The AT commands of the modem set-up and query. Each entry is stored the way it is sent: one
// length byte n, then the n text bytes ending in CR LF, then a zero byte that is never sent.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

enum AtCommandId : uint8_t {
    atEscape,               // +++
    atEchoOff,              // ATE0
    atConnectionQuery,      // AT^SICS?
    atConnectionType,       // AT^SICS=0,"conType","GPRS0"
    atConnectionApn,        // AT^SICS=0,"apn",""          edited
    atConnectionUser,       // AT^SICS=0,"user",""         edited
    atConnectionPassword,   // AT^SICS=0,"passwd",""       edited
    atConnectionSave0,      // AT^SIPS=connection,save,0
    atServiceLoad0,         // AT^SIPS=service,load,0
    atServiceLoad9,         // AT^SIPS=service,load,9
    atServiceQuery,         // AT^SISS?
    atService0Type,         // AT^SISS=0,"srvType","Socket"
    atService0Address,      // AT^SISS=0,"address","socktcp://listener:65534"
    atServiceSave0,         // AT^SIPS=service,save,0
    atService9Type,         // AT^SISS=9,"srvType","Socket"
    atService9Address,      // AT^SISS=9,"address","socktcp:// :65534"   edited
    atServiceSave9,         // AT^SIPS=service,save,9
    atAllReset0,            // AT^SIPS=all,reset,0 and save,0 .. reset,5 and save,5 alternate
    atAllSave0,
    atAllReset1,
    atAllSave1,
    atAllReset2,
    atAllSave2,
    atAllReset3,
    atAllSave3,
    atAllReset4,
    atAllSave4,
    atAllReset5,
    atAllSave5,
    atServiceReset6,        // AT^SIPS=service,reset,6 and save,6 .. reset,9
    atServiceSave6,
    atServiceReset7,
    atServiceSave7,
    atServiceReset8,
    atServiceSave8,
    atServiceReset9,
    atTextMode,             // AT+CMGF=1
    atIgnoreDtr,            // AT&D0
    atStoreSettings,        // AT&W
    atCommandCount
};

extern const char* const AtCommandTable[atCommandCount];

// The counted command: its length byte, then the text.
inline const uint8_t* atCommand(AtCommandId id) {
    return reinterpret_cast<const uint8_t*>(AtCommandTable[id]);
}

}  // namespace tarnwick
