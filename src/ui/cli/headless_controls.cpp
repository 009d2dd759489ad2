#include "ui/cli/headless_controls.h"

#include <cstring>

#include "app/frontend.h"
#include "provision/run_jobs.h"
#include "app/layout.h"
#include "app/tick.h"
#include "base/app_state.h"
#include "base/control.h"
#include "base/text_field.h"
#include "ui/headless/headless_loop.h"
#include "modem/settings_file.h"

namespace tarnwick {

namespace {

struct HeadlessControl {
    int id = 0;
    bool checked = false;
    size_t length = 0;
    char text[TextField::displayCapacity];
};

// The main window has 26 controls; room for all of them, fixed.
constexpr size_t controlCapacity = 32;
HeadlessControl controls[controlCapacity];
size_t controlCount = 0;
int windowStandIn;

HeadlessControl* add(int id) {
    if (controlCount == controlCapacity) return nullptr;
    HeadlessControl& control = controls[controlCount++];
    control = HeadlessControl{};
    control.id = id;
    return &control;
}

HeadlessControl* byId(int id) {
    for (size_t i = 0; i < controlCount; ++i)
        if (controls[i].id == id) return &controls[i];
    return nullptr;
}

HeadlessControl* of(WindowHandle handle) { return static_cast<HeadlessControl*>(handle); }

}  // namespace

WindowHandle createEditControl(int, int, int, int, WindowHandle, int id, bool) { return add(id); }

void setControlText(WindowHandle control, const uint8_t* text, size_t length) {
    HeadlessControl* target = of(control);
    if (length > sizeof target->text) length = sizeof target->text;
    if (length > 0) std::memcpy(target->text, text, length);
    target->length = length;
}

size_t getControlText(WindowHandle control, uint8_t* buffer, size_t capacity) {
    if (capacity == 0) return 0;
    const HeadlessControl* source = of(control);
    const size_t count = source->length < capacity - 1 ? source->length : capacity - 1;
    std::memcpy(buffer, source->text, count);
    buffer[count] = 0;
    return count;
}

void setControlFont(WindowHandle, FontKind) {}

WindowHandle createButton(const char*, int, int, int, int, WindowHandle, int id) { return add(id); }

WindowHandle createCheckBox(const char*, int, int, int, int, WindowHandle, int id) { return add(id); }

bool isCheckBoxChecked(WindowHandle, int id) {
    const HeadlessControl* box = byId(id);
    return box != nullptr && box->checked;
}

void setCheckBoxChecked(WindowHandle, int id, bool checked) {
    if (HeadlessControl* box = byId(id)) box->checked = checked;
}

// No window, no dialogs: the commands that would open one do nothing here.
void showAboutDialog() {}
void destroyMainWindow() {}
void showTraceWindow() {}

bool runJobsUntil(const std::function<bool()>& done, int limitMs) {
    return headless::runLoop(done, limitMs, [] { mainTick(); });
}

namespace cli {

void startHeadless(bool saveIni) {
    settingsSaveEnabled = saveIni;
    mainWindow = &windowStandIn;
    createMainControls(mainWindow, false);
}

}  // namespace cli

}  // namespace tarnwick
