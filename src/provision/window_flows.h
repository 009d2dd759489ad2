#pragma once
// What both windows show around a profile, described once: the three commands of the Tools
// menu with their messages, the question about the password file, the wait box's text and the
// comparison's summary. Each front end only draws what it is handed here: a message, a Yes/No
// question, a box that waits, a list of lines.
#include <functional>
#include <string>

#include "provision/window_profile.h"

namespace tarnwick::provision {

constexpr char openProfileTitle[] = "Open Profile";
constexpr char saveProfileTitle[] = "Save Profile";
constexpr char compareProfileTitle[] = "Compare with Profile";

// What a window draws for the flows.
struct ProfileDialogs {
    BoxFits fits;
    // A question the engineer answers Yes or No, No the default; true for Yes.
    std::function<bool(const char* title, const std::string& question)> askYesNo;
    // One warning of one line, which the engineer closes.
    std::function<void(const char* title, const std::string& line)> warn;
};

// Tools > Open Profile... once the file is chosen: the profile read and checked against the
// boxes, the password file's password put in only when the engineer says Yes, the window
// filled. A refusal is warned of and leaves the window as it was. True when the profile went in.
bool openProfileIntoWindow(const std::string& path, const ProfileDialogs& dialogs);

// Tools > Save Profile... once the file is chosen. True when the profile was written.
bool saveProfileFromWindow(const std::string& path, const ProfileDialogs& dialogs);

// Tools > Compare with Profile... once the file is chosen; the front end shows its wait box
// (waitBoxText) around this call and its Cancel sets interruptRequested. True when `report`
// holds a comparison; a profile that does not load or a comparison that cannot start is warned.
bool compareProfileWithDevice(const std::string& path, const ProfileDialogs& dialogs, ComparisonReport* report);

// The question before a password file is read.
std::string passwordFileQuestion(const std::string& passwordFile);

// The wait box's text while a comparison reads, refreshed each tick: what is being compared,
// what the jobs are doing, and whether the engineer cancelled.
std::string waitBoxText(const std::string& profileName, bool cancelled);

// The comparison window's heading: "unit-17.toml against the device: 2 of 7 values differ."
std::string comparisonSummary(const std::string& profileName, const ComparisonReport& report);

// The file's name without its folder, as the wait box and the heading name a profile.
std::string fileNameOf(const std::string& path);

}  // namespace tarnwick::provision
