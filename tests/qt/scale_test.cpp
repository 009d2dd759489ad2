// The window at 150 % (QT_SCALE_FACTOR=1.5, set for this binary before Qt starts): every
// caption whole inside its control, the painted labels clear of each other and of the
// controls, the program's texts whole in their boxes, the controls placed relative to each
// other as the layout has them. The screenshot lands in artifacts/qt-window-150.png.
#include <QDir>
#include <QPainter>
#include <QTest>

#include <cstdlib>

#include "app/layout.h"
#include "base/app_state.h"
#include "qt_support.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

constexpr double scale = 1.5;
const bool scaled = setenv("QT_SCALE_FACTOR", "1.5", 1) == 0;

class At150Percent : public qttest::WindowTest {};

// The device pixels in which two images differ, or in which `a` is not transparent.
QRect inkOf(const QImage& a, const QImage& b = QImage()) {
    QRect found;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (b.isNull() ? qAlpha(a.pixel(x, y)) != 0 : a.pixel(x, y) != b.pixel(x, y)) found |= QRect(x, y, 1, 1);
    return found;
}

QRect device(const QRect& r) { return {QPoint(r.topLeft() * scale), QSize(r.size() * scale)}; }

TEST_F(At150Percent, CaptionsWholeLabelsClearAndControlsInPlace) {
    ASSERT_TRUE(scaled);
    openWindow();
    ASSERT_EQ(window->devicePixelRatioF(), scale) << "the scale factor reached Qt";

    // A caption is the difference between the control grabbed with and without it; it must
    // keep a pixel off the button's frame, or the check box's edge, where a cut one would end.
    std::vector<QRect> controls;
    for (const ControlSpec& spec : mainControls) {
        controls.push_back(device(control(spec.id)->geometry()));
        auto* button = qobject_cast<QAbstractButton*>(control(spec.id));
        if (button == nullptr) continue;
        SCOPED_TRACE(button->text().toStdString());
        const QString caption = button->text();
        const QImage with = button->grab().toImage();
        button->setText(QString());
        const QRect ink = inkOf(with, button->grab().toImage());
        button->setText(caption);
        const int frame = spec.kind == ControlKind::pushButton ? 3 : 0;
        EXPECT_TRUE(QRect(QPoint(), button->size() * scale).adjusted(frame + 1, frame + 1, -frame - 1, -frame - 1).contains(ink))
            << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    }
    // The program's texts and the longest values, whole in their boxes.
    for (const auto& [id, text] : {std::pair{int(idQueryStatus), "Empty0"}, {int(idSetupStatus), "Error!"},
                                   {int(idPortStatus), "The COM99 is opened."}, {int(idPortStatus), "Port did't open!"},
                                   {int(idPortName), "COM256"}, {idFirstValue + 2, "891612345678901234"},
                                   {int(idIpAddress), "255.255.255.255"}}) {
        const bool whole = line(id) != nullptr ? line(id)->fitsWhole(text) : box(id)->fitsWhole(text);
        EXPECT_TRUE(whole) << text;
    }

    // Each label drawn alone, as the window draws it: inside the client area, clear of the
    // other labels and of every control.
    const QRect client(QPoint(), QSize(clientWidth, clientHeight) * scale);
    std::vector<QRect> labels;
    for (const PaintedLabel& label : window->clientArea()->labels()) {
        QImage image(client.size(), QImage::Format_ARGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setFont(label.font);
        painter.drawText(label.baseline, label.text);
        painter.end();
        labels.push_back(inkOf(image));
    }
    for (size_t i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE(window->clientArea()->labels()[i].text.toStdString());
        EXPECT_TRUE(client.contains(labels[i]));
        for (size_t j = i + 1; j < labels.size(); ++j) EXPECT_FALSE(labels[i].intersects(labels[j])) << j;
        for (size_t c = 0; c < controls.size(); ++c) EXPECT_FALSE(labels[i].intersects(controls[c])) << c;
    }
    // Left of and above each other as in the layout.
    for (size_t a = 0; a < controls.size(); ++a)
        for (size_t b = 0; b < controls.size(); ++b) {
            const ControlSpec& p = mainControls[a];
            const ControlSpec& q = mainControls[b];
            EXPECT_EQ(p.x + p.width <= q.x, controls[a].right() < controls[b].left()) << a << " " << b;
            EXPECT_EQ(p.y + p.height <= q.y, controls[a].bottom() < controls[b].top()) << a << " " << b;
        }

    // The whole window as a person sees it after a session.
    for (const auto& [field, text] : {std::pair{&portStatusField, "The COM1 is opened."}, {&periodField, "010"},
                                      {&addressField, "007"}, {&phone1Field, "89160000001"},
                                      {&phone2Field, "89160000002"}, {&smsPhoneField, "89160000003"},
                                      {&ipAddressField, "192.0.2.10"}, {&apnField, "internet"},
                                      {&userField, "gdata"}, {&queryStatusField, "Ok!"}}) {
        field->useRaw();
        field->assign(text);
        field->show();
    }
    const QPixmap shot = window->grab();
    EXPECT_EQ(shot.size(), window->size() * scale);
    QDir().mkpath(TARNWICK_ARTIFACTS_DIR);
    EXPECT_TRUE(shot.save(TARNWICK_ARTIFACTS_DIR "/qt-window-150.png"));
}

}  // namespace
