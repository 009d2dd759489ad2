#include "modem/settings_file.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "base/app_state.h"
#include "fakes.h"
#include "test_files.h"

using namespace tarnwick;

namespace {

std::string readDisk() { return fake::fileText(settingsFileName); }

void writeDisk(const std::string& bytes) {
    std::ofstream out(settingsFileName, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Names of the files in the working directory other than the settings file itself: a save
// must never leave a temporary file behind.
int strayFiles() {
    int count = 0;
    FILE* p = popen("ls -A", "r");
    char line[512];
    while (fgets(line, sizeof line, p) != nullptr)
        if (std::string(line) != std::string(settingsFileName) + "\n") ++count;
    pclose(p);
    return count;
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        std::remove(settingsFileName);
        int id = 3021;
        for (TextField* f : fields) f->createEdit(0, 0, 200, 20, fake::window(), id++);
    }
    void TearDown() override { std::remove(settingsFileName); }

    void type(const std::string& ip, const std::string& apn, const std::string& user,
              const std::string& password) {
        const std::string values[4] = {ip, apn, user, password};
        for (int i = 0; i < 4; ++i) fake::controlOf(fields[i]->controlHandle())->text = values[i];
    }

    std::string shown(int i) { return fake::controlOf(fields[i]->controlHandle())->text; }

    std::string raw(int i) {
        uint8_t out[TextField::rawCapacity] = {};
        fields[i]->useRaw();
        return std::string(reinterpret_cast<char*>(out), fields[i]->copyOut(out));
    }

    TextField* fields[4] = {&ipAddressField, &apnField, &userField, &passwordField};
};

TEST_F(SettingsFileTest, SaveWritesCrLfBetweenValuesAndNoneAfterThePassword) {
    type("10.0.0.1", "internet", "gprs", "secret");
    saveSettings();
    EXPECT_EQ(readDisk(), "10.0.0.1\r\ninternet\r\ngprs\r\nsecret");
    EXPECT_EQ(strayFiles(), 0);

    type("", "", "", "");
    loadSettings();
    EXPECT_EQ(shown(0), "10.0.0.1");
    EXPECT_EQ(shown(1), "internet");
    EXPECT_EQ(shown(2), "gprs");
    EXPECT_EQ(shown(3), "secret");
    EXPECT_EQ(raw(3), "secret");
}

TEST_F(SettingsFileTest, FileIsPrivateToItsOwner) {
    type("a", "b", "c", "pw");
    saveSettings();
    struct stat st {};
    ASSERT_EQ(stat(settingsFileName, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SettingsFileTest, AllEmptyGivesThreeLineEnds) {
    type("x", "y", "z", "w");
    loadSettings();  // no file yet: nothing changes
    EXPECT_EQ(shown(0), "x");

    type("", "", "", "");
    saveSettings();
    EXPECT_EQ(readDisk(), "\r\n\r\n\r\n");
    type("x", "y", "z", "w");
    for (int i = 0; i < 4; ++i) fake::controlOf(fields[i]->controlHandle())->setTextCalls = 0;
    loadSettings();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(shown(i), "") << i;
        EXPECT_EQ(fake::controlOf(fields[i]->controlHandle())->setTextCalls, 1) << i;
    }
}

TEST_F(SettingsFileTest, FourthLineEndIsIgnored) {
    writeDisk("1.2.3.4\r\napn\r\nuser\r\npass\r\n");
    loadSettings();
    EXPECT_EQ(shown(0), "1.2.3.4");
    EXPECT_EQ(shown(3), "pass");
}

TEST_F(SettingsFileTest, MissingLineEndsLeaveLaterFieldsAsTheyWere) {
    type("old-ip", "old-apn", "old-user", "old-pw");
    for (int i = 0; i < 4; ++i) fields[i]->useRaw(), fields[i]->pull();

    writeDisk("new-ip\r\n");
    loadSettings();
    EXPECT_EQ(shown(0), "new-ip");
    EXPECT_EQ(shown(1), "old-apn");
    EXPECT_EQ(shown(3), "old-pw");

    writeDisk("only-ip");
    loadSettings();
    EXPECT_EQ(shown(0), "new-ip") << "a first value without its line end is not taken";

    writeDisk("");
    loadSettings();
    EXPECT_EQ(shown(0), "new-ip");
}

TEST_F(SettingsFileTest, FileOfAHundredCharactersIsIgnored) {
    type("keep", "", "", "");
    // 96 characters and three line ends are 99 in memory: loaded.
    writeDisk(std::string(96, 'a') + "\r\n\r\n\r\n");
    loadSettings();
    EXPECT_EQ(shown(0), std::string(96, 'a'));

    type("keep", "", "", "");
    writeDisk(std::string(97, 'a') + "\r\n\r\n\r\n");
    loadSettings();
    EXPECT_EQ(shown(0), "keep");
}

TEST_F(SettingsFileTest, PlainLfFilesFromAnEditorLoadToo) {
    writeDisk("ip\napn\nuser\npw");
    loadSettings();
    EXPECT_EQ(shown(1), "apn");
    EXPECT_EQ(shown(3), "pw");
}

TEST_F(SettingsFileTest, LineBreakTypedIntoTheAddressShiftsTheValues) {
    // The multi-line address box gives CR LF; a text-mode write makes it CR CR LF on disk
    // and the CR before the line end comes back as part of the value.
    type("1.1.1.1\r\n2.2.2.2", "apn", "user", "pw");
    saveSettings();
    EXPECT_EQ(readDisk(), "1.1.1.1\r\r\n2.2.2.2\r\napn\r\nuser\r\npw");
    loadSettings();
    EXPECT_EQ(shown(0), "1.1.1.1\x95");
    EXPECT_EQ(raw(0), "1.1.1.1\r");
    EXPECT_EQ(shown(1), "2.2.2.2");
    EXPECT_EQ(shown(3), "user");
}

TEST_F(SettingsFileTest, OverLongSaveKeepsTheStoredValues) {
    type("ip", "apn", "user", "pw");
    saveSettings();
    type(std::string(60, 'i'), std::string(40, 'a'), "u", "p");
    saveSettings();
    EXPECT_EQ(readDisk(), "ip\r\napn\r\nuser\r\npw");
    // 96 value characters and three LF are 99: still written.
    type(std::string(93, 'i'), "a", "u", "p");
    saveSettings();
    EXPECT_EQ(readDisk().size(), 99u + 3u);
}

// Saves in a child whose files may not grow past 4 bytes, so that the write of the temporary
// file fails half-way; the child either ignores the signal and lets the save end, or dies of
// it in the middle of the save (exit code 3). Returns the child's exit code, -1 if it crashed.
int saveUnderFileSizeLimit(bool dieInTheWrite) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (dieInTheWrite) signal(SIGXFSZ, [](int) { _exit(3); });
        else signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4, 4};
        setrlimit(RLIMIT_FSIZE, &limit);
        saveSettings();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(SettingsFileTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
    type("ip", "apn", "user", "pw");
    saveSettings();
    const std::string before = readDisk();

    type("new-ip", "new-apn", "new-user", "new-pw");
    // The write of the temporary file fails half-way, and the save goes on to its end.
    ASSERT_EQ(saveUnderFileSizeLimit(false), 0);
    EXPECT_EQ(readDisk(), before);
    EXPECT_EQ(strayFiles(), 0);
}

TEST_F(SettingsFileTest, UnwritableFileIsPassedOverSilently) {
    ASSERT_EQ(mkdir(settingsFileName, 0700), 0);
    type("ip", "apn", "user", "pw");
    saveSettings();
    EXPECT_EQ(rmdir(settingsFileName), 0) << "the directory in the way is left as it was";
    EXPECT_EQ(strayFiles(), 0);
}

// --- how the file is replaced ------------------------------------------------------------

// Runs `body` in a scratch folder of its own and comes back.
class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/tarnwick-store-XXXXXX";
        if (mkdtemp(pattern) != nullptr) path = pattern;
        if (getcwd(home, sizeof home) == nullptr) home[0] = '\0';
        if (!path.empty() && chdir(path.c_str()) != 0) path.clear();
    }
    ~ScratchFolder() {
        if (chdir(home) != 0) return;
        if (!path.empty()) std::system(("chmod -R u+w '" + path + "'; rm -rf '" + path + "'").c_str());
    }
    std::string path;

private:
    char home[4096];
};

