#include <windows.h>

#include "app/layout.h"
#include "base/cp1251.h"
#include "ui/win32/win32_ui.h"

namespace tarnwick {

// Swiss family with default pitch.
constexpr BYTE pitchAndFamily = FF_SWISS | DEFAULT_PITCH;

size_t cp1251ToWide(const char* text, wchar_t* out, size_t capacity) {
    if (capacity == 0) return 0;
    size_t length = 0;
    for (; text[length] != '\0' && length + 1 < capacity; ++length)
        out[length] = static_cast<wchar_t>(cp1251ToUnicode(static_cast<uint8_t>(text[length])));
    out[length] = L'\0';
    return length;
}

HFONT createWindowFont(FontSpec wanted) {
    return CreateFontA(wanted.height, 0, 0, 0, wanted.weight, wanted.italic ? TRUE : FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       pitchAndFamily, fontFace);
}

void paintMainWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HFONT fonts[3] = {createWindowFont(labelFontSpec(LabelFont::label)),
                      createWindowFont(labelFontSpec(LabelFont::hint)),
                      createWindowFont(labelFontSpec(LabelFont::panel))};
    HGDIOBJ original = GetCurrentObject(dc, OBJ_FONT);
    for (const LabelSpec& label : paintedLabels) {
        // A font that could not be created leaves the one selected before in use.
        if (HFONT font = fonts[static_cast<int>(label.font)]) SelectObject(dc, font);
        wchar_t text[128];
        const size_t length = cp1251ToWide(label.text, text, sizeof text / sizeof text[0]);
        TextOutW(dc, label.x, label.y, text, static_cast<int>(length));
    }
    SelectObject(dc, original);
    EndPaint(window, &paint);
    for (HFONT font : fonts)
        if (font != nullptr) DeleteObject(font);
}

}  // namespace tarnwick
