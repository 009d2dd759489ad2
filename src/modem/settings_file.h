#pragma once
// "_data.ini" in the working directory keeps the modem panel's four values between runs: one
// value a line, LF in memory and CR LF on disk on every platform, no line end after the last.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

constexpr const char* settingsFileName = "_data.ini";

// Content longer than this, counted in memory with its three LF, is never loaded back.
constexpr size_t settingsMaxContent = 99;

// Fields to file. Content that would reach 100 characters is not written, so the user's last
// stored values survive; a file that cannot be written is passed over in silence.
void saveSettings();

// Whether saveSettings() writes at all; on unless a program that provisions units by the
// dozen (the command-line program) is told to leave the file alone.
extern bool settingsSaveEnabled;

// File to fields; a missing, unreadable or over-long file changes nothing.
void loadSettings();

// Every modem field to empty text, shown.
void blankSettings();

// The file itself. Write: content with LF line ends, stored with CR LF; 0 on success, 1 when
// the file could not be written. Read: at most `capacity` characters with CR LF read back as
// LF; 0 on success, 1 when the file cannot be opened.
int writeSettingsFile(const uint8_t* content, size_t count);
int readSettingsFile(uint8_t* content, size_t capacity, size_t* count);

}  // namespace tarnwick
