// Tools: Open Profile... and Save Profile... in the window: the values go into the boxes and
// the check box and nothing is sent, a refused profile changes nothing, the password comes from
// its file only when the engineer agrees, and a saved profile never holds it.
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include "app/layout.h"
#include "provision/profile.h"
#include "base/app_state.h"
#include "modem/settings_file.h"
#include "qt_support.h"
#include "ui/qt/profile_actions.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

class Profiles : public qttest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        qttest::writeSettings("10.1.1.1", "stored.apn", "stored", "stored-password");
        openWindow();
    }
    QString file(const char* name, const std::string& text) { return qttest::writeFile(folder.path(), name, text); }

    // Runs a command, answering the password question with `answer`; the messages it showed.
    QStringList run(const std::function<void()>& command, QMessageBox::StandardButton answer = QMessageBox::No) {
        QStringList texts;
        qttest::modalDialogsDuring(command, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return;
            texts << box->text();
            if (QAbstractButton* button = box->button(answer)) button->click();
        });
        return texts;
    }
    QStringList open(const QString& path, QMessageBox::StandardButton answer = QMessageBox::No) {
        return run([&] { openProfileFile(window.get(), path); }, answer);
    }

    QTemporaryDir folder;
};

TEST_F(Profiles, OpenFillsTheBoxesAndTheCheckBoxAndSendsNothing) {
    QStringList tools;
    for (QAction* action : window->menuBar()->actions()[1]->menu()->actions())
        if (!action->isSeparator()) tools << action->text();
    EXPECT_EQ(tools, QStringList({"Trace\u2026", "Ports", "Open Profile\u2026", "Save Profile\u2026",
                                  "Compare with Profile\u2026", "Modem Status\u2026"}));
    retype(idPassword, "typed");
    // The boxes in the layout's order: port name and status, the modem panel, the two status
    // boxes, the five rows; then the check box.
    EXPECT_EQ(open(file("unit 17.toml", "[unit]\nperiod = \"012\"\naddress = \"045\"\nphone1 = \"8 916 123-45-67\"\n"
                                        "phone2 = \"\"\n[modem]\nip = \"10.0.0.5\"\napn = \"inet, \\\"fast\\\"; #1\"\n"
                                        "user = \"инженер\"\nno-internet = false\n")),
              QStringList());
    EXPECT_EQ(windowState(), "COM1||10.0.0.5|inet, \"fast\"; #1|инженер|typed|   |   |012|045|8 916 123-45-67|||unchecked");
    uint8_t bytes[TextField::rawCapacity] = {};
    userField.pull();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), userField.copyOut(bytes)), "\xE8\xED\xE6\xE5\xED\xE5\xF0")
        << "the Write buttons send Windows-1251";

    // Without internet the panel is emptied as a click empties it; a profile of the unit alone
    // leaves the box; modem values uncheck it and leave the rest of the panel.
    open(file("offline.toml", "[modem]\nno-internet = true\n"));
    EXPECT_EQ(windowState(), "COM1||||||   |   |012|045|8 916 123-45-67|||checked");
    open(file("period.toml", "[unit]\nperiod = \"240\"\n"));
    EXPECT_EQ(windowState(), "COM1||||||   |   |240|045|8 916 123-45-67|||checked");
    open(file("apn.toml", "[modem]\napn = \"second\"\n"));
    EXPECT_EQ(windowState(), "COM1|||second|||   |   |240|045|8 916 123-45-67|||unchecked");
    EXPECT_EQ(qttest::readFile(settingsFileName), "10.1.1.1\r\nstored.apn\r\nstored\r\nstored-password");
    EXPECT_FALSE(qttest::anyJobBusy()) << "nothing is sent";
}

TEST_F(Profiles, ARefusedProfileIsOneMessageNamingTheLineAndChangesNothing) {
    // The box's own limit is what typing lets in.
    box(idFirstValue + 2)->setFocus();
    QTest::keyClicks(box(idFirstValue + 2), QString(80, QLatin1Char('8')));
    const std::string full = shown(idFirstValue + 2).toStdString();
    ASSERT_GT(full.size(), 15u);
    ASSERT_LT(full.size(), 80u);
    retype(idApn, "typed.apn");
    QDir(folder.path()).mkdir("folder.toml");
    const struct {
        const char* name;
        std::string text;  // none: the file is not written
        std::string message;
    } cases[] = {
        {"string.toml", "[unit]\nperiod = 12\n", "string.toml:2:10: period: a string is expected"},
        {"empty.toml", "\n", "nothing to apply"},
        {"long.toml", "[unit]\n\nphone1 = \"" + full + "8\"\n", "long.toml:3: phone1: \"" + full + "8\" is longer than its box holds"},
        {"tab.toml", "[modem]\nuser = \"a\\tb\"\n", "tab.toml:2: user: \"a\tb\" holds a control character"},
        {"both.toml", "[modem]\nno-internet = true\nip = \"1\"\n", "both.toml:3: ip: no modem values go with"},
        {"key.toml", "[modem]\nno-internet = true\n\"password-file\" = \"k\"\n", "key.toml:3: password-file: no modem"},
        {"greek.toml", "[modem]\napn = \"\u03b1\"\n", "is not in Windows-1251"},
        {"missing.toml", {}, "missing.toml: no such file"},
        {"folder.toml", {}, "is a folder, not a profile"},
    };
    const std::string before = windowState();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList messages = open(c.text.empty() ? folder.filePath(c.name) : file(c.name, c.text));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QString::fromStdString(c.message))) << messages[0].toStdString();
        EXPECT_EQ(windowState(), before);
    }
    EXPECT_FALSE(qttest::anyJobBusy());
    // Compare refuses a profile that does not load alike, and one that does while the port is closed.
    const auto compare = [&](const QString& path) { return run([&] { compareWithProfileFile(window.get(), path); }); };
    EXPECT_EQ(compare(folder.filePath("string.toml")), open(folder.filePath("string.toml")));
    const QStringList closed = compare(file("fine.toml", "[unit]\nperiod = \"010\"\n"));
    ASSERT_EQ(closed.size(), 1);
    EXPECT_TRUE(closed[0].startsWith("the port is not open")) << closed[0].toStdString();
    EXPECT_EQ(windowState(), before);
    retype(idFirstValue + 2, "");
    EXPECT_EQ(open(file("full.toml", "[unit]\nphone1 = \"" + full + "\"\n")), QStringList());
    EXPECT_EQ(shown(idFirstValue + 2).toStdString(), full);
}

