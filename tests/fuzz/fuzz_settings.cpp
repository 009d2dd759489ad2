// The settings-file loader on arbitrary file contents. A file that loads must save and load
// back to the same four values as the boxes show them (a control byte is shown, and so saved,
// as a bullet; a zero byte ends a box's text), and no value may hold more than the file may.
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/app_state.h"
#include "fakes.h"
#include "fuzz_check.h"
#include "modem/settings_file.h"
#include "test_files.h"

using namespace tarnwick;

namespace {

TextField* const fields[4] = {&ipAddressField, &apnField, &userField, &passwordField};

std::string rawOf(TextField& field) {
    uint8_t bytes[TextField::rawCapacity];
    field.useRaw();
    return std::string(reinterpret_cast<char*>(bytes), field.copyOut(bytes));
}

// What an edit box shows: a window's edit box ends its text at a zero byte, where the in-memory
// stand-in would keep going.
std::string shownOf(TextField& field) {
    const std::string& text = fake::controlOf(field.controlHandle())->text;
    return text.substr(0, text.find('\0'));
}

void setAll(const char* text) {
    for (TextField* field : fields) {
        field->useRaw();
        field->assign(text);
        field->show();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        fake::reset();
        int id = idIpAddress;
        for (TextField* field : fields) field->createEdit(0, 0, 200, 20, fake::window(), id++);
        return true;
    }();
    (void)ready;
    std::FILE* file = std::fopen(settingsFileName, "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    setAll("");
    loadSettings();
    std::string loaded[4];
    size_t total = 3;
    for (int i = 0; i < 4; ++i) {
        const std::string raw = rawOf(*fields[i]);
        FUZZ_CHECK(raw.find('\n') == std::string::npos);
        total += raw.size();
        loaded[i] = shownOf(*fields[i]);
    }
    FUZZ_CHECK(total <= settingsMaxContent + 3);
    // A file loaded with fewer than four values saves with all four line ends; past the
    // limit, the save leaves the file as it was.
    size_t saved = 3;
    for (const std::string& value : loaded) saved += value.size();
    const std::string before = fake::fileText(settingsFileName);
    saveSettings();
    if (saved > settingsMaxContent) {
        FUZZ_CHECK(fake::fileText(settingsFileName) == before);
        return 0;
    }
    setAll("x");
    loadSettings();
    for (int i = 0; i < 4; ++i) FUZZ_CHECK(shownOf(*fields[i]) == loaded[i]);
    std::remove(settingsFileName);
    return 0;
}
