#pragma once
// Profiles in the window (Tools: Open Profile..., Save Profile..., Compare with Profile...), for
// both front ends. The file is the one tarnwick-cli reads and writes (provision/profile.h); its values
// go into and come out of the window's own boxes. Open and Save send nothing: the engineer then
// presses the window's buttons. Compare reads the device through the jobs, as the command
// line's diff does, and leaves every box as the engineer had it.
#include <functional>
#include <string>
#include <vector>

#include "provision/comparison.h"
#include "provision/profile.h"

namespace tarnwick::provision {

// Whether `text` (Windows-1251) fits the edit box `id` whole, as typing could have put it there.
// The front end measures it with the box's own font and size: a single-line box takes no
// more than its width shows, a multi-line box no more lines than it shows. The window's boxes
// stop taking keys when full, so a longer value is refused rather than cut.
using BoxFits = std::function<bool(int id, const std::string& text)>;

// A profile read and checked against the boxes, ready to go into the window.
struct OpenedProfile {
    Profile profile;
    // The password file as the window reads it: a relative name counts from the profile's
    // folder, where it was written beside the profile. Empty when the profile names none.
    std::string passwordFile;
};

// Reads the profile strictly and checks each value against its box. Returns the one failure
// line, naming the file and the line, or an empty text; the window is not touched.
std::string openProfile(const std::string& path, const BoxFits& fits, OpenedProfile* opened);

// The password, for the Password box: the password file's first line, read as tarnwick-cli
// reads it (an empty first line is an empty password; a missing, unreadable or empty file, or
// a folder, is refused), as Windows-1251, checked against the box. Returns the failure line,
// which never shows the password, or an empty text.
std::string readProfilePassword(const std::string& passwordFile, const BoxFits& fits,
                                std::string* password);

// Puts an opened profile into the window: each value it names into its box and the check box
// "Без интернета." from no-internet, through the control seam. Checked, the modem panel is
// emptied as a click on the box empties it; unchecked, the panel keeps what it shows apart
// from the profile's values, and _data.ini is neither read nor written. A profile that names
// modem values but not no-internet unchecks the box. The Password box gets `password` when
// given and is otherwise left alone.
void fillWindow(const Profile& profile, const std::string* password);

// The window's boxes as a profile. A box left empty is not named, so that applying the profile
// leaves that value as the unit has it; a checked "Без интернета." is no-internet = true and
// the panel is left out, unchecked with values in the panel it is no-internet = false. Never
// the password.
Profile windowProfile();

// Writes windowProfile() to `path`; the failure line, or an empty text.
std::string saveWindowProfile(const std::string& path);

struct ComparisonReport {
    std::vector<Difference> lines;      // as compareWithDevice gives them; texts Windows-1251
    std::vector<std::string> failures;  // why a value was not readable, one line each
    bool interrupted = false;           // the engineer cancelled; what was not read says so
};

// Reads from the unit and the modem the values the profile names (readWanted) and compares
// them (compareWithDevice). The port must be open and no job running. The reads go through
// the boxes, and the modem query empties the panel, the password included; every box and the
// check box are put back as they were before the comparison returns, so that it writes nothing
// anywhere and changes nothing the engineer typed. interruptRequested (the front end's
// Cancel) stops it after the current job, whose end is waited for. Returns the failure line
// of a profile that does not load or of a comparison that cannot start, or an empty text.
std::string compareWithProfile(const std::string& path, ComparisonReport* report);

// What the jobs are doing, for the box the engineer waits in: "reading phone1", "querying the
// modem"; empty when every job rests.
std::string jobInProgress();

}  // namespace tarnwick::provision
