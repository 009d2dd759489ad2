// Tools: Open Profile... and Save Profile... in the window: the profile's values go into the
// boxes and the check box, nothing is sent, a refused profile changes nothing, the password
// comes from its file only when the engineer agrees, and a saved profile never holds it.
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/layout.h"
#include "app/profile.h"
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
        ASSERT_TRUE(folder.isValid());
    }

    QString file(const char* name, const std::string& text) {
        return qttest::writeFile(folder.path(), name, text);
    }

    // Every box's text and the check box, to see that nothing changed.
    // Runs the command, answering a question with `answer`; the texts of the message boxes.
    QStringList messagesDuring(const std::function<void()>& action,
                               QMessageBox::StandardButton answer = QMessageBox::No) {
        QStringList texts;
        qttest::modalDialogsDuring(action, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) return;
            texts << box->text();
            if (QAbstractButton* button = box->button(answer)) button->click();
        });
        return texts;
    }

    bool open(const QString& path, QStringList* messages = nullptr,
              QMessageBox::StandardButton answer = QMessageBox::No) {
        bool opened = false;
        const QStringList texts = messagesDuring([&] { opened = openProfileFile(window.get(), path); }, answer);
        if (messages != nullptr) *messages = texts;
        return opened;
    }

    QTemporaryDir folder;
};

bool anyJobRaised() {
    for (const Job* job : allJobs)
        if (job->trigger != 0 || job->state != 0) return true;
    return false;
}

TEST_F(Profiles, TheToolsMenuOffersTheThreeCommandsBesideTheOthers) {
    openWindow();
    QStringList texts;
    for (QAction* action : window->menuBar()->actions()[1]->menu()->actions())
        if (!action->isSeparator()) texts << action->text();
    EXPECT_EQ(texts, QStringList({"Trace\u2026", "Ports", "Open Profile\u2026", "Save Profile\u2026",
                                  "Compare with Profile\u2026"}));
}

TEST_F(Profiles, OpenFillsTheBoxesAndTheCheckBoxAndSendsNothing) {
    qttest::writeSettings("10.1.1.1", "stored.apn", "stored", "stored-password");
    const std::string settingsBefore = qttest::readFile(settingsFileName);
    openWindow();
    retype(idPassword, "typed-password");
    const QString full = file("unit 17.toml",
                              "[unit]\nperiod = \"012\"\naddress = \"045\"\nphone1 = \"8 916 123-45-67\"\n"
                              "phone2 = \"\"\nsms-phone = \"89990001122\"\n\n[modem]\nip = \"10.0.0.5\"\n"
                              "apn = \"inet, \\\"fast\\\"; #1\"\nuser = \"инженер\"\nno-internet = false\n");
    QStringList messages;
    ASSERT_TRUE(open(full, &messages));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(shown(idFirstValue), "012");
    EXPECT_EQ(shown(idFirstValue + 1), "045");
    EXPECT_EQ(shown(idFirstValue + 2), "8 916 123-45-67");
    EXPECT_EQ(shown(idFirstValue + 3), "");
    EXPECT_EQ(shown(idFirstValue + 4), "89990001122");
    EXPECT_EQ(shown(idIpAddress), "10.0.0.5");
    EXPECT_EQ(shown(idApn), "inet, \"fast\"; #1");
    EXPECT_EQ(shown(idUser), qttest::fromUtf8("инженер"));
    EXPECT_EQ(shown(idPassword), "typed-password") << "no password file: the box is left alone";
    EXPECT_FALSE(checkBox()->isChecked());
    // The fields hold what the boxes show, as the Write buttons will send it.
    userField.useRaw();
    userField.pull();
    uint8_t bytes[TextField::rawCapacity] = {};
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), userField.copyOut(bytes)), "\xE8\xED\xE6\xE5\xED\xE5\xF0");
    EXPECT_FALSE(anyJobRaised()) << "nothing is sent";

    // Without internet: the box is set and the panel emptied, as a click does; a profile of the
    // unit alone then leaves the box and the panel as they are.
    ASSERT_TRUE(open(file("offline.toml", "[modem]\nno-internet = true\n")));
    EXPECT_TRUE(checkBox()->isChecked());
    for (int id : {idIpAddress, idApn, idUser, idPassword}) EXPECT_EQ(shown(id), "") << id;
    ASSERT_TRUE(open(file("period.toml", "[unit]\nperiod = \"240\"\n")));
    EXPECT_EQ(shown(idFirstValue), "240");
    EXPECT_EQ(shown(idFirstValue + 1), "045");
    EXPECT_TRUE(checkBox()->isChecked());
    // Modem values without no-internet: the box is cleared, the rest of the panel kept.
    ASSERT_TRUE(open(file("apn.toml", "[modem]\napn = \"second\"\n")));
    EXPECT_FALSE(checkBox()->isChecked());
    EXPECT_EQ(shown(idApn), "second");
    EXPECT_EQ(shown(idIpAddress), "");

    EXPECT_EQ(qttest::readFile(settingsFileName), settingsBefore) << "_data.ini is neither read nor written";
    EXPECT_FALSE(anyJobRaised());
}