std::string listing(const std::string& folder) {
    std::string names;
    FILE* p = popen(("ls -A '" + folder + "'").c_str(), "r");
    char line[512];
    while (fgets(line, sizeof line, p) != nullptr) names += line;
    pclose(p);
    return names;
}

TEST_F(SettingsFileTest, ASymlinkIsWrittenThroughToItsTarget) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    ASSERT_EQ(mkdir("kept", 0700), 0);
    writeDisk("");
    ASSERT_EQ(std::rename(settingsFileName, "kept/store.ini"), 0);
    ASSERT_EQ(symlink("kept/store.ini", settingsFileName), 0);
    type("ip", "apn", "user", "pw");
    saveSettings();
    struct stat link {};
    ASSERT_EQ(lstat(settingsFileName, &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link the user made stays";
    EXPECT_EQ(fake::fileText("kept/store.ini"), "ip\r\napn\r\nuser\r\npw");
    EXPECT_EQ(listing("kept"), "store.ini\n");
    EXPECT_EQ(listing("."), std::string(settingsFileName) + "\nkept\n");
}

TEST_F(SettingsFileTest, AReadOnlyFileIsLeftAloneAndAnExistingFileKeepsItsModeAndOwner) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    writeDisk("old");
    ASSERT_EQ(chmod(settingsFileName, 0444), 0);
    type("ip", "apn", "user", "pw");
    saveSettings();
    EXPECT_EQ(readDisk(), "old");

    ASSERT_EQ(chmod(settingsFileName, 0640), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(settingsFileName, 4321, 4321), 0);
    }
    saveSettings();
    EXPECT_EQ(readDisk(), "ip\r\napn\r\nuser\r\npw");
    struct stat st {};
    ASSERT_EQ(stat(settingsFileName, &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
    }
    EXPECT_EQ(listing("."), std::string(settingsFileName) + "\n");
}