TEST_F(Profiles, ThePasswordComesFromItsFileOnlyWhenTheEngineerAgrees) {
    retype(idPassword, "typed");
    QDir(folder.path()).mkdir("keys");
    file("keys/unit-17.txt", "пароль 1\r\nsecond line\n");
    const QString profile = file("p.toml", "[modem]\nip = \"10.0.0.5\"\npassword-file = \"keys/unit-17.txt\"\n");
    const QStringList asked = open(profile, QMessageBox::No);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(folder.filePath("keys/unit-17.txt"))) << "counted from the profile's folder";
    EXPECT_EQ(shown(idIpAddress), "10.0.0.5");
    EXPECT_EQ(shown(idPassword), "typed") << "declined: left as it was";
    open(profile, QMessageBox::Yes);
    EXPECT_EQ(shown(idPassword), qttest::fromUtf8("пароль 1")) << "the first line, without its CR";

    // An empty first line is an empty password; a file that gives none refuses the profile.
    file("blank.txt", "\nnot this\n");
    open(file("blank.toml", "[modem]\nuser = \"u\"\npassword-file = \"blank.txt\"\n"), QMessageBox::Yes);
    EXPECT_EQ(shown(idPassword), "");
    file("empty.txt", "");
    file("long.txt", std::string(60, 'W'));
    const std::string before = windowState();
    for (const char* name : {"nowhere.txt", "empty.txt", "keys", "long.txt"}) {
        const QStringList messages =
            open(file("x.toml", "[modem]\napn = \"x\"\npassword-file = \"" + std::string(name) + "\"\n"), QMessageBox::Yes);
        ASSERT_EQ(messages.size(), 2) << name;
        EXPECT_TRUE(messages[1].startsWith("password: ") && !messages[1].contains("WWW")) << messages[1].toStdString();
        EXPECT_EQ(windowState(), before);
    }
}

TEST_F(Profiles, SaveWritesTheBoxesButNeverThePassword) {
    qttest::typeText(box(idFirstValue), "012");
    qttest::typeText(box(idFirstValue + 2), "8 916, 123");
    retype(idApn, "inet \"fast\"; #1");
    retype(idUser, qttest::fromUtf8("инженер"));
    retype(idPassword, "secret-password");
    const QString path = folder.filePath("saved.toml");
    EXPECT_EQ(run([&] { saveProfileFile(window.get(), path); }), QStringList());
    EXPECT_EQ(qttest::readFile(QFile::encodeName(path).constData()),
              "# A Tarnwick unit profile; the password is never kept here.\n[unit]\nperiod = \"012\"\n"
              "phone1 = \"8 916, 123\"\n\n[modem]\nip = \"10.1.1.1\"\napn = \"inet \\\"fast\\\"; #1\"\n"
              "user = \"инженер\"\nno-internet = false\n");

    // Saved again over it, without internet, and opened into a new window as it was.
    QTest::mouseClick(checkBox(), Qt::LeftButton);
    EXPECT_EQ(run([&] { saveProfileFile(window.get(), path); }), QStringList());
    provision::Profile saved;
    ASSERT_EQ(provision::readProfile(QFile::encodeName(path).toStdString(), &saved), "");
    EXPECT_TRUE(saved.noInternet.value_or(false) && !saved.values[size_t(provision::Value::apn)]);
    const std::string before = windowState();
    window.reset();
    resetAppState();
    openWindow();
    open(path);
    EXPECT_EQ(windowState(), before);

    // A folder, and a window with nothing to save, are refused with a message.
    EXPECT_EQ(run([&] { saveProfileFile(window.get(), folder.path()); }).size(), 1);
    window.reset();
    resetAppState();
    std::remove(settingsFileName);
    openWindow();
    const QStringList nothing = run([&] { saveProfileFile(window.get(), folder.filePath("empty.toml")); });
    ASSERT_EQ(nothing.size(), 1);
    EXPECT_TRUE(nothing[0].contains("nothing to save"));
    EXPECT_FALSE(QFile::exists(folder.filePath("empty.toml")));
}

}  // namespace
