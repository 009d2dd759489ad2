#include "ui/qt/trace_window.h"

#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tarnwick::qt {

namespace {

// Often enough to look live, seldom enough to cost nothing while a set-up runs.
constexpr int pollMs = 100;
// A window left open for a day keeps the last lines only.
constexpr int keptLines = 20000;

QColor colourOf(TraceDirection direction) {
    switch (direction) {
    case TraceDirection::sent: return QColor(0x1f, 0x3f, 0xbf);
    case TraceDirection::received: return QColor(0x1f, 0x7f, 0x2f);
    case TraceDirection::event: break;
    }
    return QColor(0x60, 0x60, 0x60);
}

}  // namespace

TraceWindow::TraceWindow(QWidget* owner)
    : QWidget(owner, Qt::Window),
      lines(new QPlainTextEdit(this)),
      clear(new QPushButton(QStringLiteral("Clear"), this)),
      save(new QPushButton(QStringLiteral("Save..."), this)),
      cursor(traceCursorAtOldest()) {
    setWindowTitle(QStringLiteral("Tarnwick trace"));
    lines->setReadOnly(true);
    lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines->setMaximumBlockCount(keptLines);
    lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clear);
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lines);
    layout->addLayout(buttons);
    resize(860, 420);
    poll.setInterval(pollMs);
    connect(&poll, &QTimer::timeout, this, &TraceWindow::refresh);
    connect(clear, &QPushButton::clicked, lines, &QPlainTextEdit::clear);
    connect(save, &QPushButton::clicked, this, &TraceWindow::askAndSave);
}

void TraceWindow::refresh() {
    TraceDirection direction;
    if (!nextTraceLine(cursor, line, sizeof line, &direction)) return;
    // New lines scroll into view only while the reader is at the bottom, not while reading
    // further up.
    QScrollBar* scroll = lines->verticalScrollBar();
    const bool follow = scroll->value() == scroll->maximum();
    QTextCursor end(lines->document());
    end.movePosition(QTextCursor::End);
    do {
        QTextCharFormat format;
        format.setForeground(colourOf(direction));
        if (!lines->document()->isEmpty()) end.insertBlock();
        end.insertText(QString::fromUtf8(line), format);
    } while (nextTraceLine(cursor, line, sizeof line, &direction));
    if (follow) scroll->setValue(scroll->maximum());
}

bool TraceWindow::saveTo(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QByteArray text = lines->toPlainText().toUtf8();
    if (!text.isEmpty()) text.append('\n');
    return file.write(text) == text.size() && file.flush();
}

void TraceWindow::askAndSave() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the trace"),
                                                      QStringLiteral("tarnwick-trace.txt"),
                                                      QStringLiteral("Text files (*.txt)"));
    if (!path.isEmpty()) saveTo(path);
}

void TraceWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    poll.start();
}

void TraceWindow::hideEvent(QHideEvent* event) {
    poll.stop();
    QWidget::hideEvent(event);
}

}  // namespace tarnwick::qt