// A folder the user may not write to, holding a file the user may: the file is rewritten
// where it is. Root writes any folder, so as root the save runs as another user.
TEST_F(SettingsFileTest, AFileInAFolderThatCannotBeWrittenIsRewrittenInPlace) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    writeDisk("old");
    ASSERT_EQ(chmod(settingsFileName, 0666), 0);
    ASSERT_EQ(chmod(".", geteuid() == 0 ? 0755 : 0555), 0);
    type("ip", "apn", "user", "pw");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        saveSettings();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readDisk(), "ip\r\napn\r\nuser\r\npw");
    EXPECT_EQ(listing("."), std::string(settingsFileName) + "\n");
}

std::set<std::string> namesIn(const char* folder) {
    std::set<std::string> names;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") names.insert(entry->d_name);
        closedir(dir);
    }
    return names;
}

// Files a user keeps beside the settings file under names close to the program's own
// temporaries: a copy, one per site, an editor's leftovers. None of them is the program's.
std::vector<std::string> usersFiles() {
    const std::string name = settingsFileName;
    return {name + ".backup",           name + ".site01",
            name + ".Ab12Cd",           name + ".old.tmp",
            name + ".копия",            name + ".tarnwick-Ab12Cd",
            name + ".tarnwick-Ab12C.tmp", name + ".tarnwick-Ab12Cd.tmp.bak",
            name + ".tarnwick-Ab 2Cd.tmp", "old" + name + ".tarnwick-Ab12Cd.tmp"};
}

void writeUsersFiles() {
    for (const std::string& name : usersFiles()) std::ofstream(name, std::ios::binary) << "kept: " << name;
}

void expectUsersFilesKept(const std::string& after) {
    for (const std::string& name : usersFiles())
        EXPECT_EQ(fake::fileText(name.c_str()), "kept: " + name) << name << " after " << after;
}

