#include "app/layout.h"

#include "base/app_state.h"
#include "modem/settings_file.h"

namespace tarnwick {

namespace {

constexpr const char* noInternetCaption =
    "\xC1\xE5\xE7 \xE8\xED\xF2\xE5\xF0\xED\xE5\xF2\xE0.";  // Без интернета.

constexpr ControlSpec edit(int id, int x, int y, int width, FontKind font, TextField* field) {
    return {ControlKind::singleLineEdit, id, x, y, width, 20, font, field, false, nullptr};
}

constexpr ControlSpec button(int id, int x, int y, const char* caption) {
    return {ControlKind::pushButton, id, x, y, 100, 20, FontKind::field, nullptr, false, caption};
}

constexpr ControlSpec rowValue(int row, TextField* field) {
    return {ControlKind::multiLineEdit, idFirstValue + row, 50, 120 + 70 * row, 200, 22,
            FontKind::field, field, true, nullptr};
}

// The modem panel's last control; the settings file is loaded after it, before the rows.
constexpr size_t modemPanelEnd = 11;

}  // namespace

const ControlSpec mainControls[mainControlCount] = {
    edit(idPortName, 145, 20, 60, FontKind::port, &portNameField),
    edit(idPortStatus, 145, 40, 150, FontKind::port, &portStatusField),
    {ControlKind::multiLineEdit, idIpAddress, 645, 240, 200, 22, FontKind::field, &ipAddressField,
     true, nullptr},
    edit(idApn, 645, 262, 200, FontKind::field, &apnField),
    edit(idUser, 645, 282, 200, FontKind::field, &userField),
    edit(idPassword, 645, 302, 200, FontKind::field, &passwordField),
    {ControlKind::checkBox, idNoInternet, 660, 370, 160, 20, FontKind::field, nullptr, false,
     noInternetCaption},
    edit(idQueryStatus, 770, 200, 60, FontKind::field, &queryStatusField),
    edit(idSetupStatus, 770, 340, 60, FontKind::field, &setupStatusField),
    button(idModemRead, 655, 200, "Read"),
    button(idModemWrite, 655, 340, "Write"),
    rowValue(0, &periodField),
    button(idFirstRead + 0, 270, 120, "Read"),
    button(idFirstWrite + 0, 380, 120, "Write"),
    rowValue(1, &addressField),
    button(idFirstRead + 1, 270, 190, "Read"),
    button(idFirstWrite + 1, 380, 190, "Write"),
    rowValue(2, &phone1Field),
    button(idFirstRead + 2, 270, 260, "Read"),
    button(idFirstWrite + 2, 380, 260, "Write"),
    rowValue(3, &phone2Field),
    button(idFirstRead + 3, 270, 330, "Read"),
    button(idFirstWrite + 3, 380, 330, "Write"),
    rowValue(4, &smsPhoneField),
    button(idFirstRead + 4, 270, 400, "Read"),
    button(idFirstWrite + 4, 380, 400, "Write"),
};

FontSpec fontSpec(FontKind font) {
    return font == FontKind::port ? FontSpec{14, 900, false} : FontSpec{14, 100, false};
}

FontSpec labelFontSpec(LabelFont font) {
    switch (font) {
    case LabelFont::label: return {16, 900, false};
    case LabelFont::hint: return {14, 100, true};
    case LabelFont::panel: return {15, 900, false};
    }
    return {16, 900, false};
}

const LabelSpec paintedLabels[paintedLabelCount] = {
    {LabelFont::label, 21, 22, "Name of Port"},
    {LabelFont::label, 21, 42, "Status of Port"},
    {LabelFont::label, 621, 2,
     "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0 \xCA\xCE\xD0\xC4\xC8\xCD 7190 "},  // Настройка КОРДИН 7190
    {LabelFont::label, 621, 22, "Tarnwick field service"},
    {LabelFont::label, 50, 80, "\xEF\xE5\xF0\xE8\xEE\xE4 \xEE\xEF\xF0\xEE\xF1\xE0"},  // период опроса
    {LabelFont::label, 50, 100, "\xEF\xE5\xF0\xE5\xE4\xE0\xF2\xF7\xE8\xEA\xE0"},  // передатчика
    {LabelFont::hint, 150, 100,  // [000..999 (0..1440 минут, шаг 6 минут)]
     "[000..999 (0..1440 \xEC\xE8\xED\xF3\xF2, \xF8\xE0\xE3 6 \xEC\xE8\xED\xF3\xF2)]"},
    {LabelFont::label, 50, 170,  // собственный адрес
     "\xF1\xEE\xE1\xF1\xF2\xE2\xE5\xED\xED\xFB\xE9 \xE0\xE4\xF0\xE5\xF1"},
    {LabelFont::hint, 200, 170, "[000..255]"},
    {LabelFont::label, 50, 220, "\xF2\xE5\xEB\xE5\xF4\xEE\xED"},  // телефон
    {LabelFont::label, 50, 240,  // приёмника 1 / передатчика
     "\xEF\xF0\xE8\xB8\xEC\xED\xE8\xEA\xE0 1 / \xEF\xE5\xF0\xE5\xE4\xE0\xF2\xF7\xE8\xEA\xE0"},
    {LabelFont::hint, 260, 240, "[\xED\xE0\xF7\xE8\xED\xE0\xE5\xF2\xF1\xFF \xF1 8]"},  // [начинается с 8]
    {LabelFont::label, 50, 290, "\xF2\xE5\xEB\xE5\xF4\xEE\xED"},  // телефон
    {LabelFont::label, 50, 310, "\xEF\xF0\xE8\xB8\xEC\xED\xE8\xEA\xE0 2"},  // приёмника 2
    {LabelFont::hint, 260, 310, "[\xED\xE0\xF7\xE8\xED\xE0\xE5\xF2\xF1\xFF \xF1 8]"},
    {LabelFont::label, 50, 360, "\xF2\xE5\xEB\xE5\xF4\xEE\xED"},  // телефон
    {LabelFont::label, 50, 380,  // оператора КОРДИН для SMS
     "\xEE\xEF\xE5\xF0\xE0\xF2\xEE\xF0\xE0 \xCA\xCE\xD0\xC4\xC8\xCD \xE4\xEB\xFF SMS"},
    {LabelFont::hint, 260, 380, "[\xED\xE0\xF7\xE8\xED\xE0\xE5\xF2\xF1\xFF \xF1 8]"},
    {LabelFont::label, 640, 160,  // настройка сотового модема
     "\xED\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0 \xF1\xEE\xF2\xEE\xE2\xEE\xE3\xEE \xEC\xEE\xE4\xE5\xEC\xE0"},
    {LabelFont::panel, 541, 242, "IP Address"},
    {LabelFont::panel, 541, 262, "APN"},
    {LabelFont::panel, 541, 282, "User"},
    {LabelFont::panel, 541, 302, "Password"},
};

void createMainControls(WindowHandle window, bool loadSettingsFile) {
    static const uint8_t threeSpaces[3] = {' ', ' ', ' '};
    for (size_t i = 0; i < mainControlCount; ++i) {
        const ControlSpec& control = mainControls[i];
        if (i == modemPanelEnd && loadSettingsFile) loadSettings();
        switch (control.kind) {
        case ControlKind::pushButton:
            createButton(control.caption, control.x, control.y, control.width, control.height, window, control.id);
            break;
        case ControlKind::checkBox:
            createCheckBox(control.caption, control.x, control.y, control.width, control.height, window, control.id);
            break;
        case ControlKind::singleLineEdit:
        case ControlKind::multiLineEdit: {
            TextField& field = *control.field;
            if (control.kind == ControlKind::multiLineEdit)
                field.createMultiLineEdit(control.x, control.y, control.width, control.height, window, control.id);
            else
                field.createEdit(control.x, control.y, control.width, control.height, window, control.id);
            field.clear();
            field.blank();
            if (control.displayView)
                field.useDisplay();
            else
                field.useRaw();
            if (field.controlHandle() != nullptr) setControlFont(field.controlHandle(), control.font);
            if (control.id == idQueryStatus || control.id == idSetupStatus) {
                field.useRaw();
                field.assign(threeSpaces, 3);
                field.show();
            }
            break;
        }
        }
    }
    portNameField.useRaw();
    portNameField.assign("COM1");
    portNameField.show();
}

}  // namespace tarnwick
