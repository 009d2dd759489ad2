#include "ui/qt/trace_window.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/trace_view.h"

namespace tarnwick::qt {

namespace {

QColor colourOf(TraceDirection direction) {
    const traceView::Colour colour = traceView::colourOf(direction);
    return QColor(colour.red, colour.green, colour.blue);
}

}  // namespace

TraceWindow::TraceWindow(QWidget* owner)
    : QWidget(owner, Qt::Window),
      lines(new QPlainTextEdit(this)),
      clear(new QPushButton(QStringLiteral("Clear"), this)),
      save(new QPushButton(QStringLiteral("Save..."), this)),
      cursor(traceCursorAtOldest()) {
    setWindowTitle(QString::fromLatin1(traceView::title));
    lines->setReadOnly(true);
    lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines->setMaximumBlockCount(traceView::keptLines);
    lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clear);
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lines);
    layout->addLayout(buttons);
    resize(traceView::width, traceView::height);
    poll.setInterval(traceView::pollMs);
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

bool TraceWindow::saveTo(const QString& path, QString* reason) const {
    QFile file(path);
    QByteArray text = lines->toPlainText().toUtf8();
    if (!text.isEmpty()) text.append('\n');
    // A full disk shows only when the buffered bytes are flushed.
    const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() &&
                       file.flush();
    if (!saved && reason != nullptr) *reason = file.errorString();
    return saved;
}

bool TraceWindow::saveOrSay(const QString& path) {
    QString reason;
    if (saveTo(path, &reason)) return true;
    const std::string line = traceView::saveFailure(QDir::toNativeSeparators(path).toStdString(), reason.toStdString());
    QMessageBox::warning(this, QString::fromLatin1(traceView::saveTitle), QString::fromStdString(line));
    return false;
}

void TraceWindow::askAndSave() {
    const QString path = QFileDialog::getSaveFileName(this, QString::fromLatin1(traceView::saveTitle),
                                                      QString::fromLatin1(traceView::defaultFileName),
                                                      QStringLiteral("Text files (*.txt)"));
    if (!path.isEmpty()) saveOrSay(path);
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
