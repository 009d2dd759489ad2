#include <windows.h>

#include "app/layout.h"
#include "base/cp1251.h"
#include "base/utf16.h"
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

// wchar_t is UTF-16 on Windows: the portable conversion serves the wide calls as they stand.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide calls take UTF-16");

std::wstring wideText(const std::string& utf8) {
    const std::u16string wide = utf8ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string utf8Text(const wchar_t* wide) { return utf16ToUtf8(reinterpret_cast<const char16_t*>(wide)); }

UINT systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : baseDpi;
}

UINT windowDpi(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    // Through void (*)(): the one function type a cast may pass through unwarned.
    static const DpiForWindow dpiForWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    const UINT dpi = dpiForWindow != nullptr ? dpiForWindow(window) : 0;
    return dpi != 0 ? dpi : systemDpi();
}

namespace {

HFONT createFont(FontSpec wanted, int height, int width) {
    return CreateFontA(height, width, 0, 0, wanted.weight, wanted.italic ? TRUE : FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       pitchAndFamily, fontFace);
}

// The font's average character width in pixels; 0 when it cannot be measured.
int averageWidth(HFONT font) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return 0;
    HGDIOBJ original = SelectObject(screen, font);
    TEXTMETRICA metrics{};
    const bool measured = GetTextMetricsA(screen, &metrics) != 0;
    SelectObject(screen, original);
    ReleaseDC(nullptr, screen);
    return measured ? metrics.tmAveCharWidth : 0;
}

}  // namespace

HFONT createWindowFont(FontSpec wanted, UINT dpi) {
    HFONT font = createFont(wanted, scaled(wanted.height, dpi), 0);
    if (dpi == baseDpi || font == nullptr) return font;
    // A face's hinted width need not grow with its height: one in place of Consolas came out
    // 8 px wide at 96 DPI and 13 at 144, which ran the labels into each other and let the
    // boxes hold fewer characters. No wider than the 96-DPI face scaled, it keeps both as they
    // are at 100 %.
    HFONT base = createFont(wanted, wanted.height, 0);
    const int widest = base != nullptr ? averageWidth(base) * static_cast<int>(dpi) / baseDpi : 0;
    if (base != nullptr) DeleteObject(base);
    if (widest <= 0 || averageWidth(font) <= widest) return font;
    HFONT narrowed = createFont(wanted, scaled(wanted.height, dpi), widest);
    if (narrowed == nullptr) return font;
    DeleteObject(font);
    return narrowed;
}

HFONT createCaptionFont(UINT dpi) {
    const UINT madeFor = systemDpi();
    LOGFONTA font;
    if (dpi == madeFor || GetObjectA(GetStockObject(SYSTEM_FONT), sizeof font, &font) != sizeof font)
        return nullptr;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(madeFor));
    font.lfWidth = MulDiv(font.lfWidth, static_cast<int>(dpi), static_cast<int>(madeFor));
    return CreateFontIndirectA(&font);
}

void paintMainWindow(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HFONT fonts[3] = {createWindowFont(labelFontSpec(LabelFont::label), mainDpi),
                      createWindowFont(labelFontSpec(LabelFont::hint), mainDpi),
                      createWindowFont(labelFontSpec(LabelFont::panel), mainDpi)};
    HGDIOBJ original = GetCurrentObject(dc, OBJ_FONT);
    for (const LabelSpec& label : paintedLabels) {
        // A font that could not be created leaves the one selected before in use.
        if (HFONT font = fonts[static_cast<int>(label.font)]) SelectObject(dc, font);
        wchar_t text[128];
        const size_t length = cp1251ToWide(label.text, text, sizeof text / sizeof text[0]);
        TextOutW(dc, scaled(label.x, mainDpi), scaled(label.y, mainDpi), text, static_cast<int>(length));
    }
    SelectObject(dc, original);
    EndPaint(window, &paint);
    for (HFONT font : fonts)
        if (font != nullptr) DeleteObject(font);
}

}  // namespace tarnwick
