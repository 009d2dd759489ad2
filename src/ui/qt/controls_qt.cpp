#include "ui/qt/controls_qt.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QTextDocument>
#include <QValidator>
#include <QtMath>
#include <qdrawutil.h>

#include <cstring>
#include <memory>

#include "app/commands.h"
#include "base/control.h"
#include "ui/qt/qt_text.h"

namespace tarnwick::qt {

namespace {

// QLineEdit keeps this many pixels between its contents rectangle and the text on each side.
constexpr int lineEditInnerMargin = 2;

// The thickness of the raised panel drawn around both kinds of edit box.
constexpr int editBorder = 2;

class FitValidator : public QValidator {
public:
    explicit FitValidator(FitLineEdit* edit) : QValidator(edit), edit(edit) {}
    State validate(QString& input, int&) const override {
        return edit->accepts(input) ? Acceptable : Invalid;
    }

private:
    FitLineEdit* edit;
};

void placeControl(QWidget* widget, int x, int y, int width, int height, int id) {
    widget->setObjectName(QString::number(id));
    widget->setProperty(controlIdProperty, id);
    widget->setGeometry(x, y, width, height);
    widget->show();
}

}  // namespace

QWidget* findControl(QWidget* parent, int id) {
    if (parent == nullptr) return nullptr;
    return parent->findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

FitLineEdit::FitLineEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setTextMargins(editBorder, editBorder, editBorder, editBorder);
    setValidator(new FitValidator(this));
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { currentWidth = widthOf(text); });
}

void FitLineEdit::setProgramText(const QString& text) {
    programSetting = true;
    setText(text);
    programSetting = false;
    // A text longer than the box shows its beginning, cut at the edge, not its end.
    setCursorPosition(0);
}

int FitLineEdit::widthOf(const QString& text) const {
    return qCeil(QFontMetricsF(font()).horizontalAdvance(text));
}

int FitLineEdit::textRoom() const {
    // The arithmetic QLineEdit itself uses to decide whether it must scroll: the contents
    // rectangle less the text margins and its inner margins, one pixel for the cursor and
    // whatever the font's glyphs overhang.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins());
    const QFontMetrics metrics(font());
    const int overhang = qMax(0, -metrics.minLeftBearing()) + qMax(0, -metrics.minRightBearing());
    return contents.width() - 2 * lineEditInnerMargin - 1 - overhang;
}

bool FitLineEdit::accepts(const QString& text) const {
    if (programSetting) return true;
    const int width = widthOf(text);
    return width <= textRoom() || width <= currentWidth;
}

bool FitLineEdit::fitsWhole(const QString& text) const { return widthOf(text) <= textRoom(); }

void FitLineEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

WrapEdit::WrapEdit(QWidget* parent) : QTextEdit(parent) {
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setAcceptRichText(false);
    setTabChangesFocus(true);
    document()->setDocumentMargin(1);
    // The box never scrolls: a caret moved below the last visible line simply leaves the view.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (value != 0) verticalScrollBar()->setValue(0);
    });
}

void WrapEdit::setProgramText(const QString& text) {
    setPlainText(text);
    verticalScrollBar()->setValue(0);
}

bool WrapEdit::textFits() const {
    return document()->size().height() <= viewport()->height();
}

bool WrapEdit::fitsWhole(const QString& text) const {
    // A copy keeps the box's font and wrapping without touching its text or undo; its margin
    // is not copied.
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setDocumentMargin(document()->documentMargin());
    copy->setPlainText(text);
    copy->setTextWidth(viewport()->width());
    return copy->size().height() <= viewport()->height();
}

template <typename Edit> void WrapEdit::guardedEdit(Edit edit) {
    const qreal before = document()->size().height();
    const QString text = toPlainText();
    const int position = textCursor().position();
    edit();
    const qreal after = document()->size().height();
    if (after <= before || textFits()) return;
    setPlainText(text);
    QTextCursor cursor = textCursor();
    cursor.setPosition(position);
    setTextCursor(cursor);
}

