#include "modem/settings_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/app_state.h"
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

TEST_F(SettingsFileTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
    type("ip", "apn", "user", "pw");
    saveSettings();
    const std::string before = readDisk();

    type("new-ip", "new-apn", "new-user", "new-pw");
    // A child with a 4-byte file size limit: the write of the temporary file fails half-way.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4, 4};
        setrlimit(RLIMIT_FSIZE, &limit);
        saveSettings();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
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

// A save cut short by a crash leaves its temporary file, with the password in it. The next
// start (or save) removes it, unless a save in another process is still writing it.
TEST_F(SettingsFileTest, NoTemporaryFileOutlivesTheNextStartOrSave) {
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.path.empty());
    const std::string stale = std::string(settingsFileName) + ".Ab12Cd";
    const std::string busy = std::string(settingsFileName) + ".Xy98Zw";
    for (const std::string& name : {stale, busy}) {
        std::ofstream(name) << "ip\napn\nuser\nsecret";
    }
    std::ofstream("notes.txt") << "not ours";
    const int holder = open(busy.c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    loadSettings();
    EXPECT_FALSE(fake::fileExists(stale.c_str()));
    EXPECT_TRUE(fake::fileExists(busy.c_str())) << "a save in progress keeps its file";
    EXPECT_TRUE(fake::fileExists("notes.txt"));
    close(holder);

    type("ip", "apn", "user", "pw");
    saveSettings();
    EXPECT_EQ(listing("."), std::string(settingsFileName) + "\nnotes.txt\n");
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
