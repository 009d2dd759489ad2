#include "provision/window_flows.h"

namespace tarnwick::provision {

bool openProfileIntoWindow(const std::string& path, const ProfileDialogs& dialogs) {
    OpenedProfile opened;
    std::string failed = openProfile(path, dialogs.fits, &opened);
    std::string password;
    const bool withPassword = failed.empty() && !opened.passwordFile.empty() &&
                              dialogs.askYesNo(openProfileTitle, passwordFileQuestion(opened.passwordFile));
    if (withPassword) failed = readProfilePassword(opened.passwordFile, dialogs.fits, &password);
    if (!failed.empty()) {
        dialogs.warn(openProfileTitle, failed);
        return false;
    }
    fillWindow(opened.profile, withPassword ? &password : nullptr);
    return true;
}

bool saveProfileFromWindow(const std::string& path, const ProfileDialogs& dialogs) {
    const std::string failed = saveWindowProfile(path);
    if (failed.empty()) return true;
    dialogs.warn(saveProfileTitle, failed);
    return false;
}

bool compareProfileWithDevice(const std::string& path, const ProfileDialogs& dialogs, ComparisonReport* report) {
    const std::string failed = compareWithProfile(path, report);
    if (failed.empty()) return true;
    dialogs.warn(compareProfileTitle, failed);
    return false;
}

std::string passwordFileQuestion(const std::string& passwordFile) {
    return "The profile names the password file\n" + passwordFile + "\n\nPut its password into the Password box?";
}

std::string waitBoxText(const std::string& profileName, bool cancelled) {
    const std::string job = jobInProgress();
    std::string text = "Comparing " + profileName + " with the device:\n" + (job.empty() ? "starting" : job) + "\u2026";
    if (cancelled) text += "\ncancelled, waiting for it to end";
    return text;
}

std::string comparisonSummary(const std::string& profileName, const ComparisonReport& report) {
    size_t differ = 0;
    for (const Difference& line : report.lines)
        if (line.comparison == Comparison::differs) ++differ;
    std::string text = profileName + " against the device: " + std::to_string(differ) + " of " +
                       std::to_string(report.lines.size()) + " values differ.";
    if (report.interrupted) text += " Cancelled: the values not yet read are not readable.";
    return text;
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace tarnwick::provision