// A save cut short by a crash leaves its temporary file, with the password in it. The next
// start (or save) removes it, unless a save in another process is still writing it. Things of
// that name that are no plain file (a folder, a link to a file of the user's) are not ours.
TEST_F(SettingsFileTest, NoTemporaryFileOutlivesTheNextStartOrSave) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    const std::string stale = std::string(settingsFileName) + ".tarnwick-Ab12Cd.tmp";
    const std::string busy = std::string(settingsFileName) + ".tarnwick-Xy98Zw.tmp";
    const std::string folder = std::string(settingsFileName) + ".tarnwick-Dir123.tmp";
    const std::string link = std::string(settingsFileName) + ".tarnwick-Ln45Ab.tmp";
    for (const std::string& name : {stale, busy}) {
        std::ofstream(name) << "ip\napn\nuser\nsecret";
    }
    std::ofstream("notes.txt") << "not ours";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(symlink("notes.txt", link.c_str()), 0);
    const int holder = open(busy.c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    loadSettings();
    EXPECT_FALSE(fake::fileExists(stale.c_str()));
    EXPECT_TRUE(fake::fileExists(busy.c_str())) << "a save in progress keeps its file";
    EXPECT_EQ(fake::fileText("notes.txt"), "not ours");
    close(holder);

    type("ip", "apn", "user", "pw");
    saveSettings();
    EXPECT_EQ(namesIn("."), (std::set<std::string>{settingsFileName, "notes.txt", folder, link}));
    EXPECT_EQ(fake::fileText("notes.txt"), "not ours");
}

TEST_F(SettingsFileTest, TheUsersFilesBesideItOutliveEveryStartAndSave) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    writeUsersFiles();
    loadSettings();
    expectUsersFilesKept("a start without a settings file");

    type("ip", "apn", "user", "pw");
    saveSettings();
    expectUsersFilesKept("the first save");
    type("ip 2", "apn,2", "\"user\"", "");
    saveSettings();
    EXPECT_EQ(readDisk(), "ip 2\r\napn,2\r\n\"user\"\r\n");
    expectUsersFilesKept("a save over the file");
    saveSettings();
    expectUsersFilesKept("a second save over the file");
    loadSettings();
    expectUsersFilesKept("a start with the file");

    const std::vector<std::string> kept = usersFiles();
    std::set<std::string> expected(kept.begin(), kept.end());
    expected.insert(settingsFileName);
    EXPECT_EQ(namesIn("."), expected) << "nothing added, nothing taken";
}

// A save that dies half-way through its write (here at the file size limit) leaves the
// temporary file it made, with the first bytes of the new values. The next start removes that
// file and no other.
TEST_F(SettingsFileTest, TheTemporaryOfASaveThatDiedGoesAtTheNextStart) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    writeUsersFiles();
    type("ip", "apn", "user", "pw");
    saveSettings();
    type("new-ip", "new-apn", "new-user", "new-pw");
    ASSERT_EQ(saveUnderFileSizeLimit(true), 3) << "the save died in its write";

    std::set<std::string> left = namesIn(".");
    left.erase(settingsFileName);
    for (const std::string& name : usersFiles()) left.erase(name);
    ASSERT_EQ(left.size(), 1u) << "the dead save's temporary file";
    const std::string temporary = *left.begin();
    const std::string pattern = std::string(settingsFileName) + ".tarnwick-[A-Za-z0-9][A-Za-z0-9]"
                                "[A-Za-z0-9][A-Za-z0-9][A-Za-z0-9][A-Za-z0-9].tmp";
    EXPECT_EQ(fnmatch(pattern.c_str(), temporary.c_str(), 0), 0) << temporary;
    EXPECT_EQ(fake::fileText(temporary.c_str()), "new-");
    EXPECT_EQ(readDisk(), "ip\r\napn\r\nuser\r\npw");

    loadSettings();
    EXPECT_FALSE(fake::fileExists(temporary.c_str()));
    expectUsersFilesKept("the start after the dead save");
    EXPECT_EQ(namesIn(".").size(), usersFiles().size() + 1);
}

TEST_F(SettingsFileTest, BlankEmptiesAllFourFields) {
    type("a", "b", "c", "d");
    for (TextField* f : fields) f->useRaw(), f->pull();
    blankSettings();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(shown(i), "");
        EXPECT_EQ(raw(i), "");
    }
}

}  // namespace
