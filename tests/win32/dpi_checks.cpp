// The window at a DPI other than 96: everything scaled, and every caption whole. Whether a
// caption is whole is read off the screen: its dark pixels must keep clear of its control's
// edges, where a caption cut off by its control runs up to the edge.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

namespace {

constexpr int traceCommand = idTrace;
constexpr int traceClear = IDC_TRACE_CLEAR, traceSave = IDC_TRACE_SAVE;

// The screen's pixels inside `rect` (screen coordinates), row by row, as 0x00RRGGBB.
std::vector<uint32_t> screenPixels(const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ original = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, original);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Text is black; faces, frames and their shadows are grey or lighter.
bool ink(uint32_t pixel) {
    const int red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
    return (red * 30 + green * 59 + blue * 11) / 100 < 80;
}

// The caption of a button or a check box is drawn and keeps a pixel clear inside the 2-pixel
// frame that clips it; `fromLeft` false skips the left edge, where a check box has its box.
void checkCaptionWhole(HWND window, const std::string& name, bool fromLeft = true) {
    const int margin = 3;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int left = width, right = -1, top = height, bottom = -1;
    // The window is asked to draw; it draws when its thread gets to it.
    waitUntil([&] {
        const std::vector<uint32_t> pixels = screenPixels(rect);
        left = width, right = -1, top = height, bottom = -1;
        for (int y = 0; y < height; ++y)
            for (int x = fromLeft ? 0 : width / 4; x < width; ++x)
                if (ink(pixels[static_cast<size_t>(y) * width + x])) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        return right >= 0;
    }, 5000, 100);
    char detail[128];
    std::snprintf(detail, sizeof detail, "ink from %d,%d to %d,%d in %dx%d", left, top, right, bottom, width, height);
    check(right >= 0 && (!fromLeft || left >= margin) && top >= margin && right < width - margin &&
              bottom < height - margin,
          name + "'s caption is whole", detail);
}

// `window` is `width` x `height` at 96 DPI scaled to `dpi`.
void checkSize(HWND window, int width, int height, int dpi, const std::string& name) {
    RECT rect;
    GetWindowRect(window, &rect);
    const long wantedWidth = MulDiv(width, dpi, 96), wantedHeight = MulDiv(height, dpi, 96);
    check(rect.right - rect.left == wantedWidth && rect.bottom - rect.top == wantedHeight,
          name + " is " + std::to_string(wantedWidth) + " x " + std::to_string(wantedHeight),
          std::to_string(rect.right - rect.left) + " x " + std::to_string(rect.bottom - rect.top));
}

// WM_DPICHANGED as Windows sends it when a window goes to a monitor of `dpi`; the suggested
// rectangle is put into the program's own memory, where the message's pointer must lead.
void sendDpiChanged(HWND window, int dpi, const RECT& suggested) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HANDLE handle = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
    void* remote = handle != nullptr ? VirtualAllocEx(handle, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE,
                                                      PAGE_READWRITE)
                                     : nullptr;
    if (remote != nullptr && WriteProcessMemory(handle, remote, &suggested, sizeof suggested, nullptr))
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote));
    if (remote != nullptr) VirtualFreeEx(handle, remote, 0, MEM_RELEASE);
    if (handle != nullptr) CloseHandle(handle);
}

}  // namespace

void checkScaled(int dpi) {
    checkSize(mainWindow(), 900, 530, dpi, "the window");
    checkLayout(dpi);
    std::vector<int> buttons = {idModemRead, idModemWrite};
    for (int row = 0; row < parameterRowCount; ++row) buttons.insert(buttons.end(), {readButtonOf(row), writeButtonOf(row)});
    for (int id : buttons)
        checkCaptionWhole(control(id), "button " + std::to_string(id));
    checkCaptionWhole(control(idNoInternet), "the check box", false);

    // Moved to a monitor at 125 %, and back: laid out again each time, captions whole.
    RECT place;
    GetWindowRect(mainWindow(), &place);
    for (int to : {120, dpi}) {
        sendDpiChanged(mainWindow(), to, {place.left, place.top, place.left + MulDiv(900, to, 96),
                                          place.top + MulDiv(530, to, 96)});
        checkSize(mainWindow(), 900, 530, to, "at " + std::to_string(to) + " DPI the window");
        checkLayout(to);
        for (int id : {static_cast<int>(idModemRead), writeButtonOf(4)}) checkCaptionWhole(control(id), "button " + std::to_string(id));
    }

    // The trace window as it opens, then moved to a monitor at 125 %.
    SendMessageA(mainWindow(), WM_COMMAND, MAKEWPARAM(traceCommand, 0), 0);
    HWND trace = nullptr;
    if (!check(waitUntil([&trace] { return IsWindowVisible(trace = FindWindowA("TARNWICK_TRACE", nullptr)); }, 10000),
               "the trace window opens"))
        return;
    RECT tracePlace;
    GetWindowRect(trace, &tracePlace);
    for (int at : {dpi, 120}) {
        if (at != dpi)
            sendDpiChanged(trace, at, {tracePlace.left, tracePlace.top, tracePlace.left + MulDiv(860, at, 96),
                                       tracePlace.top + MulDiv(420, at, 96)});
        const std::string name = "at " + std::to_string(at) + " DPI the trace window";
        checkSize(trace, 860, 420, at, name);
        for (int id : {traceClear, traceSave}) {
            checkSize(GetDlgItem(trace, id), 80, 24, at, name + "'s button " + std::to_string(id));
            checkCaptionWhole(GetDlgItem(trace, id), name + "'s button " + std::to_string(id));
        }
    }
    sendDpiChanged(trace, dpi, tracePlace);
    SendMessageA(trace, WM_CLOSE, 0, 0);
}

}  // namespace e2e
