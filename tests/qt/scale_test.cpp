// The window at 150 % (QT_SCALE_FACTOR=1.5, set for this binary before Qt starts): every
// caption whole inside its control, the painted labels clear of each other and of the
// controls, the status texts whole in their boxes, and the controls in their places relative
// to each other. The screenshot lands in artifacts/qt-window-150.png.
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTest>

#include <cstdlib>
#include <functional>

#include "app/layout.h"
#include "base/app_state.h"
#include "qt_support.h"
#include "ui/qt/about_dialog.h"
#include "ui/qt/qt_text.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

constexpr double scale = 1.5;
const bool scaled = setenv("QT_SCALE_FACTOR", "1.5", 1) == 0;

class At150Percent : public qttest::WindowTest {};

// Device pixels that differ between two renderings of the same size.
QRect differingPixels(const QImage& a, const QImage& b) {
    QRect found;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) found |= QRect(x, y, 1, 1);
    return found;
}

// The device pixels of a widget's caption: the widget grabbed with and without it.
QRect captionInk(QWidget* widget, const std::function<void(const QString&)>& setCaption, const QString& caption) {
    const QImage with = widget->grab().toImage();
    setCaption(QString());
    const QImage without = widget->grab().toImage();
    setCaption(caption);
    return differingPixels(with, without);
}

// Where a painted label's ink lies, in device pixels of the client area.
QRect labelInk(const PaintedLabel& label) {
    QImage image(QSize(clientWidth, clientHeight) * scale, QImage::Format_ARGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(label.font);
    painter.drawText(label.baseline, label.text);
    painter.end();
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) found |= QRect(x, y, 1, 1);
    return found;
}

QRect device(const QRect& logical) {
    return {qRound(logical.x() * scale), qRound(logical.y() * scale), qRound(logical.width() * scale),
            qRound(logical.height() * scale)};
}

TEST_F(At150Percent, EveryCaptionIsWholeInsideItsControl) {
    ASSERT_TRUE(scaled);
    openWindow();
    ASSERT_EQ(window->devicePixelRatioF(), scale) << "the scale factor reached Qt";
    for (const ControlSpec& spec : mainControls) {
        if (spec.kind != ControlKind::pushButton && spec.kind != ControlKind::checkBox) continue;
        auto* control = qobject_cast<QAbstractButton*>(this->control(spec.id));
        SCOPED_TRACE(control->text().toStdString());
        const QRect ink = captionInk(control, [control](const QString& text) { control->setText(text); },
                                     control->text());
        ASSERT_FALSE(ink.isEmpty());
        // Inside the button's frame, or the check box's own rectangle, with a pixel to spare:
        // a caption cut at an edge would reach it.
        const int frame = spec.kind == ControlKind::pushButton ? 2 : 0;
        const QRect room = QRect(QPoint(), control->size() * scale).adjusted(frame + 1, frame + 1, -frame - 1, -frame - 1);
        EXPECT_TRUE(room.contains(ink)) << "ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
                                        << ink.height() << " in " << room.width() << "x" << room.height();
    }

    // What the program puts in the status boxes, and values as long as the unit holds them.
    const struct {
        int id;
        const char* text;
    } texts[] = {{idQueryStatus, "Empty0"}, {idQueryStatus, "Error!"}, {idSetupStatus, "Ok!"},
                 {idPortStatus, "The COM99 is opened."}, {idPortStatus, "Port did't open!"},
                 {idPortStatus, "The Port is closed."}, {idPortName, "COM256"},
                 {idFirstValue + 2, "891612345678901234"}, {idIpAddress, "255.255.255.255"}};
    for (const auto& t : texts) {
        SCOPED_TRACE(t.text);
        QWidget* box = control(t.id);
        const auto put = [box](const QString& text) {
            if (auto* single = qobject_cast<FitLineEdit*>(box)) single->setProgramText(text);
            if (auto* multi = qobject_cast<WrapEdit*>(box)) multi->setProgramText(text);
        };
        auto* single = qobject_cast<FitLineEdit*>(box);
        auto* multi = qobject_cast<WrapEdit*>(box);
        EXPECT_TRUE(single != nullptr ? single->fitsWhole(t.text) : multi->fitsWhole(t.text));
        put(QString());
        const QImage empty = box->grab().toImage();
        put(t.text);
        const QRect ink = differingPixels(empty, box->grab().toImage());
        // Inside the raised panel that frames the box, with a pixel to spare.
        const QRect inner = QRect(QPoint(), box->size() * scale).adjusted(4, 4, -4, -4);
        EXPECT_TRUE(inner.contains(ink)) << "ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
                                         << ink.height() << " in " << box->width() * scale << "x" << box->height() * scale;
    }

    // The About box's lines and button.
    AboutDialog about(window.get());
    for (auto* label : about.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
    }
    EXPECT_LE(about.okButton()->fontMetrics().horizontalAdvance("OK") + 4, about.okButton()->width());
}

TEST_F(At150Percent, LabelsStayClearAndControlsKeepTheirPlaces) {
    ASSERT_TRUE(scaled);
    openWindow();
    std::vector<QRect> controls;
    for (const ControlSpec& spec : mainControls) controls.push_back(device(control(spec.id)->geometry()));
    std::vector<QRect> labels;
    for (const PaintedLabel& label : window->clientArea()->labels()) labels.push_back(labelInk(label));
    const QRect client(QPoint(), QSize(clientWidth, clientHeight) * scale);
    for (size_t i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE(paintedLabels[i].x * 1000 + paintedLabels[i].y);
        EXPECT_TRUE(client.contains(labels[i]));
        for (size_t j = i + 1; j < labels.size(); ++j) EXPECT_FALSE(labels[i].intersects(labels[j])) << j;
        for (size_t c = 0; c < controls.size(); ++c) EXPECT_FALSE(labels[i].intersects(controls[c])) << c;
    }
    // Left of, right of, above and below stay as the table has them.
    for (size_t a = 0; a < std::size(mainControls); ++a)
        for (size_t b = 0; b < std::size(mainControls); ++b) {
            const ControlSpec& p = mainControls[a];
            const ControlSpec& q = mainControls[b];
            EXPECT_EQ(p.x + p.width <= q.x, controls[a].right() < controls[b].left()) << a << " " << b;
            EXPECT_EQ(p.y + p.height <= q.y, controls[a].bottom() < controls[b].top()) << a << " " << b;
        }

    // The whole window, as a person sees it after a session.
    portStatusField.assign("The COM1 is opened.");
    portStatusField.show();
    for (const auto& [field, text] : {std::pair{&periodField, "010"}, {&addressField, "007"},
                                      {&phone1Field, "89160000001"}, {&phone2Field, "89160000002"},
                                      {&smsPhoneField, "89160000003"}, {&ipAddressField, "192.0.2.10"},
                                      {&apnField, "internet"}, {&userField, "gdata"}, {&queryStatusField, "Ok!"}}) {
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
