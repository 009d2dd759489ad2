#include "modem/settings_file.h"

#include <cstdio>

#include "base/app_state.h"
#include "modem/file_store.h"

namespace tarnwick {

namespace {

// The loader reads one character more than the largest content, to tell an over-long file.
constexpr size_t readLimit = settingsMaxContent + 1;

TextField* const settingsFields[4] = {&ipAddressField, &apnField, &userField, &passwordField};

}  // namespace

int writeSettingsFile(const uint8_t* content, size_t count) {
    // Every LF becomes CR LF, as a text-mode write on Windows does; a CR stays as it is.
    uint8_t disk[2 * settingsMaxContent];
    if (count > settingsMaxContent) return 1;
    size_t used = 0;
    for (size_t i = 0; i < count; ++i) {
        if (content[i] == '\n') disk[used++] = '\r';
        disk[used++] = content[i];
    }
    return replaceFileContents(settingsFileName, disk, used);
}

int readSettingsFile(uint8_t* content, size_t capacity, size_t* count) {
    *count = 0;
    std::FILE* file = std::fopen(settingsFileName, "rb");
    if (file == nullptr) return 1;
    // Each character takes at most two bytes on disk; one more byte shows whether a CR that
    // ends the chunk is the first half of a line end.
    uint8_t disk[2 * readLimit + 1];
    const size_t read = std::fread(disk, 1, sizeof disk, file);
    std::fclose(file);

    size_t used = 0;
    for (size_t i = 0; i < read && used < capacity; ++i) {
        if (disk[i] == '\r' && i + 1 < read && disk[i + 1] == '\n') ++i;
        content[used++] = disk[i];
    }
    *count = used;
    return 0;
}

bool settingsSaveEnabled = true;

void saveSettings() {
    if (!settingsSaveEnabled) return;
    uint8_t content[4 * TextField::rawCapacity + 3];
    size_t used = 0;
    for (int i = 0; i < 4; ++i) {
        TextField& field = *settingsFields[i];
        field.useRaw();
        field.pull();
        used += field.copyOut(content + used);
        if (i < 3) content[used++] = '\n';
    }
    if (used > settingsMaxContent) return;
    writeSettingsFile(content, used);
}

void loadSettings() {
    // Loaded at every start: a temporary file from a save cut short ends here at the latest.
    removeStaleTemporaries(settingsFileName);
    uint8_t content[readLimit];
    size_t count = 0;
    if (readSettingsFile(content, readLimit, &count) != 0) return;
    if (count >= readLimit) return;

    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t end = start;
        while (end < count && content[end] != '\n') ++end;
        // Values 1 to 3 need their line end; the last one may stop at the end of the data.
        if (i < 3 && end == count) return;
        TextField& field = *settingsFields[i];
        field.useRaw();
        field.assign(content + start, static_cast<uint32_t>(end - start));
        field.show();
        start = end + 1;
    }
}

void blankSettings() {
    for (TextField* field : settingsFields) {
        field->useRaw();
        field->assign(nullptr, 0);
        field->show();
    }
}

}  // namespace tarnwick
