#include "base/text_field.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fakes.h"

using tarnwick::TextField;

namespace {

class TextFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        field.createEdit(10, 20, 100, 20, fake::window(), 3000);
        control = fake::controlById(3000);
        ASSERT_NE(control, nullptr);
    }

    std::string rawOut() {
        uint8_t out[TextField::displayCapacity + 1] = {};
        const size_t n = field.copyOut(out);
        return std::string(reinterpret_cast<char*>(out), n);
    }

    TextField field;
    fake::Control* control = nullptr;
};

TEST_F(TextFieldTest, AssignCutsEachViewAtItsCapacity) {
    uint8_t bytes[800];
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<uint8_t>('a' + i % 26);

    field.useRaw();
    field.assign(bytes, 300);
    EXPECT_EQ(field.size(), 255u);
    EXPECT_EQ(rawOut(), std::string(reinterpret_cast<char*>(bytes), 255));

    field.useDisplay();
    field.assign(bytes, 300);
    EXPECT_EQ(field.size(), 300u);
    field.assign(bytes, 800);
    EXPECT_EQ(field.size(), 765u);
    EXPECT_EQ(rawOut(), std::string(reinterpret_cast<char*>(bytes), 765));

    // The two views are separate storage.
    field.useRaw();
    EXPECT_EQ(field.size(), 255u);
}

TEST_F(TextFieldTest, ShorterAssignLeavesNoTailOfTheLongerText) {
    field.useRaw();
    field.assign("0123456789");
    field.assign("ab");
    uint8_t out[TextField::rawCapacity];
    std::memset(out, 0x55, sizeof out);
    EXPECT_EQ(field.copyOut(out), 2u);
    EXPECT_EQ(out[2], 0x55) << "copyOut must write exactly the length, no terminator";
    field.show();
    EXPECT_EQ(control->text, "ab");
}

TEST_F(TextFieldTest, AssignOfNothingEmptiesTheView) {
    field.useRaw();
    field.assign("abc");
    field.assign(nullptr, 0);
    EXPECT_EQ(field.size(), 0u);
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(field.copyOut(out), 0u);
    EXPECT_EQ(out[0], 9) << "an empty view writes nothing";
}

TEST_F(TextFieldTest, ShowTurnsControlBytesIntoBulletsInTheRawViewOnly) {
    const uint8_t crlfA[] = {0x0D, 0x0A, 0x41};
    field.useRaw();
    field.assign(crlfA, 3);
    field.show();
    EXPECT_EQ(control->text, std::string("\x95\x95\x41"));

    const uint8_t zeroInside[] = {'1', '2', 0x00, '3', '4'};
    field.assign(zeroInside, 5);
    field.show();
    EXPECT_EQ(control->text, std::string("12\x95" "34"));

    field.useDisplay();
    field.assign(crlfA, 3);
    field.show();
    EXPECT_EQ(control->text, std::string("\x0D\x0A\x41", 3)) << "the display view is shown as is";
}

TEST_F(TextFieldTest, ShowKeepsBytesFrom0x20Up) {
    uint8_t all[224];
    for (int i = 0; i < 224; ++i) all[i] = static_cast<uint8_t>(0x20 + i);
    field.useRaw();
    field.assign(all, sizeof all);
    field.show();
    EXPECT_EQ(control->text, std::string(reinterpret_cast<char*>(all), sizeof all));
}

TEST_F(TextFieldTest, PullReadsOneCharacterLessThanTheViewHolds) {
    control->text = std::string(300, 'x');
    field.useRaw();
    field.pull();
    EXPECT_EQ(field.size(), 254u);

    field.useDisplay();
    field.pull();
    EXPECT_EQ(field.size(), 300u);

    control->text = std::string(900, 'y');
    field.pull();
    EXPECT_EQ(field.size(), 764u);
    EXPECT_EQ(rawOut(), std::string(764, 'y'));
}

TEST_F(TextFieldTest, PullReplacesTheWholeView) {
    field.useRaw();
    field.assign("a long previous value");
    control->text = "new";
    field.pull();
    EXPECT_EQ(rawOut(), "new");
    control->text.clear();
    field.pull();
    EXPECT_EQ(field.size(), 0u);
}

TEST_F(TextFieldTest, PullStopsAtAZeroByteInTheControlText) {
    control->text = std::string("ab\0cd", 5);
    field.useRaw();
    field.pull();
    EXPECT_EQ(rawOut(), "ab");
}

TEST_F(TextFieldTest, BlankEmptiesTheControlButNotTheViews) {
    field.useRaw();
    field.assign("keep");
    field.show();
    field.blank();
    EXPECT_EQ(control->text, "");
    EXPECT_EQ(rawOut(), "keep");
}

TEST_F(TextFieldTest, SecondCreateKeepsTheFirstControl) {
    const auto before = fake::controls().size();
    field.createEdit(0, 0, 5, 5, fake::window(), 3999);
    field.createMultiLineEdit(0, 0, 5, 5, fake::window(), 3998);
    EXPECT_EQ(fake::controls().size(), before);
    EXPECT_EQ(field.controlHandle(), control);
}

TEST(TextFieldWithoutControl, OperationsHaveNoVisibleEffect) {
    fake::reset();
    TextField field;
    EXPECT_TRUE(field.rawSelected()) << "a new field starts in its raw view";
    field.assign("abc");
    field.show();
    field.blank();
    field.pull();
    EXPECT_EQ(field.size(), 0u) << "pull without a control yields empty text";
    EXPECT_TRUE(fake::controls().empty());
}

TEST(TextFieldWithoutControl, FailedCreateLeavesTheFieldUnbound) {
    fake::reset();
    fake::failNextEdits(1);
    TextField field;
    field.createEdit(0, 0, 10, 10, fake::window(), 3000);
    EXPECT_EQ(field.controlHandle(), nullptr);
    field.createEdit(0, 0, 10, 10, fake::window(), 3000);
    EXPECT_NE(field.controlHandle(), nullptr) << "a later create may still bind a control";
}

}  // namespace
