#pragma once
// The main window: the menus "Communication" and "Tools", the client area of 900 x 530 pixels
// that holds
// the 26 controls and paints the labels, the About accelerators and the 54 ms tick.
#include <QFont>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <vector>

class QAction;
class QMenu;

namespace tarnwick::qt {

class ComparisonWindow;
class StatusWindow;
class TraceWindow;

// One painted label: its text already in Unicode, its font, the top-left corner of its text
// and the baseline point it is drawn at.
struct PaintedLabel {
    QFont font;
    QPoint topLeft;
    QPoint baseline;
    QString text;
};

// The labels in the order they are painted, with the fonts of the layout's label table.
std::vector<PaintedLabel> paintedLabelList();

// Holds the controls at fixed pixel places and paints the labels; it is the window the core
// knows as mainWindow. Resizing the window moves nothing and repaints the whole area.
class ClientArea : public QWidget {
    Q_OBJECT
public:
    explicit ClientArea(QWidget* parent);
    QSize sizeHint() const override { return {900, 530}; }
    const std::vector<PaintedLabel>& labels() const { return labelList; }
    int paintCount() const { return paints; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<PaintedLabel> labelList;
    int paints = 0;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Builds the menu and the client area, then the controls (which load the settings file
    // and put "COM1" in). Only one main window exists at a time.
    MainWindow();
    ~MainWindow() override;

    // Shows the window and paints it, then starts the 54 ms tick.
    void start();

    ClientArea* clientArea() const { return area; }
    QAction* commandAction(int id) const;
    // The trace window, made on first use and kept (hidden when closed) with the main window.
    TraceWindow* trace();
    // The result of Compare with Profile, made on first use and kept like the trace window.
    ComparisonWindow* comparison();
    // Tools > Modem Status..., made on first use and kept like the trace window.
    StatusWindow* modemStatus();
    // While a status check runs the client area and the menu take no input; the trace and
    // the Modem Status window stay usable. The focus goes back where it was.
    void takeNoInput(bool blocked);
    bool takesNoInput() const { return inputBlocked; }
    const QTimer& tickTimer() const { return tick; }

    static MainWindow* instance();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void addCommand(QMenu* menu, const QString& text, int id);
    static void fillPortsMenu(QMenu* menu);
    bool childControlHasFocus() const;

    ClientArea* area;
    TraceWindow* traceWindow = nullptr;
    ComparisonWindow* comparisonWindow = nullptr;
    StatusWindow* statusWindow = nullptr;
    QPointer<QWidget> focusBeforeBlock;
    bool inputBlocked = false;
    QTimer tick;
};

}  // namespace tarnwick::qt
