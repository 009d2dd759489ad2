#include "ui/qt/about_dialog.h"

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>

#include "app/layout.h"
#include "ui/qt/app_icon.h"

namespace tarnwick::qt {

namespace {

// The box is laid out in dialog units of an 8-point system font, whose base units are 8 x 16
// pixels: one unit is 2 pixels across and 2 pixels down.
constexpr int dialogUnit = 2;

QRect units(int x, int y, int width, int height) {
    return {x * dialogUnit, y * dialogUnit, width * dialogUnit, height * dialogUnit};
}

QLabel* plainLabel(const char* text, const QRect& place, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(place);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    setFixedSize(units(0, 0, 230, 75).size());
    // Placed relative to the owner's client area, below its menu bar.
    if (auto* window = qobject_cast<QMainWindow*>(owner); window && window->centralWidget())
        move(window->centralWidget()->mapToGlobal(units(22, 17, 0, 0).topLeft()));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(appIcon().pixmap(32, 32));
    icon->setGeometry(units(14, 9, 20, 20));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    plainLabel(aboutFirstLine, units(49, 10, 119, 8), this)->setObjectName("firstLine");
    plainLabel(aboutSecondLine, units(49, 20, 119, 8), this)->setObjectName("secondLine");

    ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(units(195, 6, 30, 11));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}

}  // namespace tarnwick::qt
