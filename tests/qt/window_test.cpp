// The window as built: its controls, fonts, painted labels, size and start-up.
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QThread>

#include <vector>

#include "app/layout.h"
#include "base/app_state.h"
#include "qt_support.h"

using namespace tarnwick;
using namespace tarnwick::qt;
using qttest::fromUtf8;

namespace {

class Window : public qttest::WindowTest {};

enum class Kind { line, box, button, check };

struct ExpectedControl {
    Kind kind;
    int id, x, y, w, h;
    const char* text;  // UTF-8; the start text of a box, the caption of a button
};

const ExpectedControl expectedControls[] = {
    {Kind::line, 3000, 145, 20, 60, 20, "COM1"},
    {Kind::line, 3004, 145, 40, 150, 20, ""},
    {Kind::box, 3021, 645, 240, 200, 22, "10.1.2.3"},
    {Kind::line, 3022, 645, 262, 200, 20, "internet.mts.ru"},
    {Kind::line, 3023, 645, 282, 200, 20, "mts"},
    {Kind::line, 3027, 645, 302, 200, 20, "secret"},
    {Kind::check, 3032, 660, 370, 160, 20, "Без интернета."},
    {Kind::line, 3003, 770, 200, 60, 20, "   "},
    {Kind::line, 3002, 770, 340, 60, 20, "   "},
    {Kind::button, 3030, 655, 200, 100, 20, "Read"},
    {Kind::button, 3031, 655, 340, 100, 20, "Write"},
    {Kind::box, 3139, 50, 120, 200, 22, ""},
    {Kind::button, 3144, 270, 120, 100, 20, "Read"},
    {Kind::button, 3149, 380, 120, 100, 20, "Write"},
    {Kind::box, 3140, 50, 190, 200, 22, ""},
    {Kind::button, 3145, 270, 190, 100, 20, "Read"},
    {Kind::button, 3150, 380, 190, 100, 20, "Write"},
    {Kind::box, 3141, 50, 260, 200, 22, ""},
    {Kind::button, 3146, 270, 260, 100, 20, "Read"},
    {Kind::button, 3151, 380, 260, 100, 20, "Write"},
    {Kind::box, 3142, 50, 330, 200, 22, ""},
    {Kind::button, 3147, 270, 330, 100, 20, "Read"},
    {Kind::button, 3152, 380, 330, 100, 20, "Write"},
    {Kind::box, 3143, 50, 400, 200, 22, ""},
    {Kind::button, 3148, 270, 400, 100, 20, "Read"},
    {Kind::button, 3153, 380, 400, 100, 20, "Write"},
};

struct ExpectedLabel {
    LabelFont font;
    int x, y;
    const char* text;  // UTF-8
};

const ExpectedLabel expectedLabels[] = {
    {LabelFont::label, 21, 22, "Name of Port"},
    {LabelFont::label, 21, 42, "Status of Port"},
    {LabelFont::label, 621, 2, "Настройка КОРДИН 7190 "},
    {LabelFont::label, 621, 22, nullptr},  // the maker line: any text
    {LabelFont::label, 50, 80, "период опроса"},
    {LabelFont::label, 50, 100, "передатчика"},
    {LabelFont::hint, 150, 100, "[000..999 (0..1440 минут, шаг 6 минут)]"},
    {LabelFont::label, 50, 170, "собственный адрес"},
    {LabelFont::hint, 200, 170, "[000..255]"},
    {LabelFont::label, 50, 220, "телефон"},
    {LabelFont::label, 50, 240, "приёмника 1 / передатчика"},
    {LabelFont::hint, 260, 240, "[начинается с 8]"},
    {LabelFont::label, 50, 290, "телефон"},
    {LabelFont::label, 50, 310, "приёмника 2"},
    {LabelFont::hint, 260, 310, "[начинается с 8]"},
    {LabelFont::label, 50, 360, "телефон"},
    {LabelFont::label, 50, 380, "оператора КОРДИН для SMS"},
    {LabelFont::hint, 260, 380, "[начинается с 8]"},
    {LabelFont::label, 640, 160, "настройка сотового модема"},
    {LabelFont::panel, 541, 242, "IP Address"},
    {LabelFont::panel, 541, 262, "APN"},
    {LabelFont::panel, 541, 282, "User"},
    {LabelFont::panel, 541, 302, "Password"},
};

bool ofKind(QWidget* widget, Kind kind) {
    switch (kind) {
    case Kind::line: return qobject_cast<FitLineEdit*>(widget) != nullptr;
    case Kind::box: return qobject_cast<WrapEdit*>(widget) != nullptr;
    case Kind::button: return qobject_cast<QPushButton*>(widget) != nullptr;
    case Kind::check: return qobject_cast<CommandCheckBox*>(widget) != nullptr;
    }
    return false;
}

// Pixels of text: clearly darker than the window's background.
bool isInk(QRgb pixel) { return qGray(pixel) < 110; }

// The bounding box of the ink inside `area`, empty when there is none.
QRect inkBounds(const QImage& image, const QRect& area) {
    QRect found;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            if (isInk(image.pixel(x, y))) found |= QRect(x, y, 1, 1);
    return found;
}

QRect labelBox(const PaintedLabel& label) {
    const QFontMetrics metrics(label.font);
    return {label.topLeft, QSize(metrics.horizontalAdvance(label.text), metrics.height())};
}

TEST_F(Window, ControlsHaveTheirIdsKindsPlacesAndStartTexts) {
    qttest::writeSettings("10.1.2.3", "internet.mts.ru", "mts", "secret");
    openWindow();
    const QObjectList& children = window->clientArea()->children();
    std::vector<QWidget*> widgets;
    for (QObject* child : children)
        if (auto* w = qobject_cast<QWidget*>(child); w && w->property(controlIdProperty).isValid())
            widgets.push_back(w);
    ASSERT_EQ(widgets.size(), std::size(expectedControls)) << "26 controls, nothing else";
    for (size_t i = 0; i < std::size(expectedControls); ++i) {
        const ExpectedControl& e = expectedControls[i];
        SCOPED_TRACE(e.id);
        QWidget* w = widgets[i];
        EXPECT_EQ(w->property(controlIdProperty).toInt(), e.id) << "created in the table's order";
        EXPECT_EQ(w->objectName(), QString::number(e.id));
        EXPECT_TRUE(ofKind(w, e.kind));
        EXPECT_EQ(w->geometry(), QRect(e.x, e.y, e.w, e.h));
        EXPECT_TRUE(w->isVisible());
        switch (e.kind) {
        case Kind::line:
        case Kind::box: EXPECT_EQ(shown(e.id), fromUtf8(e.text)); break;
        case Kind::button: EXPECT_EQ(button(e.id)->text(), fromUtf8(e.text)); break;
        case Kind::check:
            EXPECT_EQ(checkBox()->text(), fromUtf8(e.text));
            EXPECT_FALSE(checkBox()->isChecked());
            break;
        }
    }
    EXPECT_EQ(mainWindow, window->clientArea()) << "the core reaches the check box through it";
}

TEST_F(Window, WithoutSettingsFileThePanelStartsEmpty) {
    openWindow();
    for (int id : {idIpAddress, idApn, idUser, idPassword}) EXPECT_EQ(shown(id), QString()) << id;
    EXPECT_EQ(shown(idPortName), "COM1");
    EXPECT_EQ(shown(idPortStatus), QString());
}

TEST_F(Window, TitleClientAreaAndMenu) {
    openWindow();
    EXPECT_EQ(window->windowTitle(), "Tarnwick");
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->centralWidget(), window->clientArea());
    EXPECT_EQ(window->clientArea()->size(), QSize(900, 530));
    EXPECT_EQ(window->clientArea()->mapTo(window.get(), QPoint(0, 0)).y(),
              window->menuBar()->height())
        << "the client area lies right below the menu bar";

    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "Communication");
    EXPECT_EQ(menus[1]->text(), "Tools") << "the tools come right of the menu they serve";
    const QList<QAction*> items = menus[0]->menu()->actions();
    ASSERT_EQ(items.size(), 3);
    const struct {
        const char* text;
        int id;
    } expected[] = {{"Open the Port", 32772}, {"Close the Port", 32773}, {"E&xit", 105}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i]->text(), expected[i].text);
        EXPECT_EQ(items[i]->data().toInt(), expected[i].id);
        EXPECT_EQ(window->commandAction(expected[i].id), items[i]);
    }
}