TEST_F(Profiles, ARefusedProfileIsOneMessageNamingTheLineAndChangesNothing) {
    openWindow();
    retype(idPassword, "typed");
    retype(idApn, "typed.apn");
    QDir(folder.path()).mkdir("a folder.toml");
    const struct {
        const char* name;
        std::string text;
        const char* message;  // a part of the one message
        bool made = true;
    } cases[] = {
        {"string.toml", "[unit]\nperiod = 12\n", "string.toml:2:10: period: a string is expected"},
        {"ini.toml", "[unit]\naddress = 045\n", "ini.toml:2:"},
        {"empty.toml", "", "nothing to apply"},
        {"long.toml", "[unit]\nperiod = \"001\"\n\nphone1 = \"891612345678901234567890123456\"\n",
         "long.toml:4: phone1: \"891612345678901234567890123456\" is longer than its box holds"},
        {"tab.toml", "[modem]\nuser = \"a\\tb\"\n", "tab.toml:2: user: \"a\tb\" holds a control character"},
        {"both.toml", "[modem]\nno-internet = true\nip = \"10.0.0.5\"\n",
         "both.toml:3: ip: no modem values go with no-internet = true"},
        {"password.toml", "[modem]\npassword = \"secret\"\n", "password: never kept in a profile"},
        {"greek.toml", "[modem]\napn = \"\u03b1\"\n", "is not in Windows-1251"},
        {"missing.toml", {}, "missing.toml: no such file", false},
        {"a folder.toml", {}, "is a folder, not a profile", false},
    };
    const std::string before = windowState();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.made ? file(c.name, c.text) : folder.filePath(c.name);
        QStringList messages;
        EXPECT_FALSE(open(path, &messages));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QString::fromUtf8(c.message))) << messages[0].toStdString();
        EXPECT_EQ(windowState(), before);
    }
    EXPECT_FALSE(anyJobRaised());
}

TEST_F(Profiles, ThePasswordComesFromItsFileOnlyWhenTheEngineerAgrees) {
    openWindow();
    retype(idPassword, "typed");
    QDir(folder.path()).mkdir("keys");
    file("keys/unit-17.txt", "пароль 1\r\nsecond line\n");
    const QString beside = file("beside.toml", "[modem]\nip = \"10.0.0.5\"\npassword-file = \"keys/unit-17.txt\"\n");

    QStringList messages;
    ASSERT_TRUE(open(beside, &messages, QMessageBox::No));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(folder.filePath("keys/unit-17.txt"))) << "a relative name counts from the profile";
    EXPECT_EQ(shown(idIpAddress), "10.0.0.5");
    EXPECT_EQ(shown(idPassword), "typed") << "declined: left as it was";

    ASSERT_TRUE(open(beside, &messages, QMessageBox::Yes));
    EXPECT_EQ(shown(idPassword), qttest::fromUtf8("пароль 1")) << "the first line, without its CR";

    // A password file that cannot give a password is refused as a whole, the question first.
    file("empty.txt", "");
    file("long.txt", std::string(60, 'W') + "\n");
    retype(idPassword, "typed");
    const std::string before = windowState();
    for (const char* passwordFile : {"nowhere.txt", "empty.txt", "keys", "long.txt"}) {
        SCOPED_TRACE(passwordFile);
        const QString profile = file("other.toml", std::string("[modem]\napn = \"other\"\npassword-file = \"") +
                                                       passwordFile + "\"\n");
        EXPECT_FALSE(open(profile, &messages, QMessageBox::Yes));
        ASSERT_EQ(messages.size(), 2);
        EXPECT_TRUE(messages[1].startsWith("password: ")) << messages[1].toStdString();
        EXPECT_FALSE(messages[1].contains("WWWW")) << "the password is never shown";
        EXPECT_EQ(windowState(), before);
    }
    // An empty first line is an empty password on purpose.
    file("blank.txt", "\nnot this\n");
    ASSERT_TRUE(open(file("blank.toml", "[modem]\nuser = \"u\"\npassword-file = \"blank.txt\"\n"), &messages,
                     QMessageBox::Yes));
    EXPECT_EQ(shown(idPassword), "");
}

