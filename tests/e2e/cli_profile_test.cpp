// tarnwick-cli's profiles end to end: what an engineer types into one by hand, and what
// `read --save-profile` writes, applied to the simulated unit and modem.
#include <algorithm>
#include "cli_run.h"

namespace {

using cli_test::CliEndToEnd;
using cli_test::Outcome;
using cli_test::writeFile;

// Each is refused with one line naming the file and, where there is one, the place; nothing
// goes out on the line.
TEST_F(CliEndToEnd, AProfileThatCannotBeAppliedAsWrittenIsRefusedBeforeAnythingIsSent) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        // As in an INI file: only the first word used to go out.
        {"[unit]\nphone1 = 8 916 123 45 67\n", "p.ini:2:12: "},
        {"[unit]\nphone1 = \"89161234567\"\nphone1 = \"89160000000\"\n", "p.ini:3:10: "},
        {"[modem]\nno-internet = Yes\n", "p.ini:2:15: "},
        {"[modem]\nno-internet = \"true\"\n", "p.ini:2:15: no-internet: true or false is expected"},
        {"[unit]\nperiod = 12\n", "p.ini:2:10: period: a string is expected, such as period = \"012\""},
        {"period = \"012\"\n", "p.ini:1:1: period is outside a section; it belongs under [unit]"},
        {"[unit]\nperiod = \"012\"\n[unit.extra]\nphone1 = \"1\"\n", "p.ini:3:7: [unit] has no key \"extra\""},
        {"[unit]\nphones = [\"1\", \"2\"]\n", "p.ini:2:1: [unit] has no key \"phones\""},
        {"[unit]\napn = \"internet\"\n", "p.ini:2:1: apn belongs under [modem], not [unit]"},
        {"[modem]\npassword = \"s3cret\"\n", "p.ini:2:1: password: never kept in a profile"},
        // Among values that would apply, and before a later fault: the password is named.
        {"[modem]\nip = \"10.0.0.5\"\napn = \"inet\"\nuser = \"gdata\"\npassword = \"s3cret\"\n",
         "p.ini:5:1: password: never kept in a profile; name a password-file instead"},
        {"[unit]\nperiod = \"012\"\npassword = \"\"\nphone1 = 8916\n", "p.ini:3:1: password: never kept"},
        {"[modem]\nuser = \"Юзер✓\"\n", "p.ini:2:8: user: the character \"✓\" (U+2713) is not in Windows-1251"},
        // Saved in Windows-1251 rather than UTF-8.
        {"[modem]\nuser = \"\xDE\xE7\xE5\xF0\"\n", "p.ini:2:9: not UTF-8 text; save the profile as UTF-8"},
        {"[modem]\nuser = Юзер\n", "p.ini:2:8: \"Ю\" (U+042E) outside a value's quotes"},
        {"", "p.ini: nothing to apply"},
        {"# the unit at the pump\n\n", "p.ini: nothing to apply"},
        {"[unit]\n[modem]\nno-internet = false\n", "p.ini: nothing to apply"},
    };
    for (const auto& c : cases) {
        writeFile("p.ini", c.text);
        const Outcome run = cli({"apply", "p.ini", "--port", "COM6"});
        EXPECT_EQ(run.exitCode, 2) << c.text;
        EXPECT_EQ(run.err.rfind(std::string("tarnwick-cli: profile ") + c.line, 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    ::mkdir("folder.ini", 0700);
    EXPECT_EQ(cli({"apply", "folder.ini", "--port", "COM6"}).err,
              "tarnwick-cli: profile folder.ini: is a folder, not a profile\n");
    EXPECT_EQ(cli({"apply", "--port", "COM6", "missing.toml"}).err,
              "tarnwick-cli: profile missing.toml: no such file\n");
    EXPECT_EQ(device->received(), "");
}

TEST_F(CliEndToEnd, ACyrillicValueGoesOutAsWindows1251AndIsSavedAsUtf8) {
    writeFile("pw.txt", "p@ss\n");
    writeFile("unit-17.toml", "[modem]\nip = \"10.0.0.5\"\napn = \"интернет\"\nuser = \"Юзер\"\n"
                              "password-file = \"pw.txt\"\n");
    const Outcome apply = cli({"apply", "unit-17.toml", "--port", "COM6"});
    EXPECT_EQ(apply.exitCode, 0) << apply.err;
    const devsim::ModemState modem = device->modem();
    EXPECT_EQ(modem.storedConnection[0].get("user"), "\xDE\xE7\xE5\xF0");
    EXPECT_EQ(modem.storedConnection[0].get("apn"), "\xE8\xED\xF2\xE5\xF0\xED\xE5\xF2");
    EXPECT_EQ(modem.storedConnection[0].get("passwd"), "p@ss");

    const Outcome read = cli({"read", "--port", "COM6", "--save-profile", "now.toml"});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    const std::string saved = fake::fileText("now.toml");
    EXPECT_NE(saved.find("[modem]\nip = \"10.0.0.5\"\napn = \"интернет\"\nuser = \"Юзер\"\nno-internet = false\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(read.out.find("user: Юзер\n"), std::string::npos) << "reports are UTF-8: " << read.out;

    // Typed on the command line, the same text goes out the same way, and one that
    // Windows-1251 cannot hold is refused before anything is sent.
    const Outcome write = cli({"write", "--port", "COM6", "--ip", "10.0.0.6", "--apn", "интернет", "--user",
                               "Юра", "--password-file", "pw.txt"});
    EXPECT_EQ(write.exitCode, 0) << write.err;
    EXPECT_EQ(device->modem().storedConnection[0].get("user"), "\xDE\xF0\xE0");
    EXPECT_NE(write.out.find("user: written Юра, read back Юра, match"), std::string::npos) << write.out;
    device->clearLogs();
    const Outcome refused = cli({"write", "--port", "COM6", "--ip", "1.2.3.4", "--apn", "a", "--user", "Юра✓",
                                 "--password-file", "pw.txt"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("user: the character \"✓\" (U+2713) is not in Windows-1251"), std::string::npos)
        << refused.err;
    EXPECT_EQ(device->received(), "");
}

// A path in a Cyrillic folder, in every failure line that names it: on stderr, in the JSON
// report and in the log, as typed.
TEST_F(CliEndToEnd, AFailureLineShowsACyrillicPathAsTyped) {
    const Outcome read = cli({"--json", "read", "--port", "COM6", "--unit-only", "--save-profile", "нет папки/профиль.toml"});
    EXPECT_EQ(read.exitCode, 1);
    EXPECT_EQ(read.err, "tarnwick-cli: profile нет папки/профиль.toml: cannot be written\n");
    EXPECT_NE(read.out.find("\"failures\": [\n    \"profile нет папки/профиль.toml: cannot be written\"\n  ]"),
              std::string::npos)
        << read.out;

    std::remove("журнал.log");
    const Outcome diff = cli({"diff", "профили/нет.toml", "--port", "COM6", "--log", "журнал.log"});
    EXPECT_EQ(diff.exitCode, 2);
    EXPECT_EQ(diff.err, "tarnwick-cli: profile профили/нет.toml: no such file\n");
    const std::string log = fake::fileText("журнал.log");
    EXPECT_NE(log.find("\"profile\":\"профили/нет.toml\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"failures\":[\"profile профили/нет.toml: no such file\"]"), std::string::npos) << log;
}

// The characters an INI reader stumbled over, from the device to the file and back.
TEST_F(CliEndToEnd, ASavedProfileKeepsEveryCharacterAndAppliesBack) {
    devsim::UnitValues unit;
    unit.period = 12;
    unit.address = 45;
    unit.phone[0] = "8\"916;1#2, 3\\4'5";
    unit.phone[1] = "8 916 123 45 67";
    device->setUnit(unit);
    ASSERT_EQ(cli({"write", "--port", "COM6", "--ip", "10.0.0.5", "--apn", "o'net;x # y, z", "--user", "pre\\user"})
                  .exitCode,
              0);
    const std::string expected =
        "# A Tarnwick unit profile; the password is never kept here.\n"
        "[unit]\n"
        "period = \"012\"\n"
        "address = \"045\"\n"
        "phone1 = \"8\\\"916;1#2, 3\\\\4'5\"\n"
        "phone2 = \"8 916 123 45 67\"\n"
        "sms-phone = \"\"\n"
        "\n"
        "[modem]\n"
        "ip = \"10.0.0.5\"\n"
        "apn = \"o'net;x # y, z\"\n"
        "user = \"pre\\\\user\"\n"
        "no-internet = false\n";
    // The second save replaces the first.
    for (int save = 0; save < 2; ++save) {
        const Outcome read = cli({"read", "--port", "COM6", "--save-profile", "saved.ini"});
        EXPECT_EQ(read.exitCode, 0) << read.err;
        EXPECT_EQ(fake::fileText("saved.ini"), expected);
    }

    device->setUnit(devsim::UnitValues{});
    device->setModem(devsim::ModemState{});
    const Outcome apply = cli({"apply", "saved.ini", "--port", "COM6"});
    EXPECT_EQ(apply.exitCode, 0) << apply.err << apply.out;
    EXPECT_EQ(device->unit().phone[0], unit.phone[0]);
    EXPECT_EQ(device->unit().phone[1], unit.phone[1]);
    EXPECT_EQ(device->modem().storedConnection[0].get("apn"), "o'net;x # y, z");
    EXPECT_EQ(device->modem().storedConnection[0].get("user"), "pre\\user");

    const Outcome unitOnly = cli({"read", "--port", "COM6", "--unit-only", "--save-profile", "unit.ini"});
    EXPECT_EQ(unitOnly.exitCode, 0) << unitOnly.err;
    EXPECT_EQ(fake::fileText("unit.ini").find("[modem]"), std::string::npos) << "the modem was not read";
    ::mkdir("folder.ini", 0700);
    const Outcome toFolder = cli({"read", "--port", "COM6", "--unit-only", "--save-profile", "folder.ini"});
    EXPECT_EQ(toFolder.exitCode, 1);
    EXPECT_NE(toFolder.err.find("profile folder.ini: is a folder"), std::string::npos) << toFolder.err;
}

}  // namespace