TEST_F(Window, EditFontsAreMonospaceWithTheirCellHeightsAndWeights) {
    openWindow();
    for (int id : {int(idPortName), int(idPortStatus), int(idIpAddress), int(idApn),
                   int(idQueryStatus), idFirstValue + 4}) {
        SCOPED_TRACE(id);
        const QFont font = control(id)->font();
        const bool portFont = id == idPortName || id == idPortStatus;
        EXPECT_EQ(font.weight(), portFont ? QFont::Black : QFont::Thin);
        EXPECT_FALSE(font.italic());
        EXPECT_TRUE(QFontInfo(font).fixedPitch()) << QFontInfo(font).family().toStdString();
        const int cell = QFontMetrics(font).height();
        EXPECT_LE(cell, 14);
        EXPECT_GE(cell, 12);
    }
    // Buttons and the check box keep the system font.
    EXPECT_EQ(button(idModemRead)->font(), QApplication::font(button(idModemRead)));
    EXPECT_EQ(checkBox()->font(), QApplication::font(checkBox()));
}

TEST_F(Window, LabelsHaveTheirTextsPlacesAndFonts) {
    const std::vector<PaintedLabel> labels = paintedLabelList();
    ASSERT_EQ(labels.size(), std::size(expectedLabels));
    for (size_t i = 0; i < labels.size(); ++i) {
        const ExpectedLabel& e = expectedLabels[i];
        const PaintedLabel& l = labels[i];
        SCOPED_TRACE(i);
        if (e.text != nullptr) {
            EXPECT_EQ(l.text, fromUtf8(e.text));
        }
        EXPECT_FALSE(l.text.isEmpty());
        EXPECT_EQ(l.topLeft, QPoint(e.x, e.y));
        const QFontMetrics metrics(l.font);
        EXPECT_EQ(l.baseline, QPoint(e.x, e.y + metrics.ascent())) << "(x, y) is the text's top";
        const int cellLimit = e.font == LabelFont::label ? 16 : e.font == LabelFont::panel ? 15 : 14;
        EXPECT_LE(metrics.height(), cellLimit);
        EXPECT_GE(metrics.height(), cellLimit - 2);
        EXPECT_EQ(l.font.italic(), e.font == LabelFont::hint);
        EXPECT_EQ(l.font.weight(), e.font == LabelFont::hint ? QFont::Thin : QFont::Black);
        EXPECT_TRUE(QFontInfo(l.font).fixedPitch());
    }
}

