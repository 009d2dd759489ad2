#include "base/text_field.h"

#include <cstring>

#include "base/control.h"

namespace tarnwick {

namespace {
// 0x95 is the bullet of Windows-1251: control bytes stay visible and never cut the text short.
constexpr uint8_t bullet = 0x95;
}  // namespace

void TextField::create(int x, int y, int width, int height, WindowHandle parent, int id,
                       bool multiLine) {
    if (control != nullptr) return;
    control = createEditControl(x, y, width, height, parent, id, multiLine);
}

void TextField::createEdit(int x, int y, int width, int height, WindowHandle parent, int id) {
    create(x, y, width, height, parent, id, false);
}

void TextField::createMultiLineEdit(int x, int y, int width, int height, WindowHandle parent,
                                    int id) {
    create(x, y, width, height, parent, id, true);
}

void TextField::setLength(size_t length) {
    if (mode == 1)
        rawLength = static_cast<uint8_t>(length);
    else
        displayLength = static_cast<uint16_t>(length);
}

void TextField::clear() {
    std::memset(bytes(), 0, capacity());
    setLength(0);
}

void TextField::blank() {
    if (control != nullptr) setControlText(control, nullptr, 0);
}

size_t TextField::size() const { return mode == 1 ? rawLength : displayLength; }

size_t TextField::copyOut(uint8_t* destination) const {
    const size_t count = size();
    if (count > 0) std::memcpy(destination, bytes(), count);
    return count;
}

void TextField::pull() {
    clear();
    if (control == nullptr) return;
    // The platform read takes the whole view as its buffer, terminator included, so one
    // character less than the view's capacity arrives: 254 raw, 764 display.
    uint8_t* view = bytes();
    size_t read = getControlText(control, view, capacity());
    if (read >= capacity()) read = capacity() - 1;
    std::memset(view + read, 0, capacity() - read);
    const void* zero = std::memchr(view, 0, read);
    setLength(zero != nullptr ? static_cast<const uint8_t*>(zero) - view : read);
}

void TextField::assign(const uint8_t* source, uint32_t count) {
    clear();
    const size_t kept = count < capacity() ? count : capacity();
    if (kept > 0) std::memcpy(bytes(), source, kept);
    setLength(kept);
}

void TextField::assign(const char* text) {
    assign(reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text)));
}

void TextField::show() {
    if (control == nullptr) return;
    if (mode == 0) {
        setControlText(control, displayBytes, displayLength);
        return;
    }
    uint8_t shown[rawCapacity];
    for (size_t i = 0; i < rawLength; ++i) shown[i] = rawBytes[i] < 0x20 ? bullet : rawBytes[i];
    setControlText(control, shown, rawLength);
}

}  // namespace tarnwick
