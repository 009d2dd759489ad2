#pragma once
// A simulated КОРДИН 7190 and its cellular modem on the master end of a pseudo-terminal.
// The program under test opens the slave end (slavePath()) as its serial port. Tests use the
// Device in-process; tarnwick-devsim wraps it as a program.
//
// Everything the device receives is logged with a time stamp, and what it answers can be
// disturbed by fault switches, so that tests can drive the serial link through its edge cases.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace devsim {

// Ways to disturb the answers. They apply to the unit and to the modem alike, and to every
// answer produced after they were set.
struct Faults {
    bool silent = false;       // answer nothing at all, not even the echo
    bool errorToAll = false;   // every command line and unit read is answered "\r\nERROR\r\n"
                               // and changes nothing
    int delayMs = 0;           // each answer starts this much later
    int chunks = 1;            // each answer goes out in this many pieces ...
    int chunkGapMs = 80;       // ... this far apart, each timed from when the piece before
                               // it was written (keep it under 200 for one burst)
    size_t floodTo = 0;        // pad each answer with filler up to this many bytes (0: off)
    std::string garbage;       // bytes sent in front of each answer
    size_t cutAfter = 0;       // each answer stops after this many bytes and the rest never
                               // comes, as when a device resets mid-answer (0: off)
    std::string errorTo;       // a command line beginning with this is answered "\r\nERROR\r\n"
                               // and changes nothing (empty: none)
};

// The unit's own parameters. The period and the address are kept as the numbers written
// (000..999); a read answers with their low byte, the unit stores nothing wider.
struct UnitValues {
    int period = 0;
    int address = 0;
    std::string phone[3];  // receiver 1 / transmitter, receiver 2, operator's SMS number
};

// One connection or service profile: its parameters by name, in the order they were set.
struct Profile {
    std::vector<std::pair<std::string, std::string>> values;
    std::string get(const std::string& key) const;
    void set(const std::string& key, const std::string& value);
};

constexpr int connectionProfiles = 6;  // 0..5
constexpr int serviceProfiles = 10;    // 0..9

enum class Sim { ready, absent, pin, puk };
// The stat of +CREG and +CGREG.
enum class Registration { none = 0, home = 1, searching = 2, denied = 3, roaming = 5 };

struct ModemState {
    bool echo = true;  // on at power-up
    // What AT+CGSN answers: the modem's IMEI, fifteen digits whose last is the Luhn check
    // digit. Empty: the modem answers ERROR, as one whose identity is locked away does.
    std::string imei = "352099001761481";
    int messageFormat = 0;
    int dtrMode = 2;
    // What the standard status commands answer. A SIM that is not ready keeps the modem off
    // the network (+CREG 0, +COPS without an operator, detached) and its IMSI locked away; the
    // ICCID can be read whenever a SIM is in. A registered modem is attached for packet data
    // only when `attach` is set; until then +CGREG says 0, as for a modem whose attach failed.
    Sim sim = Sim::ready;
    int rssi = 13;  // -87 dBm, a fair signal
    int ber = 99;
    Registration registration = Registration::home;
    bool attach = true;
    std::string operatorName = "MegaFon";  // digits alone: a numeric code, given in format 2
    std::string imsi = "250017012345678";
    std::string iccid = "89701012345678901234";
    int errorMode = 0;   // AT+CMEE: 0 plain ERROR, 1 +CME ERROR: <n>, 2 +CME ERROR: <text>
    int cregMode = 0;    // AT+CREG=<n>: 2 adds the location to +CREG?
    int cgregMode = 0;   // AT+CGREG=<n>
    bool written = false;  // AT&W seen
    Profile connection[connectionProfiles];
    Profile service[serviceProfiles];
    // The stored copies and whether anything was ever stored (AT^SIPS=...,save).
    Profile storedConnection[connectionProfiles];
    Profile storedService[serviceProfiles];
    bool connectionStored[connectionProfiles] = {};
    bool serviceStored[serviceProfiles] = {};
};

// A received or sent chunk and when it passed, in milliseconds since the device started.
struct Chunk {
    uint32_t atMs;
    std::string bytes;
};

class Device {
public:
    Device();
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // False when the pseudo-terminal could not be created; slavePath() is then empty.
    bool ok() const { return master_ >= 0 || vanished_; }
    const std::string& slavePath() const { return slavePath_; }

    void setFaults(const Faults& faults);
    Faults faults() const;

    void setUnit(const UnitValues& values);
    UnitValues unit() const;

    void setModem(const ModemState& state);
    ModemState modem() const;
    // One change to the modem, made under the device's lock so that nothing the modem is
    // doing meanwhile is lost; the setters below are the changes tests make between checks.
    void changeModem(const std::function<void(ModemState&)>& change);
    void setSim(Sim sim);
    void setSignal(int rssi);
    void setRegistration(Registration registration);
    void setAttach(bool attach);
    void setOperatorName(const std::string& name);

