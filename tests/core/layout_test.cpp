#include "app/layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "base/app_state.h"
#include "base/cp1251.h"
#include "fakes.h"
#include "modem/settings_file.h"

using namespace tarnwick;

namespace {

std::string utf8(const char* cp1251) {
    char out[512];
    const auto* bytes = reinterpret_cast<const uint8_t*>(cp1251);
    return std::string(out, cp1251ToUtf8(bytes, std::strlen(cp1251), out, sizeof out));
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        std::remove(settingsFileName);
    }
    void TearDown() override { std::remove(settingsFileName); }
};

struct Expected {
    ControlKind kind;
    int id, x, y, w, h;
    const char* text;
};

TEST_F(LayoutTest, CreatesTheControlsInOrderWithTheirPlacesAndStartTexts) {
    createMainControls(fake::window());
    using K = ControlKind;
    const Expected expected[] = {
        {K::singleLineEdit, 3000, 145, 20, 60, 20, "COM1"},
        {K::singleLineEdit, 3004, 145, 40, 150, 20, ""},
        {K::multiLineEdit, 3021, 645, 240, 200, 22, ""},
        {K::singleLineEdit, 3022, 645, 262, 200, 20, ""},
        {K::singleLineEdit, 3023, 645, 282, 200, 20, ""},
        {K::singleLineEdit, 3027, 645, 302, 200, 20, ""},
        {K::checkBox, 3032, 660, 370, 160, 20, ""},
        {K::singleLineEdit, 3003, 770, 200, 60, 20, "   "},
        {K::singleLineEdit, 3002, 770, 340, 60, 20, "   "},
        {K::pushButton, 3030, 655, 200, 100, 20, ""},
        {K::pushButton, 3031, 655, 340, 100, 20, ""},
    };
    const auto& made = fake::controls();
    ASSERT_EQ(made.size(), 26u);
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(made[i]->kind, expected[i].kind);
        EXPECT_EQ(made[i]->id, expected[i].id);
        EXPECT_EQ(made[i]->x, expected[i].x);
        EXPECT_EQ(made[i]->y, expected[i].y);
        EXPECT_EQ(made[i]->width, expected[i].w);
        EXPECT_EQ(made[i]->height, expected[i].h);
        EXPECT_EQ(made[i]->text, expected[i].text);
        EXPECT_EQ(made[i]->parent, fake::window());
    }
    for (int k = 0; k < 5; ++k) {
        const int y = 120 + 70 * k;
        const fake::Control* value = made[11 + 3 * k];
        const fake::Control* read = made[12 + 3 * k];
        const fake::Control* write = made[13 + 3 * k];
        EXPECT_EQ(value->kind, K::multiLineEdit);
        EXPECT_EQ(value->id, 3139 + k);
        EXPECT_EQ(value->x, 50);
        EXPECT_EQ(value->y, y);
        EXPECT_EQ(value->width, 200);
        EXPECT_EQ(value->height, 22);
        EXPECT_EQ(read->id, 3144 + k);
        EXPECT_EQ(read->caption, "Read");
        EXPECT_EQ(read->x, 270);
        EXPECT_EQ(read->y, y);
        EXPECT_EQ(write->id, 3149 + k);
        EXPECT_EQ(write->caption, "Write");
        EXPECT_EQ(write->x, 380);
        EXPECT_EQ(write->y, y);
    }
    EXPECT_EQ(utf8(fake::controlById(3032)->caption.c_str()), "Без интернета.");
    EXPECT_FALSE(fake::controlById(3032)->checked);
}

TEST_F(LayoutTest, FieldsAreBoundWithTheirFontsAndViews) {
    createMainControls(fake::window());
    EXPECT_EQ(fake::controlById(3000)->font, FontKind::port);
    EXPECT_EQ(fake::controlById(3004)->font, FontKind::port);
    for (int id : {3021, 3022, 3023, 3027, 3002, 3003, 3139, 3140, 3141, 3142, 3143}) {
        EXPECT_TRUE(fake::controlById(id)->fontSet) << id;
        EXPECT_EQ(fake::controlById(id)->font, FontKind::field) << id;
    }
    EXPECT_FALSE(fake::controlById(3030)->fontSet) << "buttons keep the system font";
    EXPECT_EQ(portNameField.controlHandle(), fake::controlById(3000));
    EXPECT_EQ(smsPhoneField.controlHandle(), fake::controlById(3143));
    EXPECT_FALSE(ipAddressField.rawSelected());
    EXPECT_TRUE(apnField.rawSelected());
    EXPECT_FALSE(periodField.rawSelected());
    EXPECT_TRUE(queryStatusField.rawSelected());
}

TEST_F(LayoutTest, SettingsFileFillsTheModemPanel) {
    std::ofstream(settingsFileName, std::ios::binary) << "10.1.1.1\r\napn.net\r\nuser\r\npw";
    createMainControls(fake::window());
    EXPECT_EQ(fake::controlById(3021)->text, "10.1.1.1");
    EXPECT_EQ(fake::controlById(3022)->text, "apn.net");
    EXPECT_EQ(fake::controlById(3023)->text, "user");
    EXPECT_EQ(fake::controlById(3027)->text, "pw");
}

TEST(PaintedLabels, TextsReadAsRussianAtTheirPlaces) {
    ASSERT_EQ(paintedLabelCount, 23u);
    EXPECT_EQ(utf8(paintedLabels[2].text), "Настройка КОРДИН 7190 ");
    EXPECT_EQ(utf8(paintedLabels[4].text), "период опроса");
    EXPECT_EQ(utf8(paintedLabels[6].text), "[000..999 (0..1440 минут, шаг 6 минут)]");
    EXPECT_EQ(utf8(paintedLabels[7].text), "собственный адрес");
    EXPECT_EQ(utf8(paintedLabels[10].text), "приёмника 1 / передатчика");
    EXPECT_EQ(utf8(paintedLabels[11].text), "[начинается с 8]");
    EXPECT_EQ(utf8(paintedLabels[13].text), "приёмника 2");
    EXPECT_EQ(utf8(paintedLabels[16].text), "оператора КОРДИН для SMS");
    EXPECT_EQ(utf8(paintedLabels[18].text), "настройка сотового модема");
    EXPECT_EQ(paintedLabels[6].font, LabelFont::hint);
    EXPECT_EQ(paintedLabels[6].x, 150);
    EXPECT_EQ(paintedLabels[6].y, 100);
    for (int n = 0; n < 4; ++n) {
        const LabelSpec& panel = paintedLabels[19 + n];
        EXPECT_EQ(panel.font, LabelFont::panel);
        EXPECT_EQ(panel.x, 541);
        EXPECT_EQ(panel.y, 242 + 20 * n);
    }
    EXPECT_STREQ(paintedLabels[22].text, "Password");
    std::set<std::pair<int, int>> places;
    for (const LabelSpec& label : paintedLabels) places.insert({label.x, label.y});
    EXPECT_EQ(places.size(), paintedLabelCount) << "no two labels drawn at one place";
}

TEST(Fonts, HeightsWeightsAndSlant) {
    EXPECT_EQ(fontSpec(FontKind::port).weight, 900);
    EXPECT_EQ(fontSpec(FontKind::field).weight, 100);
    EXPECT_EQ(labelFontSpec(LabelFont::label).height, 16);
    EXPECT_TRUE(labelFontSpec(LabelFont::hint).italic);
    EXPECT_EQ(labelFontSpec(LabelFont::panel).height, 15);
    EXPECT_FALSE(labelFontSpec(LabelFont::panel).italic);
}

}  // namespace
