#include "provision/window_profile.h"

#include <iterator>

#include "app/layout.h"
#include "base/app_state.h"
#include "base/control.h"
#include "modem/settings_file.h"
#include "provision/boxes.h"
#include "provision/runs.h"
#include "provision/run_jobs.h"

namespace tarnwick::provision {

namespace {

// A job cut short by Cancel still runs to its own end, bounded by its deadlines.
constexpr int jobEndLimitMs = 60000;

bool holdsControlCharacter(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

std::string valueFailure(const std::string& path, uint32_t line, const char* key, const std::string& why) {
    return "profile " + path + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + key + ": " + why;
}

// Why a text cannot go into its box, or an empty text.
std::string boxRefusal(Value value, const std::string& text, const BoxFits& fits) {
    const bool secret = value == Value::password;
    const std::string shown = secret ? std::string("the password") : "\"" + deviceToUtf8(text) + "\"";
    if (holdsControlCharacter(text)) return shown + " holds a control character, which its box cannot hold";
    if (!fits(boxOf(value), text)) return shown + " is longer than its box holds";
    return {};
}

bool namesPanelValue(const Profile& profile) {
    for (Value value : modemValues)
        if (profile.values[size_t(value)]) return true;
    return profile.passwordFile.has_value();
}

// The boxes a comparison's reads go through, exactly as their controls show them.
struct Snapshot {
    struct Box {
        TextField* field;
        bool raw;
        std::string text;
    };
    std::vector<Box> boxes;
    bool noInternet = false;
};

Snapshot takeSnapshot() {
    Snapshot snapshot;
    for (const ControlSpec& control : mainControls) {
        TextField* field = control.field;
        if (field == nullptr || field == &portNameField || field == &portStatusField) continue;
        uint8_t text[TextField::displayCapacity + 1];
        const size_t length =
            field->controlHandle() != nullptr ? getControlText(field->controlHandle(), text, sizeof text) : 0;
        snapshot.boxes.push_back({field, field->rawSelected(), std::string(reinterpret_cast<char*>(text), length)});
    }
    snapshot.noInternet = isCheckBoxChecked(mainWindow, idNoInternet);
    return snapshot;
}

void restore(const Snapshot& snapshot) {
    for (const Snapshot::Box& box : snapshot.boxes) {
        TextField& field = *box.field;
        if (field.controlHandle() != nullptr)
            setControlText(field.controlHandle(), reinterpret_cast<const uint8_t*>(box.text.data()), box.text.size());
        // Both views as the control holds it again, not as the reads left them.
        field.useDisplay();
        field.pull();
        field.useRaw();
        field.pull();
        if (!box.raw) field.useDisplay();
    }
    setCheckBoxChecked(mainWindow, idNoInternet, snapshot.noInternet);
}

}  // namespace

std::string openProfile(const std::string& path, const BoxFits& fits, OpenedProfile* opened) {
    *opened = OpenedProfile{};
    Profile profile;
    const std::string failed = readProfile(path, &profile);
    if (!failed.empty()) return failed;
    const bool noInternet = profile.noInternet.value_or(false);
    for (size_t v = 0; v < valueCount; ++v) {
        const Value value = static_cast<Value>(v);
        if (!profile.values[v]) continue;
        // A checked box sends no modem value; the profile would say two things at once.
        if (noInternet && value >= Value::ip)
            return valueFailure(path, profile.lines[v], valueName(value),
                                "no modem values go with no-internet = true");
        const std::string refused = boxRefusal(value, *profile.values[v], fits);
        if (!refused.empty()) return valueFailure(path, profile.lines[v], valueName(value), refused);
    }
    if (profile.passwordFile && noInternet)
        return valueFailure(path, profile.passwordFileLine, "password-file",
                            "no modem values go with no-internet = true");
    if (profile.passwordFile) opened->passwordFile = passwordFileOf(path, *profile.passwordFile);
    opened->profile = profile;
    return {};
}

std::string readProfilePassword(const std::string& passwordFile, const BoxFits& fits, std::string* password) {
    password->clear();
    std::string bytes;
    const std::string failed = readPasswordFile(passwordFile, &bytes);
    if (!failed.empty()) return failed;
    const std::string refused = boxRefusal(Value::password, bytes, fits);
    if (!refused.empty()) return "password: " + refused + " (" + passwordFile + ")";
    *password = bytes;
    return {};
}

void fillWindow(const Profile& profile, const std::string* password) {
    for (Value value : unitValues)
        if (profile.values[size_t(value)]) putBoxText(boxOf(value), *profile.values[size_t(value)]);
    const bool checked = profile.noInternet ? *profile.noInternet
                                            : !namesPanelValue(profile) && isCheckBoxChecked(mainWindow, idNoInternet);
    setCheckBoxChecked(mainWindow, idNoInternet, checked);
    if (checked) {
        blankSettings();
        return;
    }
    for (Value value : modemValues)
        if (profile.values[size_t(value)]) putBoxText(boxOf(value), *profile.values[size_t(value)]);
    if (password != nullptr) putBoxText(idPassword, *password);
}

Profile windowProfile() {
    Profile profile;
    for (Value value : unitValues) {
        std::string text = boxText(boxOf(value));
        if (!text.empty()) profile.values[size_t(value)] = std::move(text);
    }
    if (isCheckBoxChecked(mainWindow, idNoInternet)) {
        profile.noInternet = true;
        return profile;
    }
    for (Value value : modemValues) {
        std::string text = boxText(boxOf(value));
        if (!text.empty()) profile.values[size_t(value)] = std::move(text);
        if (profile.values[size_t(value)]) profile.noInternet = false;
    }
    return profile;
}

std::string saveWindowProfile(const std::string& path) {
    const Profile profile = windowProfile();
    bool named = profile.noInternet.has_value();
    for (const std::optional<std::string>& value : profile.values) named = named || value.has_value();
    if (!named) return "profile " + path + ": nothing to save, every box is empty; no profile written";
    return writeProfile(path, profile);
}

std::string compareWithProfile(const std::string& path, ComparisonReport* report) {
    *report = ComparisonReport{};
    Profile profile;
    const std::string failed = readProfile(path, &profile);
    if (!failed.empty()) return failed;
    if (portHandle == invalidPort) return "the port is not open: choose Communication, Open the Port first";
    if (!jobsAtRest()) return "a Read or Write is still running; compare once it has ended";

    Wanted wanted;
    wanted.values = profile.values;
    wanted.noInternet = profile.noInternet.value_or(false);
    // Named so that its line says it cannot be read back; the file itself is never opened.
    if (profile.passwordFile) wanted[Value::password] = std::string();

    interruptRequested.store(false);
    const Snapshot before = takeSnapshot();
    bool deviceNoInternet = false;
    Run read = readWanted(wanted, &deviceNoInternet);
    report->interrupted = interruptRequested.load();
    runJobsUntil([] { return !!jobsAtRest(); }, jobEndLimitMs);
    restore(before);
    interruptRequested.store(false);

    // The run's own line about an interruption speaks of the command line's closed port; the
    // window's port stays open and the report says it was cancelled.
    if (read.exitCode == exitInterrupted && !read.failures.empty()) read.failures.pop_back();
    report->lines = compareWithDevice(wanted, read, deviceNoInternet);
    report->failures = read.failures;
    return {};
}

std::string jobInProgress() {
    for (int index = 0; index < jobCount; ++index) {
        const Job& job = *allJobs[index];
        if (job.trigger == 0 && job.state == 0) continue;
        if (index == modemQueryIndex) return "querying the modem";
        if (index == modemSetupIndex) return "setting the modem up";
        return std::string(isReadJob(index) ? "reading " : "writing ") + valueName(static_cast<Value>(rowOfJob(index)));
    }
    return {};
}

}  // namespace tarnwick::provision
