#pragma once
// The trace window: the decoded trace, live, with sends and answers in their own colours, and
// a Clear and a Save... button. Not modal; it reads the trace only while it is shown, so a
// closed trace window costs the program nothing.
#include <QTimer>
#include <QWidget>

#include "app/trace_decode.h"

class QPlainTextEdit;
class QPushButton;

namespace tarnwick::qt {

class TraceWindow : public QWidget {
    Q_OBJECT
public:
    explicit TraceWindow(QWidget* owner);

    // Reads the lines recorded since the last call into the view.
    void refresh();
    // Writes the lines shown as UTF-8 text, one a line; false when the file cannot be written,
    // with the system's reason in `reason`.
    bool saveTo(const QString& path, QString* reason = nullptr) const;
    // Save... once the file is chosen: saves, or says in one message which file could not be
    // written and why. Returns whether it saved.
    bool saveOrSay(const QString& path);

    QPlainTextEdit* view() const { return lines; }
    QPushButton* clearButton() const { return clear; }
    QPushButton* saveButton() const { return save; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void askAndSave();

    QPlainTextEdit* lines;
    QPushButton* clear;
    QPushButton* save;
    QTimer poll;
    TraceCursor cursor;
    char line[traceLineCapacity];
};

}  // namespace tarnwick::qt
