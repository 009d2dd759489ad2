// How the edit boxes take typing and program text: no sideways scrolling, wrapping without
// scrolling, and Windows-1251 between the boxes and the fields.
#include <QScrollBar>
#include <QTest>

#include "app/layout.h"
#include "base/app_state.h"
#include "qt_support.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

class Edits : public qttest::WindowTest {};

int textWidth(const QLineEdit* edit) {
    return QFontMetrics(edit->font()).horizontalAdvance(edit->text());
}

TEST_F(Edits, SingleLineBoxStopsTakingKeysWhenFull) {
    openWindow();
    FitLineEdit* apn = line(idApn);
    apn->setFocus();
    const int emptyCursor = apn->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    QTest::keyClicks(apn, QString(60, QLatin1Char('W')));
    const QString full = apn->text();
    EXPECT_GT(full.size(), 15) << "a 200 pixel box takes a fair number of characters";
    EXPECT_LT(full.size(), 60);
    EXPECT_LE(textWidth(apn), apn->textRoom());
    apn->setCursorPosition(0);
    EXPECT_EQ(apn->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), emptyCursor) << "the text has not scrolled";
    apn->end(false);
    EXPECT_LE(apn->inputMethodQuery(Qt::ImCursorRectangle).toRect().right(), apn->width());

    QTest::keyClick(apn, Qt::Key_I);
    EXPECT_EQ(apn->text(), full) << "not even a narrow character more";
    apn->insert(QStringLiteral("pasted text"));
    EXPECT_EQ(apn->text(), full) << "a paste that does not fit is refused";
    QTest::keyClick(apn, Qt::Key_Backspace);
    EXPECT_EQ(apn->text(), full.left(full.size() - 1));
    QTest::keyClick(apn, Qt::Key_I);
    EXPECT_EQ(apn->text(), full.left(full.size() - 1) + "i");

    // The small boxes fill sooner: the port name box takes six characters but not 20.
    retype(idPortName, "COM256");
    EXPECT_EQ(shown(idPortName), "COM256");
    retype(idPortName, QString(20, QLatin1Char('M')));
    EXPECT_LT(shown(idPortName).size(), 20);
}

TEST_F(Edits, ProgramTextIsTakenWholeAndShownFromItsStart) {
    openWindow();
    const char message[] = "A status line far longer than the port status box can show";
    portStatusField.useRaw();
    portStatusField.assign(message);
    portStatusField.show();
    FitLineEdit* status = line(idPortStatus);
    EXPECT_EQ(status->text(), message);
    EXPECT_EQ(status->cursorPosition(), 0);
    // The user may shorten it but not make it longer.
    status->setFocus();
    status->end(false);
    QTest::keyClick(status, Qt::Key_X);
    EXPECT_EQ(status->text(), message);
    QTest::keyClick(status, Qt::Key_Backspace);
    EXPECT_EQ(status->text(), QString(message).chopped(1));
}

TEST_F(Edits, MultiLineBoxWrapsButNeverScrolls) {
    openWindow();
    WrapEdit* period = box(idFirstValue);
    EXPECT_EQ(period->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(period->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(period->lineWrapMode(), QTextEdit::WidgetWidth);

    period->setFocus();
    QTest::keyClicks(period, "123");
    EXPECT_EQ(shown(idFirstValue), "123");
    QTest::keyClick(period, Qt::Key_Return);
    EXPECT_EQ(shown(idFirstValue), "123") << "a second line does not fit a 22 pixel box";
    QTest::keyClicks(period, QString(80, QLatin1Char('8')));
    const QString full = shown(idFirstValue);
    EXPECT_GT(full.size(), 15);
    EXPECT_LT(full.size(), 83);
    EXPECT_TRUE(period->textFits());
    EXPECT_EQ(period->verticalScrollBar()->value(), 0);

    // Text the program puts in wraps at the box's width and stays scrolled to its top.
    phone1Field.useDisplay();
    const std::string longText(120, '7');
    phone1Field.assign(longText.c_str());
    phone1Field.show();
    WrapEdit* phone = box(idFirstValue + 2);
    EXPECT_EQ(phone->toPlainText().size(), 120);
    EXPECT_FALSE(phone->textFits()) << "wrapped onto lines below the visible one";
    phone->setFocus();
    phone->moveCursor(QTextCursor::End);
    EXPECT_EQ(phone->verticalScrollBar()->value(), 0);
}

TEST_F(Edits, TextCrossesAsWindows1251) {
    openWindow();
    // Control bytes of the raw view show as bullets.
    const uint8_t raw[] = {0x0D, 0x0A, 'A', 0x00, 'B'};
    apnField.useRaw();
    apnField.assign(raw, sizeof raw);
    apnField.show();
    EXPECT_EQ(shown(idApn), QString::fromUtf8("\u2022\u2022A\u2022B"));

    retype(idUser, QString::fromUtf8("Тест€ё日"));
    uint8_t bytes[TextField::rawCapacity] = {};
    userField.useRaw();
    userField.pull();
    ASSERT_EQ(userField.copyOut(bytes), 7u);
    const uint8_t expected[] = {0xD2, 0xE5, 0xF1, 0xF2, 0x88, 0xB8, '?'};
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 7),
              std::vector<uint8_t>(expected, expected + 7))
        << "a character the code page lacks becomes '?'";

    // A character outside the basic plane is one '?', not two.
    retype(idPassword, QString::fromUtf8("a\U0001F600b"));
    passwordField.useRaw();
    passwordField.pull();
    uint8_t password[TextField::rawCapacity] = {};
    ASSERT_EQ(passwordField.copyOut(password), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(password), 3), "a?b");

    // The display view of a multi-line box passes Cyrillic both ways.
    const char cyrillic[] = "\xCF\xF0\xE8\xE2\xE5\xF2";  // Привет
    periodField.useDisplay();
    periodField.assign(cyrillic);
    periodField.show();
    EXPECT_EQ(shown(idFirstValue), QString::fromUtf8("Привет"));
    periodField.pull();
    uint8_t back[TextField::displayCapacity] = {};
    ASSERT_EQ(periodField.copyOut(back), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 6), cyrillic);
}

TEST_F(Edits, PullReadsAtMostOneCharacterLessThanTheView) {
    openWindow();
    line(idApn)->setProgramText(QString(300, QLatin1Char('x')));
    apnField.useRaw();
    apnField.pull();
    EXPECT_EQ(apnField.size(), 254u);
    box(idFirstValue)->setProgramText(QString(300, QLatin1Char('9')));
    periodField.useDisplay();
    periodField.pull();
    EXPECT_EQ(periodField.size(), 300u);
}

}  // namespace