TEST_F(Window, PaintDrawsEachLabelBelowAndRightOfItsCorner) {
    openWindow();
    const QImage image = window->clientArea()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(900, 530));
    for (const PaintedLabel& label : window->clientArea()->labels()) {
        SCOPED_TRACE(label.text.toStdString());
        const QRect box = labelBox(label);
        // Searched a little above the corner too: text drawn with its baseline at y would
        // show up there.
        const QRect ink = inkBounds(image, box.adjusted(0, -4, 0, 0));
        ASSERT_FALSE(ink.isEmpty()) << "nothing painted";
        EXPECT_GE(ink.top(), label.topLeft.y());
        EXPECT_LE(ink.top(), label.topLeft.y() + 6);
        EXPECT_LE(ink.left(), label.topLeft.x() + 3);
    }
    EXPECT_TRUE(inkBounds(image, QRect(300, 440, 580, 85)).isEmpty()) << "nothing else painted";
}

TEST_F(Window, LabelBoxesStayApartAndInsideTheClientArea) {
    const std::vector<PaintedLabel> labels = paintedLabelList();
    const QRect client(0, 0, clientWidth, clientHeight);
    for (size_t i = 0; i < labels.size(); ++i) {
        const QRect box = labelBox(labels[i]);
        EXPECT_TRUE(client.contains(box)) << labels[i].text.toStdString();
        for (size_t j = i + 1; j < labels.size(); ++j)
            EXPECT_FALSE(box.intersects(labelBox(labels[j])))
                << labels[i].text.toStdString() << " runs into " << labels[j].text.toStdString();
    }
}

TEST_F(Window, ResizingMovesNothingAndRepaintsTheWhole) {
    openWindow();
    const QImage before = window->clientArea()->grab().toImage();
    std::vector<QRect> places;
    for (const ExpectedControl& e : expectedControls) places.push_back(control(e.id)->geometry());
    for (QSize size : {QSize(400, 300), QSize(1300, 820)}) {
        const int paints = window->clientArea()->paintCount();
        window->resize(size);
        QCoreApplication::processEvents();
        EXPECT_GT(window->clientArea()->paintCount(), paints) << size.width();
        for (size_t i = 0; i < std::size(expectedControls); ++i)
            EXPECT_EQ(control(expectedControls[i].id)->geometry(), places[i]);
    }
    const QImage after = window->clientArea()->grab().toImage();
    for (const PaintedLabel& label : window->clientArea()->labels()) {
        const QRect box = labelBox(label);
        EXPECT_EQ(inkBounds(after, box), inkBounds(before, box)) << label.text.toStdString();
    }
    EXPECT_TRUE(inkBounds(after, QRect(900, 0, 400, 800)).isEmpty()) << "nothing beyond 900";
}

TEST_F(Window, StartShowsThenStartsTheTick) {
    openWindow();
    EXPECT_FALSE(window->tickTimer().isActive()) << "no tick while the controls are built";
    EXPECT_EQ(tickCount, 0u);
    window->start();
    EXPECT_TRUE(window->isVisible());
    EXPECT_GT(window->clientArea()->paintCount(), 0) << "painted at once";
    EXPECT_TRUE(window->tickTimer().isActive());
    EXPECT_EQ(window->tickTimer().interval(), 54);
    EXPECT_FALSE(window->tickTimer().isSingleShot());
    EXPECT_EQ(window->tickTimer().thread(), QThread::currentThread()) << "ticks on the GUI thread";
}

}  // namespace
