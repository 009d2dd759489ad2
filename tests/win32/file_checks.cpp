// Checks of the files beside _data.ini: the user's own, whose names come close to the
// program's temporaries, and temporaries the program left behind when a save was cut short.
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

namespace {

// A copy, one per site, an editor's leftover, and a name like the program's own temporaries
// but for the process id: the user's files, every one.
const char* const usersFiles[] = {"_data.ini.backup", "_data.ini.site01", "_data.ini.old.tmp",
                                  "_data.ini.tarnwick-old.tmp", "_data.ini.tarnwick-1.tmp.bak"};

// As a save of a run that crashed leaves it: the program's own name, values with a password.
const char* const staleTemporary = "_data.ini.tarnwick-4242.tmp";

std::string inWorkDir(const Paths& paths, const std::string& name) { return paths.workDir + "\\" + name; }

bool writeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    return CloseHandle(file) && ok;
}

std::string keptText(const std::string& name) { return "kept: " + name + "\r\n"; }

// The names in the working directory that begin with "_data.ini.".
std::set<std::string> namesBeside(const Paths& paths) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(inWorkDir(paths, "_data.ini.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        // The pattern matches short 8.3 names too.
        if (std::string(found.cFileName).rfind("_data.ini.", 0) == 0) names.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

}  // namespace

void placeFilesBeside(const Paths& paths) {
    for (const char* name : usersFiles)
        check(writeFile(inWorkDir(paths, name), keptText(name)), std::string("the user's ") + name + " is made");
    check(writeFile(inWorkDir(paths, staleTemporary), "10.20.30.40\r\ninternet.test\r\ntuser\r\nstale-secret"),
          std::string("a crashed save's ") + staleTemporary + " is made");
}

void checkFilesBeside(const Paths& paths, const std::vector<std::string>& others, const std::string& after) {
    std::set<std::string> expected(std::begin(usersFiles), std::end(usersFiles));
    expected.insert(others.begin(), others.end());
    // The start removes what it removes while the window is made; the window may be found first.
    std::set<std::string> names;
    waitUntil([&] { return (names = namesBeside(paths)) == expected; }, 5000, 100);
    std::string listed;
    for (const std::string& name : names) listed += (listed.empty() ? "" : " ") + name;
    check(names == expected, "beside _data.ini after " + after + " are the user's files" +
                                 (others.empty() ? "" : " and another run's temporary") + " alone",
          listed);
    for (const char* name : usersFiles)
        checkEqual(readFile(inWorkDir(paths, name)), keptText(name),
                   std::string("the user's ") + name + " is as it was after " + after);
}

HeldTemporary::HeldTemporary(const Paths& paths)
    : name("_data.ini.tarnwick-" + std::to_string(GetCurrentProcessId()) + ".tmp"),
      path(inWorkDir(paths, name)) {
    // Opened without sharing, as the program holds its own while it writes it.
    file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    check(file != INVALID_HANDLE_VALUE && WriteFile(file, "10.20", 5, &written, nullptr),
          "another run's save in progress: " + name);
}

HeldTemporary::~HeldTemporary() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace e2e