void WrapEdit::keyPressEvent(QKeyEvent* event) {
    guardedEdit([&] { QTextEdit::keyPressEvent(event); });
}

void WrapEdit::inputMethodEvent(QInputMethodEvent* event) {
    guardedEdit([&] { QTextEdit::inputMethodEvent(event); });
}

void WrapEdit::insertFromMimeData(const QMimeData* source) {
    guardedEdit([&] { QTextEdit::insertFromMimeData(source); });
}

CommandCheckBox::CommandCheckBox(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent) {}

}  // namespace tarnwick::qt

namespace tarnwick {

using namespace tarnwick::qt;

WindowHandle createEditControl(int x, int y, int width, int height, WindowHandle parent, int id,
                               bool multiLine) {
    auto* area = static_cast<QWidget*>(parent);
    if (area == nullptr) return nullptr;
    QWidget* edit = multiLine ? static_cast<QWidget*>(new WrapEdit(area))
                              : static_cast<QWidget*>(new FitLineEdit(area));
    placeControl(edit, x, y, width, height, id);
    return edit;
}

void setControlText(WindowHandle control, const uint8_t* text, size_t length) {
    // An edit control's text ends at a zero byte, whatever length it is handed.
    if (length > 0) {
        const void* zero = std::memchr(text, 0, length);
        if (zero != nullptr) length = static_cast<const uint8_t*>(zero) - text;
    }
    QString shown = length > 0 ? fromCp1251(text, length) : QString();
    auto* widget = static_cast<QWidget*>(control);
    if (auto* line = qobject_cast<FitLineEdit*>(widget)) {
        line->setProgramText(shown);
    } else if (auto* box = qobject_cast<WrapEdit*>(widget)) {
        box->setProgramText(shown.replace(QLatin1String("\r\n"), QLatin1String("\n")));
    }
}

size_t getControlText(WindowHandle control, uint8_t* buffer, size_t capacity) {
    auto* widget = static_cast<QWidget*>(control);
    QString text;
    if (auto* line = qobject_cast<FitLineEdit*>(widget)) {
        text = line->text();
    } else if (auto* box = qobject_cast<WrapEdit*>(widget)) {
        // A multi-line box hands its line breaks out as CR LF.
        text = box->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    }
    return toCp1251(text, buffer, capacity);
}

void setControlFont(WindowHandle control, FontKind font) {
    static_cast<QWidget*>(control)->setFont(layoutFont(fontSpec(font)));
}

WindowHandle createButton(const char* caption, int x, int y, int width, int height,
                          WindowHandle parent, int id) {
    auto* area = static_cast<QWidget*>(parent);
    if (area == nullptr) return nullptr;
    auto* button = new QPushButton(fromCp1251(caption), area);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button,
                     [id] { handleCommand(id, notifyClick); });
    placeControl(button, x, y, width, height, id);
    return button;
}

WindowHandle createCheckBox(const char* caption, int x, int y, int width, int height,
                            WindowHandle parent, int id) {
    auto* area = static_cast<QWidget*>(parent);
    if (area == nullptr) return nullptr;
    auto* box = new CommandCheckBox(fromCp1251(caption), area);
    QObject::connect(box, &QCheckBox::clicked, box, [id] { handleCommand(id, notifyClick); });
    placeControl(box, x, y, width, height, id);
    return box;
}

bool isCheckBoxChecked(WindowHandle parent, int id) {
    auto* box = qobject_cast<QCheckBox*>(findControl(static_cast<QWidget*>(parent), id));
    return box != nullptr && box->isChecked();
}

void setCheckBoxChecked(WindowHandle parent, int id, bool checked) {
    if (auto* box = qobject_cast<QCheckBox*>(findControl(static_cast<QWidget*>(parent), id)))
        box->setChecked(checked);
}

}  // namespace tarnwick
