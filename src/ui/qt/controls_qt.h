#pragma once
// The Qt widgets behind the core's control seam (base/control.h). Every control carries its id
// as object name and as the property "controlId", and is a child of the window's client area.
#include <QCheckBox>
#include <QLineEdit>
#include <QTextEdit>

namespace tarnwick::qt {

constexpr const char* controlIdProperty = "controlId";

// The widget with this control id among the children of `parent`, or nullptr.
QWidget* findControl(QWidget* parent, int id);

// A single-line edit box that never scrolls sideways: an edit that would make the text wider
// than the box refuses itself, the way a box without automatic scrolling stops taking keys
// when it is full. A validator does the refusing, so typing, pasting, dropping and input
// methods are all covered. Text the program puts in is taken whole (a long status line is cut
// off at the box's edge, shown from its start), and shortening an over-long text stays possible.
class FitLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FitLineEdit(QWidget* parent);

    void setProgramText(const QString& text);

    // Pixels of text the box shows without scrolling.
    int textRoom() const;
    bool accepts(const QString& text) const;
    // Whether the whole text would show without scrolling, as typing would have let it in.
    bool fitsWhole(const QString& text) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int widthOf(const QString& text) const;

    bool programSetting = false;
    int currentWidth = 0;
};

// A multi-line edit box: wraps at its width, shows no scroll bars and never scrolls; an edit
// that would need more lines than the box shows is taken back.
class WrapEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit WrapEdit(QWidget* parent);

    void setProgramText(const QString& text);
    bool textFits() const;
    // Whether the text, in place of the box's own, would wrap into no more lines than it shows.
    bool fitsWhole(const QString& text) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    template <typename Edit> void guardedEdit(Edit edit);
};

// The check box "Без интернета.": a click only reports the command; the state changes only
// when the program sets it (the command handler flips it).
class CommandCheckBox : public QCheckBox {
    Q_OBJECT
public:
    CommandCheckBox(const QString& caption, QWidget* parent);

protected:
    void nextCheckState() override {}
};

}  // namespace tarnwick::qt
