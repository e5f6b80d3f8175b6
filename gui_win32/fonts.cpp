#include "fonts.h"

namespace upd::win32gui::fonts {

namespace {

Font make(const wchar_t* face, int height, bool bold) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return Font(CreateFontIndirectW(&lf));
}

} // namespace

// A negative height asks for the character height, as the design's sizes are.
Font pointSize(const wchar_t* face, int points, bool bold, UINT dpi) {
    return make(face, -MulDiv(points, static_cast<int>(dpi), 72), bold);
}

Font pixelSize(const wchar_t* face, int pixels, bool bold, UINT dpi) { return make(face, -scaled(pixels, dpi), bold); }

UINT dpiOf(HWND window) {
    // Looked up, not imported: the program still starts where the call does not exist.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && window) {
        if (const UINT dpi = getDpi(window)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

} // namespace upd::win32gui::fonts
