#include "fakes.h"

#include <deque>

#include "app/frontend.h"
#include "base/app_state.h"

namespace fake {

namespace {
std::deque<Control> storage;
std::vector<Control*> created;
int failingEdits = 0;
int windowStandIn;

Control* add(tarnwick::ControlKind kind, int id, int x, int y, int w, int h,
             tarnwick::WindowHandle parent, const char* caption) {
    storage.push_back(Control{kind, id, x, y, w, h, parent, {}, caption ? caption : ""});
    created.push_back(&storage.back());
    return &storage.back();
}
}  // namespace

std::function<void(Control*)> onSetText;
int aboutShown = 0;
int windowDestroyed = 0;
int traceShown = 0;

const std::vector<Control*>& controls() { return created; }

Control* controlById(int id) {
    for (Control* c : created)
        if (c->id == id) return c;
    return nullptr;
}

Control* controlOf(tarnwick::WindowHandle handle) { return static_cast<Control*>(handle); }

void failNextEdits(int count) { failingEdits = count; }

tarnwick::WindowHandle window() { return &windowStandIn; }

void reset() {
    storage.clear();
    created.clear();
    failingEdits = 0;
    onSetText = nullptr;
    aboutShown = windowDestroyed = traceShown = 0;
    tarnwick::resetAppState();
    tarnwick::mainWindow = window();
}

}  // namespace fake

namespace tarnwick {

WindowHandle createEditControl(int x, int y, int width, int height, WindowHandle parent, int id,
                               bool multiLine) {
    if (fake::failingEdits > 0) {
        --fake::failingEdits;
        return nullptr;
    }
    return fake::add(multiLine ? ControlKind::multiLineEdit : ControlKind::singleLineEdit, id, x,
                     y, width, height, parent, nullptr);
}

void setControlText(WindowHandle control, const uint8_t* text, size_t length) {
    fake::Control* c = fake::controlOf(control);
    c->text.assign(reinterpret_cast<const char*>(text), length);
    ++c->setTextCalls;
    if (fake::onSetText) fake::onSetText(c);
}

size_t getControlText(WindowHandle control, uint8_t* buffer, size_t capacity) {
    if (capacity == 0) return 0;
    const std::string& text = fake::controlOf(control)->text;
    const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    text.copy(reinterpret_cast<char*>(buffer), n);
    buffer[n] = 0;
    return n;
}

void setControlFont(WindowHandle control, FontKind font) {
    fake::controlOf(control)->fontSet = true;
    fake::controlOf(control)->font = font;
}

WindowHandle createButton(const char* caption, int x, int y, int width, int height,
                          WindowHandle parent, int id) {
    return fake::add(ControlKind::pushButton, id, x, y, width, height, parent, caption);
}

WindowHandle createCheckBox(const char* caption, int x, int y, int width, int height,
                            WindowHandle parent, int id) {
    return fake::add(ControlKind::checkBox, id, x, y, width, height, parent, caption);
}

bool isCheckBoxChecked(WindowHandle, int id) {
    fake::Control* c = fake::controlById(id);
    return c != nullptr && c->checked;
}

void setCheckBoxChecked(WindowHandle, int id, bool checked) {
    if (fake::Control* c = fake::controlById(id)) c->checked = checked;
}

void showAboutDialog() { ++fake::aboutShown; }
void destroyMainWindow() { ++fake::windowDestroyed; }
void showTraceWindow() { ++fake::traceShown; }

}  // namespace tarnwick