    // One line of tarnwick-devsim's control file: an option's name without its dashes and its
    // value ("signal 20", "sim absent", "registration roaming", "delay 300"), or "silent 1",
    // "error 0", "echo 1". False, with the reason, for a line it does not know.
    bool applyControl(const std::string& line, std::string* why);

    // Everything received so far, as one string and as the chunks read from the master.
    std::string received() const;
    std::vector<Chunk> receivedChunks() const;
    // Everything written to the master so far (answers, echoes, injected bytes).
    std::string sent() const;
    std::vector<Chunk> sentChunks() const;
    void clearLogs();

    // Waits until at least `count` bytes have been received in all / `text` occurs in what
    // was received / at least `count` bytes have been sent. False on time-out.
    bool waitForBytes(size_t count, int timeoutMs) const;
    bool waitForText(const std::string& text, int timeoutMs) const;
    bool waitForSent(size_t count, int timeoutMs) const;

    // Number of unit frames and modem command lines handled so far.
    int framesHandled() const;
    int linesHandled() const;

    // Writes bytes to the line as they are, at once (or after earlier queued answers).
    void sendRaw(const std::string& bytes);

    // The device is pulled: the pseudo-terminal's master and the device's own slave
    // descriptor are closed, so the program sees a hang-up. Nothing works afterwards.
    void vanish();

private:
    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::string bytes;
        int gapMs;  // >= 0: due this long after the entry before it has been written
    };
    enum class Input { idle, markLf, markBang, frame, line };

    void run();
    uint32_t elapsedMs() const;
    void wake();
    void feed(const char* bytes, size_t count, std::chrono::steady_clock::time_point now);
    void feedByte(uint8_t byte, std::chrono::steady_clock::time_point now);
    void checkTimers(std::chrono::steady_clock::time_point now);
    void frameByte(uint8_t byte, std::chrono::steady_clock::time_point now);
    void finishFrame(std::chrono::steady_clock::time_point now);
    void finishLine(std::chrono::steady_clock::time_point now);
    void answer(const std::string& bytes, std::chrono::steady_clock::time_point now);
    void enqueue(const std::string& bytes, std::chrono::steady_clock::time_point due,
                 int gapMs = -1);
    void flushDue(std::chrono::steady_clock::time_point now);
    int pollTimeoutMs(std::chrono::steady_clock::time_point now) const;
    void closeDescriptors();

    std::string unitRead(uint8_t selector);
    void unitWrite(const std::string& frame);

    int master_ = -1;
    int slave_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    bool vanished_ = false;
    std::string slavePath_;
    std::chrono::steady_clock::time_point start_;
    std::thread thread_;

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    bool stop_ = false;
    Faults faults_;
    UnitValues unit_;
    ModemState modem_;
    std::string received_;
    std::vector<Chunk> receivedChunks_;
    std::string sent_;
    std::vector<Chunk> sentChunks_;
    int frames_ = 0;
    int lines_ = 0;

    // Service-thread state, guarded by lock_ as well.
    Input input_ = Input::idle;
    std::string frame_;
    std::string line_;
    bool lineOverflow_ = false;
    std::chrono::steady_clock::time_point lastByte_;
    size_t swallow_ = 0;  // filler bytes behind a read request still to be ignored
    std::chrono::steady_clock::time_point swallowUntil_;
    std::deque<Pending> out_;
    std::string writing_;  // the part of the front pending entry not yet written
    std::chrono::steady_clock::time_point lastDue_;
};

// What the modem answers to one command line (without its CR), changing its state as the
// command says: the OK, blank-line OK or ERROR forms, the listings, or nothing for a line that
// is no command. The echo and the fault switches are the Device's business.
std::string answerModemLine(ModemState& modem, const std::string& line);

// The answer to one of the standard status commands (AT+CPIN?, AT+CSQ, AT+CREG? ... AT+CRSM,
// AT+CMEE), changing the modem as AT+CMEE=, AT+CREG= and AT+CGREG= say; empty for any other
// line. An error is given as the error mode says: ERROR, +CME ERROR: <n> or its words.
std::string answerStatusCommand(ModemState& modem, const std::string& command);
std::string equipmentError(const ModemState& modem, int code);
// The status options of parseDeviceOption ("--sim", "--signal" ...): 2 when taken, -1 for a bad
// value, 0 for another option.
int parseStatusOption(const std::string& option, const char* value, ModemState& modem);

// Parses the fault and value options shared by the program and its tests ("--silent",
// "--delay 300", ...). Returns the number of arguments consumed at argv[i] (0 when the
// argument is not one of them, -1 when its value is missing or malformed).
int parseDeviceOption(int argc, char** argv, int i, Faults& faults, UnitValues& unit,
                      ModemState& modem);

// The usage text of parseDeviceOption's options.
const char* deviceOptionsHelp();

}  // namespace devsim
