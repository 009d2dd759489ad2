#pragma once
#include <cstddef>
#include <cstdint>

#include "base/handles.h"

namespace tarnwick {

// An edit box's text held twice: the raw view as bytes go to and come from the serial line,
// and a display view three times as long for text meant for the eye. Every operation works on
// the view selected last. Fixed storage, no allocation, nothing to release.
class TextField {
public:
    static constexpr size_t rawCapacity = 255;
    static constexpr size_t displayCapacity = 765;

    void createEdit(int x, int y, int width, int height, WindowHandle parent, int id);
    void createMultiLineEdit(int x, int y, int width, int height, WindowHandle parent, int id);

    void useRaw() { mode = 1; }
    void useDisplay() { mode = 0; }

    void clear();
    void blank();
    size_t size() const;
    size_t copyOut(uint8_t* destination) const;
    void pull();
    void assign(const uint8_t* bytes, uint32_t count);
    void assign(const char* text);
    void show();

    WindowHandle controlHandle() const { return control; }
    bool rawSelected() const { return mode == 1; }

private:
    void create(int x, int y, int width, int height, WindowHandle parent, int id, bool multiLine);
    size_t capacity() const { return mode == 1 ? rawCapacity : displayCapacity; }
    uint8_t* bytes() { return mode == 1 ? rawBytes : displayBytes; }
    const uint8_t* bytes() const { return mode == 1 ? rawBytes : displayBytes; }
    void setLength(size_t length);

    WindowHandle control = nullptr;
    int32_t mode = 1;
    uint8_t rawLength = 0;
    uint8_t rawBytes[rawCapacity] = {};
    uint16_t displayLength = 0;
    uint8_t displayBytes[displayCapacity] = {};
};

}  // namespace tarnwick