// The boxes' own limit: what typing lets in goes in from a profile, a character more does not.
TEST_F(Profiles, TheLimitIsWhatTypingLetsIntoTheBox) {
    openWindow();
    for (int id : {int(idFirstValue) + 2, int(idApn)}) {
        SCOPED_TRACE(id);
        control(id)->setFocus();
        QTest::keyClicks(control(id), QString(80, QLatin1Char('8')));
        const std::string full = shown(id).toStdString();
        ASSERT_GT(full.size(), 15u);
        ASSERT_LT(full.size(), 80u);
        EXPECT_TRUE(boxFits(id, full));
        EXPECT_FALSE(boxFits(id, full + "8"));
        const char* key = id == idApn ? "[modem]\napn" : "[unit]\nphone1";
        retype(id, "");
        ASSERT_TRUE(open(file("fits.toml", std::string(key) + " = \"" + full + "\"\n")));
        EXPECT_EQ(shown(id).toStdString(), full);
        EXPECT_FALSE(open(file("over.toml", std::string(key) + " = \"" + full + "8\"\n")));
        EXPECT_EQ(shown(id).toStdString(), full) << "refused, not cut";
    }
}

TEST_F(Profiles, SaveWritesTheBoxesButNeverThePassword) {
    openWindow();
    qttest::typeText(box(idFirstValue), "012");
    qttest::typeText(box(idFirstValue + 2), "8 916, 123");
    qttest::typeText(box(idIpAddress), "10.0.0.5");
    retype(idApn, "inet \"fast\"; #1");
    retype(idUser, qttest::fromUtf8("инженер"));
    retype(idPassword, "secret-password");
    const QString path = folder.filePath("saved.toml");
    QStringList messages = messagesDuring([&] { EXPECT_TRUE(saveProfileFile(window.get(), path)); });
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const std::string text = qttest::readFile(QFile::encodeName(path).constData());
    EXPECT_EQ(text.find("secret"), std::string::npos) << text;
    EXPECT_EQ(text.find("password ="), std::string::npos) << text;
    EXPECT_EQ(text.find("address"), std::string::npos) << "an empty box is not named";

    provision::Profile saved;
    ASSERT_EQ(provision::readProfile(QFile::encodeName(path).toStdString(), &saved), "");
    EXPECT_EQ(saved.values[0], "012");
    EXPECT_EQ(saved.values[2], "8 916, 123");
    EXPECT_EQ(saved.values[6], "inet \"fast\"; #1");
    EXPECT_EQ(saved.values[7], "\xE8\xED\xE6\xE5\xED\xE5\xF0");
    EXPECT_EQ(saved.noInternet, false);
    EXPECT_FALSE(saved.passwordFile.has_value());

    // Saved again over it, without internet now: the panel is left out.
    QTest::mouseClick(checkBox(), Qt::LeftButton);
    ASSERT_TRUE(saveProfileFile(window.get(), path));
    ASSERT_EQ(provision::readProfile(QFile::encodeName(path).toStdString(), &saved), "");
    EXPECT_EQ(saved.noInternet, true);
    EXPECT_FALSE(saved.values[5].has_value());
    EXPECT_EQ(saved.values[0], "012");

    // What is saved opens into a new window as it was.
    window.reset();
    resetAppState();
    openWindow();
    ASSERT_TRUE(open(path));
    EXPECT_EQ(shown(idFirstValue), "012");
    EXPECT_EQ(shown(idFirstValue + 2), "8 916, 123");
    EXPECT_TRUE(checkBox()->isChecked());

    // A folder, a folder that does not exist, and a window with nothing in it are refused.
    for (const QString& bad : {folder.path(), folder.filePath("no/such/folder.toml")}) {
        messages = messagesDuring([&] { EXPECT_FALSE(saveProfileFile(window.get(), bad)); });
        ASSERT_EQ(messages.size(), 1) << bad.toStdString();
    }
    window.reset();
    resetAppState();
    openWindow();
    messages = messagesDuring([&] { EXPECT_FALSE(saveProfileFile(window.get(), folder.filePath("empty.toml"))); });
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("nothing to save"));
    EXPECT_FALSE(QFile::exists(folder.filePath("empty.toml")));
}

}  // namespace
