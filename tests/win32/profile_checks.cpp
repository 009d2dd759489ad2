// Tools > Open Profile..., Save Profile... and Compare with Profile..., worked through the
// common file dialogs and the message boxes as the engineer works them, with the port open on
// a healthy device.
#include <cstdio>
#include <string>

#include "driver.h"

namespace e2e {

namespace {

constexpr int openCommand = IDM_OPEN_PROFILE, saveCommand = IDM_SAVE_PROFILE, compareCommand = IDM_COMPARE_PROFILE;
constexpr int fileNameBox = 1148;  // the common dialogs' file name (cmb13)
constexpr int waitText = IDC_WAIT_TEXT, comparisonLines = IDC_COMPARE_LINES;

// Picks `path` (UTF-8) in the file dialog that the menu's `id` opens; a save over a file that
// is there is confirmed.
bool chooseFile(int id, const char* title, const std::string& path) {
    PostMessageA(mainWindow(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    HWND dialog = dialogWith(title, fileNameBox, 10000);
    if (!check(dialog != nullptr, std::string(title) + " opens the file dialog")) return false;
    SetDlgItemTextW(dialog, fileNameBox, wide(path).c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    if (id == saveCommand && readFileByWideName(path).size() > 0) answerBox(title, IDYES);
    return check(waitGone(dialog, 10000), std::string(title) + " takes " + path);
}

void writeFile(const std::string& path, const std::string& content) {
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fputs(content.c_str(), file);
        std::fclose(file);
    }
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The file a save wrote, once it holds `part`: the program writes it after its dialog has gone.
std::string savedFile(const std::string& path, const std::string& part) {
    std::string text;
    waitUntil([&] { return contains(text = readFileByWideName(path), part); }, 5000, 50);
    return text;
}

// Reads a unit value into its box, clicking again while an earlier job holds the button.
std::string readFromDevice(int button, int box) {
    setText(box, "");
    for (int tries = 0; tries < 4 && text(box).empty(); ++tries) {
        click(button);
        waitUntil([box] { return !text(box).empty(); }, 3000, 100);
    }
    return text(box);
}

}  // namespace

void checkProfiles(const Paths& paths) {
    const std::string folder = paths.workDir + "\\profiles";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string settings = readFile(paths.workDir + "\\_data.ini");
    if (text(idPortStatus) != "The COM5 is opened.") {
        setText(idPortName, "COM5");
        command(idOpenPort);
    }
    const std::string period = readFromDevice(readButtonOf(0), valueBoxOf(0)), address = readFromDevice(readButtonOf(1), valueBoxOf(1));
    check(!period.empty() && !address.empty(), "the period and the address are read from the device");
    setText(idApn, "internet.test");
    setText(idPassword, "typed pass");

    // Save, and save again over the file: the boxes, never the password.
    const std::string saved = folder + "\\bench site.toml";
    setText(valueBoxOf(2), "");
    chooseFile(saveCommand, "Save Profile", saved);
    setText(valueBoxOf(2), "89001234567");
    chooseFile(saveCommand, "Save Profile", saved);
    const std::string written = savedFile(saved, "phone1 = \"89001234567\"");
    check(contains(written, "period = \"" + period + "\"") && contains(written, "phone1 = \"89001234567\"") &&
              contains(written, "apn = \"internet.test\""),
          "Save Profile writes the boxes, the second time over the first", written);
    check(!contains(written, "typed pass") && !contains(written, "password ="), "the password is never written");

    // A folder in Cyrillic, which this system's code page (1252) cannot spell: the dialogs give
    // the path whole, and the profile is written there and opened again.
    const std::string cyrillic = folder + "\\профили станции";
    CreateDirectoryW(wide(cyrillic).c_str(), nullptr);
    chooseFile(saveCommand, "Save Profile", cyrillic + "\\стенд.toml");
    const std::string there = savedFile(cyrillic + "\\стенд.toml", "phone1 = \"89001234567\"");
    check(contains(there, "phone1 = \"89001234567\""), "Save Profile writes into a Cyrillic folder", there);
    setText(valueBoxOf(2), "");
    chooseFile(openCommand, "Open Profile", cyrillic + "\\стенд.toml");
    check(waitForText(valueBoxOf(2), "89001234567", 5000), "Open Profile reads it back from there", text(valueBoxOf(2)));

    // A value longer than its box: refused with its line, and nothing changes.
    writeFile(folder + "\\long.toml", "[unit]\nperiod = \"037\"\naddress = \"" + std::string(40, '7') + "\"\n");
    chooseFile(openCommand, "Open Profile", folder + "\\long.toml");
    const std::string refusal = answerBox("Open Profile", IDOK);
    check(contains(refusal, "long.toml:3") && contains(refusal, "longer than its box"),
          "a value too long for its box is refused, naming its line", refusal);
    checkEqual(text(valueBoxOf(0)), period, "the refused profile leaves the period box");

    // The password file is read only when the engineer agrees.
    writeFile(folder + "\\bench.pass", "bench pw\n");
    writeFile(folder + "\\bench.toml", "[unit]\nperiod = \"037\"\n[modem]\napn = \"bench.apn\"\nno-internet = false\n"
                                       "password-file = \"bench.pass\"\n");
    for (const int button : {IDNO, IDYES}) {
        chooseFile(openCommand, "Open Profile", folder + "\\bench.toml");
        check(contains(answerBox("Open Profile", button), "bench.pass"), "Open Profile asks about the password file");
        const bool agreed = button == IDYES;
        check(waitForText(valueBoxOf(0), "037", 5000) && text(idApn) == "bench.apn" && !checked(idNoInternet),
              "Open Profile fills the period, the APN and the check box");
        checkEqual(text(idPassword), agreed ? "bench pw" : "typed pass",
                   agreed ? "agreed, the password comes from its file" : "refused, the password box is left alone");
    }

    // Compare: the main window disabled while the box says what is read, then a line a value.
    writeFile(folder + "\\compare.toml", "[unit]\nperiod = \"" + period + "\"\naddress = \"" +
                                             (address == "001" ? "002" : "001") + "\"\n[modem]\napn = \"x\"\n");
    chooseFile(compareCommand, "Compare with Profile", folder + "\\compare.toml");
    HWND waiting = dialogWith("Compare with Profile", waitText, 10000);
    check(waiting != nullptr && !IsWindowEnabled(mainWindow()), "a box says what is read, the main window disabled");
    HWND result = dialogWith("Compare with Profile", comparisonLines, 60000);
    if (check(result != nullptr, "the comparison's window opens")) {
        std::string lines;
        HWND list = GetDlgItem(result, comparisonLines);
        for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
            wchar_t line[512] = {};
            char utf8[1536] = {};
            if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < 512) SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
            WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr);
            lines += std::string(utf8) + "\n";
        }
        check(contains(lines, "period\tsame\t" + period) && contains(lines, "address\tdiffers\t" + address) &&
                  contains(lines, "apn\tdiffers\tinternet.test\tx"),
              "each value is same or differs", lines);
        PostMessageA(result, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    }
    check(IsWindowEnabled(mainWindow()) && text(valueBoxOf(0)) == "037" && text(idApn) == "bench.apn" && text(idPassword) == "bench pw",
          "after the comparison the window is usable and every box as it was",
          text(valueBoxOf(0)) + ", " + text(idApn) + ", " + text(idPassword));
    checkEqual(readFile(paths.workDir + "\\_data.ini"), settings, "no profile command touches _data.ini");
}

}  // namespace e2e
